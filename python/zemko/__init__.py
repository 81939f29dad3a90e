"""zemko: a solver for the two-machine flow shop with the total completion time objective.

Every job runs on machine 1, then on machine 2, in one order for both machines; the solver
looks for the order that minimises the sum of the jobs' completion times on machine 2.

    >>> import zemko
    >>> result = zemko.solve([3, 1], [2, 4])
    >>> result.objective, result.sequence
    (12, [1, 0])

solve takes one keyword per row of the settings table (see settings_table()); a solve releases
the interpreter's lock, so threads can solve in parallel, and Ctrl-C stops it within a fraction
of a second with KeyboardInterrupt.
"""

from __future__ import annotations

import warnings
from typing import Iterable, List, SupportsIndex, Tuple, TypedDict, cast

from . import _zemko
from ._zemko import Improvement, InputError, Job, Result, Status

__all__ = ["solve", "objective", "read_jobs", "read_settings", "settings_table", "Settings",
           "Result", "Improvement", "Status", "Job", "InputError"]

# Processing times: a list, a tuple, a numpy array, any iterable of integers.
Times = Iterable[SupportsIndex]


class Settings(TypedDict):
    """The settings of a solve by keyword, as read_settings returns them (see settings_table)."""

    perturb: bool
    alpha: int
    output: int
    beam: int
    filter: bool
    pareto_beam: int
    better_ub: bool
    recovery_step: bool
    more_loops: bool
    threads: int
    memory_limit: int
    time_limit: int
    step_limit: int
    seed: int
    proof_summary: bool


def settings_table() -> List[Tuple[str, str, int, str, str]]:
    """The settings: (keyword, key in the settings file, default, kind, meaning) per row.

    kind is "flag" for a switch (solve takes a bool) and "number" for any other setting.
    """
    return [(name, key, default, kind, description)
            for name, key, default, kind, description in _zemko.settings_table()]


_SETTINGS = settings_table()


def solve(p1: Times, p2: Times, *, route: int = 1, perturb: bool = True, alpha: int = 10,
          output: int = 0, beam: int = 50, filter: bool = False, pareto_beam: int = 0,
          better_ub: bool = False, recovery_step: bool = True, more_loops: bool = False,
          threads: int = 0, memory_limit: int = 0, time_limit: int = 0, step_limit: int = 0,
          seed: int = 1, proof_summary: bool = False, transcript: bool = False) -> Result:
    """Solves the instance whose jobs take p1[j] on machine 1 and p2[j] on machine 2.

    p1, p2: iterables (lists, tuples, numpy arrays) of integers of the same length.
    route: 1, the jobs visit machine 1 first; 2, machine 2 first.
    transcript: also return the console's text of the run in Result.transcript.
    The other keywords are the settings, one per row of settings_table(), with its default
    (below); bad times raise ValueError with the console's message (too many jobs, times too
    large).
    """
    given = locals()
    return _zemko.solve(p1, p2, route, {name: given[name] for name, *_ in _SETTINGS}, transcript)


solve.__doc__ = (solve.__doc__ or "") + "\n    Settings:\n" + "".join(
    f"      {name} = {default} ({key}): {description}\n"
    for name, key, default, _kind, description in _SETTINGS)


def objective(p1: Times, p2: Times, sequence: Iterable[SupportsIndex], *, route: int = 1) -> int:
    """The sum of the machine-2 completion times of a sequence of 0-based job indices."""
    return _zemko.objective(p1, p2, [int(j) for j in sequence], route)


def read_jobs(path: str) -> List[Job]:
    """Reads a data file as the console does: a list of Job (number, p1, p2, route).

    Raises ValueError with the console's message when the console would refuse the file.
    """
    return _zemko.read_jobs(path)


def read_settings(path: str) -> Settings:
    """Reads a settings file as the console does: the keyword values for solve.

    The file's warnings, and the notice that it is missing, become UserWarnings.
    """
    values, messages = _zemko.read_settings(path)
    for line in messages.strip().split("\n"):
        if line.strip():
            warnings.warn(line.strip(), stacklevel=2)
    kinds = {name: kind for name, _key, _default, kind, _description in _SETTINGS}
    return cast(Settings, {name: bool(value) if kinds[name] == "flag" else value
                           for name, value in values.items()})
