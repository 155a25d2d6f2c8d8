"""Peak memory of one call, from the kernel's own counter, for snippets run in a fresh interpreter."""
import os

import pytest

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
