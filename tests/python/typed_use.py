"""Checked by mypy --strict in CI, not run: the module's types as a user's program meets them."""

from typing import List

import zemko


def best_of(p1: List[int], p2: List[int]) -> int:
    result: zemko.Result = zemko.solve(p1, p2, beam=20, perturb=False, time_limit=1)
    status: zemko.Status = result.status
    sequence: List[int] = result.sequence
    steps: List[int] = [found.step for found in result.improvements]
    sources: List[str] = [found.found_by for found in result.improvements]
    jobs: List[zemko.Job] = zemko.read_jobs("instance.txt")
    assert status == zemko.Status.solved and len(sequence) == len(jobs) + len(steps + sources)
    return result.objective + result.max_beam + result.lost_nodes


def with_a_settings_file(p1: List[int], p2: List[int]) -> int:
    return zemko.solve(p1, p2, **zemko.read_settings("ZEMKO.INI")).objective
