import subprocess
import sys
from pathlib import Path

import quorixpy
from quorixpy import _quorixpy


def test_only_the_init_function_is_exported():
    out = subprocess.run(["nm", "-D", "--defined-only", _quorixpy.__file__],
                         capture_output=True, text=True, check=True).stdout
    exported = [line.split()[-1] for line in out.splitlines()
                if line.split()[1] in "TDBRVWiu"]
    assert exported == ["PyInit__quorixpy"]


def test_module_docstring_is_empty():
    assert _quorixpy.__doc__ == ""
    assert Path(_quorixpy.__file__).suffix == ".so"
