"""Checked by mypy --strict in CI, not run: the module's types as a user's program meets them."""

import threading
from typing import List, Optional

import numpy as np

import zemko


def best_of(p1: List[int], p2: List[int]) -> int:
    result: zemko.Result = zemko.solve(p1, p2, beam=20, perturb=False, time_limit=0.5)
    status: zemko.Status = result.status
    sequence: List[int] = result.sequence
    steps: List[int] = [found.step for found in result.improvements]
    sources: List[str] = [found.found_by for found in result.improvements]
    jobs: List[zemko.Job] = zemko.read_jobs("instance.txt")
    assert status == zemko.Status.solved and len(sequence) == len(jobs) + len(steps + sources)
    assert result.objective is not None
    return result.objective + result.max_beam + result.lost_nodes


def with_a_settings_file(p1: List[int], p2: List[int]) -> Optional[int]:
    return zemko.solve(p1, p2, **zemko.read_settings("ZEMKO.INI")).objective


def with_numpy(seed: int) -> Optional[float]:
    rng = np.random.default_rng(seed)
    p1 = rng.integers(1, 101, size=50)
    p2 = rng.integers(1, 101, size=50)
    r = zemko.solve(p1, p2, time_limit=1.5, threads=1)
    if r.objective is None or r.certified_lower_bound is None:
        return None
    return 100 * (r.objective - r.certified_lower_bound) / r.certified_lower_bound


def followed_and_stopped(p1: List[int], p2: List[int]) -> zemko.Result:
    stop = threading.Event()

    def report(progress: zemko.Progress) -> None:
        if progress.improving and progress.seconds > 2:
            stop.set()

    return zemko.solve(p1, p2, time_limit=10, progress=report, stop=stop)
