"""Double-precision geometry and fast collision detection."""
import copyreg as _copyreg

from . import _quorixpy
from ._quorixpy import *  # noqa: F401,F403

__all__ = list(_quorixpy.__all__)


def _rebuild(name, state):
    """Recreate an object of the class `name` from its pickle state."""
    return getattr(_quorixpy, name)(__pickle_state__=state)


def _reduce(obj):
    args, kwargs = obj.__getnewargs_ex__()
    return _rebuild, (type(obj).__name__, kwargs["__pickle_state__"])


def _register_pickling():
    # The classes report __module__ "builtins", so pickle cannot find them by
    # reference; route every class that carries a pickle state through _rebuild.
    for name in __all__:
        cls = getattr(_quorixpy, name)
        if hasattr(cls, "__getnewargs_ex__"):
            _copyreg.pickle(cls, _reduce)


_register_pickling()
