"""Snippets run in a fresh interpreter, and the peak memory of one call in them, from the kernel's own
counter."""
import os
import subprocess
import sys
import textwrap

import pytest


def run_fresh(code, env=None, check=True):
    """Runs a snippet in a fresh interpreter; returns the completed process. `env` adds to the
    current environment, which keeps the package path and any preloaded sanitizer runtime."""
    proc = subprocess.run([sys.executable, "-c", textwrap.dedent(code)], capture_output=True, text=True,
                          env={**os.environ, **(env or {})})
    if check:
        assert proc.returncode == 0, proc.stderr
    return proc

# Prefix of such a snippet: peak_above(run) gives run()'s result and the peak above the size before.
PEAK_ABOVE = """
import resource, sys

def rss(field):
    return next(int(l.split()[1]) * 1024 for l in open("/proc/self/status") if l.startswith(field))

def peak_above(run):
    open("/proc/self/clear_refs", "w").write("5")  # restart the peak from here
    before = rss("VmRSS")
    out = run()
    return out, rss("VmHWM") - before
"""

UNDER_SANITIZER = "libasan" in os.environ.get("LD_PRELOAD", "")

needs_peak_counter = pytest.mark.skipif(
    UNDER_SANITIZER or not os.path.exists("/proc/self/clear_refs"),
    reason="needs the process's own peak-memory counter, without sanitizer shadow memory")

# Times compared with Python's own, which the sanitizers do not slow down.
needs_native_speed = pytest.mark.skipif(UNDER_SANITIZER, reason="the sanitizers slow the module alone")
