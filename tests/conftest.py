import pytest
from hypothesis import settings

from peak_memory import run_fresh

# The same examples on every run, so a red build always points at a change.
settings.register_profile("repeatable", derandomize=True)
settings.load_profile("repeatable")


@pytest.fixture
def run_python():
    """run_fresh (peak_memory.py), for the tests that take it as a fixture."""
    return run_fresh
