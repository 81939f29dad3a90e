"""zemko: a solver for the two-machine flow shop with the total completion time objective.

Every job runs on machine 1, then on machine 2, in one order for both machines; the solver
looks for the order that minimises the sum of the jobs' completion times on machine 2.

    >>> import zemko
    >>> result = zemko.solve([3, 1], [2, 4])
    >>> result.objective, result.sequence
    (12, [1, 0])

solve takes one keyword per row of the settings table (see settings_table()). A solve
releases the interpreter's lock, so threads can solve in parallel; a progress callback follows
it, a stop object (a threading.Event, say) or Ctrl-C stops it, and it then returns its best so
far with the status interrupted.
"""

from __future__ import annotations

import errno
import os
import warnings
from typing import (Callable, Iterable, List, Literal, Optional, Protocol, SupportsIndex, Tuple,
                    TypedDict, Union, cast)

from . import _zemko
from ._zemko import Improvement, InputError, Job, Progress, Result, Status

__version__: str = _zemko.__version__

__all__ = ["solve", "objective", "read_jobs", "read_settings", "settings_table", "Settings",
           "Result", "Improvement", "Progress", "Status", "Job", "InputError", "StopFlag",
           "__version__"]

# Processing times: a list, a tuple, a numpy array, any iterable of integers.
Times = Iterable[SupportsIndex]
# A path: a str or an os.PathLike such as pathlib.Path.
Path = Union[str, "os.PathLike[str]"]


class StopFlag(Protocol):
    """What solve's stop argument is: anything whose is_set() tells it to stop."""

    def is_set(self) -> bool: ...


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
    time_limit: float
    step_limit: int
    seed: int
    proof_summary: bool


def settings_table() -> List[Tuple[str, str, int, str, str]]:
    """The settings: (keyword, key in the settings file, default, kind, meaning) per row.

    kind is "flag" for a switch (solve takes a bool), "number" for a whole number, "count" for
    a whole number of at least 0 and "seconds" for a float of at least 0.
    """
    return [(name, key, default, kind, description)
            for name, key, default, kind, description in _zemko.settings_table()]


_SETTINGS = settings_table()


def solve(p1: Times, p2: Times, *, route: int = 1, perturb: bool = True, alpha: int = 10,
          output: int = 0, beam: int = 50, filter: bool = False, pareto_beam: int = 0,
          better_ub: bool = False, recovery_step: bool = True, more_loops: bool = False,
          threads: int = 0, memory_limit: int = 0, time_limit: float = 0.0, step_limit: int = 0,
          seed: int = 1, proof_summary: bool = False, transcript: bool = False,
          progress: Optional[Callable[[Progress], None]] = None,
          stop: Optional[StopFlag] = None) -> Result:
    """Solves the instance whose jobs take p1[j] on machine 1 and p2[j] on machine 2.

    p1, p2: iterables (lists, tuples, numpy arrays) of integers of the same length.
    route: 1, the jobs visit machine 1 first; 2, machine 2 first.
    transcript: also return the console's text of the run in Result.transcript.
    progress: called with a Progress several times a second, on the calling thread; an error
      it raises stops the solve and is raised once the solve has ended.
    stop: an object with is_set() (a threading.Event), looked at several times a second; when
      set, the solve ends soon with its best so far and Status.interrupted, as on Ctrl-C.
    The other keywords are the settings, one per row of settings_table(), with its default
    (below). Bad times raise ValueError with the console's message (too many jobs, times too
    large), a setting out of its range ValueError, and a value of the wrong type TypeError.
    """
    if route not in (1, 2):
        raise ValueError(f"route must be 1 or 2, not {route}")
    if beam < 1:
        raise ValueError(f"beam must be at least 1, not {beam}")
    given = locals()
    return _zemko.solve(p1, p2, route, {name: given[name] for name, *_ in _SETTINGS}, transcript,
                        progress, stop)


solve.__doc__ = (solve.__doc__ or "") + "\n    Settings:\n" + "".join(
    f"      {name} = {default} ({key}): {description}\n"
    for name, key, default, _kind, description in _SETTINGS)


def objective(p1: Times, p2: Times, sequence: Iterable[SupportsIndex], *, route: int = 1) -> int:
    """The sum of the machine-2 completion times of a sequence of 0-based job indices."""
    return _zemko.objective(p1, p2, [int(j) for j in sequence], route)


def _existing_file(path: Path) -> str:
    name = os.fspath(path)
    if not os.path.isfile(name):
        raise FileNotFoundError(errno.ENOENT, "File not found", name)
    return name


def read_jobs(path: Path, *, layout: Literal["data", "benchmark", "matrix", "rows"] = "data"
              ) -> List[Job]:
    """Reads the jobs of a file: a list of Job (number, p1, p2, route).

    layout "data" (the default) reads zemko's data file as the console does. The others read the
    field's benchmark layouts, as zemko-convert does: a first line "n m" (or "n m seed
    upper_bound lower_bound"), then the times machine by machine ("matrix"), job by job
    ("rows"), or either as the lines tell ("benchmark").
    Raises FileNotFoundError for a missing file, ValueError with the console's or the
    converter's message when the file is refused.
    """
    name = _existing_file(path)
    if layout == "data":
        return _zemko.read_jobs(name)
    if layout not in ("benchmark", "matrix", "rows"):
        raise ValueError(f"layout must be data, benchmark, matrix or rows, not {layout!r}")
    with open(name, encoding="utf-8", errors="replace") as text:
        jobs, note = _zemko.read_benchmark(text.read(), "auto" if layout == "benchmark" else layout)
    if note:
        warnings.warn(note, stacklevel=2)
    return jobs


def read_settings(path: Path) -> Settings:
    """Reads a settings file as the console does: the keyword values for solve.

    solve(p1, p2, **read_settings(path)) solves with them. The file's warnings become
    UserWarnings; a missing file raises FileNotFoundError.
    """
    values, messages = _zemko.read_settings(_existing_file(path))
    for line in messages.strip().split("\n"):
        if line.strip():
            warnings.warn(line.strip(), stacklevel=2)
    kinds = {name: kind for name, _key, _default, kind, _description in _SETTINGS}
    return cast(Settings, {name: bool(value) if kinds[name] == "flag" else value
                           for name, value in values.items()})
