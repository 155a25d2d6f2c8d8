import os
import subprocess
import sys
import textwrap

import pytest
from hypothesis import settings

# The same examples on every run, so a red build always points at a change.
settings.register_profile("repeatable", derandomize=True)
settings.load_profile("repeatable")


@pytest.fixture
def run_python():
    """Run a snippet in a fresh interpreter; returns the completed process. `env` adds to the
    current environment, which keeps the package path and any preloaded sanitizer runtime."""

    def run(code, env=None, check=True):
        proc = subprocess.run([sys.executable, "-c", textwrap.dedent(code)], capture_output=True, text=True,
                              env={**os.environ, **(env or {})})
        if check:
            assert proc.returncode == 0, proc.stderr
        return proc

    return run
