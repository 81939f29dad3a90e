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

import inspect
import warnings
from typing import Any, Dict, Iterable, List, Sequence, Tuple

from . import _zemko
from ._zemko import Improvement, InputError, Job, Result, Status

__all__ = ["solve", "objective", "read_jobs", "read_settings", "settings_table", "Result",
           "Improvement", "Status", "Job", "InputError"]


def settings_table() -> List[Tuple[str, str, int, str, str]]:
    """The settings: (keyword, key in the settings file, default, kind, meaning) per row.

    kind is "flag" for a switch (solve takes a bool) and "number" for any other setting.
    """
    return [(name, key, default, kind, description)
            for name, key, default, kind, description in _zemko.settings_table()]


_SETTINGS = settings_table()


def solve(p1: Sequence[int], p2: Sequence[int], *, route: int = 1, transcript: bool = False,
          **settings: Any) -> Result:
    """Solves the instance whose jobs take p1[j] on machine 1 and p2[j] on machine 2.

    p1, p2: sequences (lists, tuples, numpy arrays) of integers of the same length.
    route: 1, the jobs visit machine 1 first; 2, machine 2 first.
    transcript: also return the console's text of the run in Result.transcript.
    The other keywords are the settings (see below); unknown ones raise TypeError, bad times
    raise ValueError with the console's message (too many jobs, times too large).
    """
    values = {name: int(value) if isinstance(value, bool) else value
              for name, value in settings.items()}
    return _zemko.solve(p1, p2, route, values, transcript)


def _solve_signature() -> inspect.Signature:
    keyword = inspect.Parameter.KEYWORD_ONLY
    parameters = [
        inspect.Parameter("p1", inspect.Parameter.POSITIONAL_OR_KEYWORD, annotation=Sequence[int]),
        inspect.Parameter("p2", inspect.Parameter.POSITIONAL_OR_KEYWORD, annotation=Sequence[int]),
        inspect.Parameter("route", keyword, default=1, annotation=int),
    ]
    for name, _key, default, kind, _description in _SETTINGS:
        flag = kind == "flag"
        parameters.append(inspect.Parameter(
            name, keyword, default=bool(default) if flag else default,
            annotation=bool if flag else int))
    parameters.append(inspect.Parameter("transcript", keyword, default=False, annotation=bool))
    return inspect.Signature(parameters, return_annotation=Result)


solve.__signature__ = _solve_signature()  # type: ignore[attr-defined]
solve.__doc__ = (solve.__doc__ or "") + "\n    Settings:\n" + "".join(
    f"      {name} = {default} ({key}): {description}\n"
    for name, key, default, _kind, description in _SETTINGS)


def objective(p1: Sequence[int], p2: Sequence[int], sequence: Iterable[int], *,
              route: int = 1) -> int:
    """The sum of the machine-2 completion times of a sequence of 0-based job indices."""
    return _zemko.objective(p1, p2, [int(j) for j in sequence], route)


def read_jobs(path: str) -> List[Job]:
    """Reads a data file as the console does: a list of Job (number, p1, p2, route).

    Raises ValueError with the console's message when the console would refuse the file.
    """
    return _zemko.read_jobs(path)


def read_settings(path: str) -> Dict[str, int]:
    """Reads a settings file as the console does: a dict of keyword values for solve.

    The file's warnings, and the notice that it is missing, become UserWarnings.
    """
    values, messages = _zemko.read_settings(path)
    for line in messages.strip().split("\n"):
        if line.strip():
            warnings.warn(line.strip(), stacklevel=2)
    return values
