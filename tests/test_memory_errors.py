"""A growing call that runs out of memory raises MemoryError and leaves its receiver as it was."""
import os
import textwrap

import pytest

# Runs `call` under address-space caps from the current size up, a megabyte more each time, until it
# lands: every MemoryError must leave the receiver's size, and the end state must be `reference`'s.
RETRY = """
    import pickle, resource
    from quorixpy import Capsule, Collider, Cuboid, Sphere, SphereCollection

    def retry_until_it_fits(receiver, size, call, reference):
        soft, hard = resource.getrlimit(resource.RLIMIT_AS)
        failures, length = 0, size(receiver)
        for extra in range(200):
            with open("/proc/self/statm") as f:
                mapped = int(f.read().split()[0]) * resource.getpagesize()
            resource.setrlimit(resource.RLIMIT_AS, (mapped + (extra << 20), hard))
            try:
                call()
                break
            except MemoryError:
                failures += 1
            finally:
                resource.setrlimit(resource.RLIMIT_AS, (soft, hard))
            assert size(receiver) == length
        assert failures > 0, "never ran out of memory"
        assert pickle.dumps(receiver) == pickle.dumps(reference)
"""

SCENARIOS = {
    "sphere collection push": """
        ball = Sphere((1, 2, 3), 0.5)
        sc = SphereCollection.from_slice([ball] * 2**20)
        reference = SphereCollection.from_slice([ball] * (2**20 + 1))
        retry_until_it_fits(sc, len, lambda: sc.push(ball), reference)
        sc.push(ball)
        assert pickle.loads(pickle.dumps(sc)).len() == 2**20 + 2
    """,
    "collider include": """
        c, other = Collider(), Collider()
        c.include([Capsule((0, 0, 0), (0, 0, 1), 0.5)] * 2**17)
        other.include([Capsule((1, 0, 0), (0, 1, 0), 0.5)] * 2**17 + [Sphere((0, 0, 2), 1.0)] * 2**17
                      + [Cuboid((0, 3, 0), ((1, 0, 0), (0, 1, 0), (0, 0, 1)), (1, 2, 3))] * 2**17)
        reference = pickle.loads(pickle.dumps(c))
        reference.include(other)
        retry_until_it_fits(c, lambda c: len(c.capsules()), lambda: c.include(other), reference)
    """,
}


@pytest.mark.skipif("libasan" in os.environ.get("LD_PRELOAD", ""),
                    reason="AddressSanitizer's shadow memory does not fit an address-space cap")
@pytest.mark.parametrize("scenario", SCENARIOS)
def test_running_out_of_memory_leaves_the_receiver_unchanged(run_python, scenario):
    # Large blocks get pages of their own and give them back when freed, so that no freed block
    # inside the heap serves the call whatever the cap.
    run_python(textwrap.dedent(RETRY) + textwrap.dedent(SCENARIOS[scenario]),
               env={"GLIBC_TUNABLES": "glibc.malloc.mmap_threshold=131072"})
