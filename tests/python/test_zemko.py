"""The Python module: the console's answers and messages, parallel solves, Ctrl-C."""

import inspect
import itertools
import json
import os
import pathlib
import pickle
import random
import signal
import threading
import time
import typing

import pytest

import zemko

SOURCE = pathlib.Path(__file__).resolve().parents[2]


def objective_of(p1, p2, sequence):
    """The sum of the machine-2 completion times, computed here, independently of the module."""
    c1 = c2 = total = 0
    for j in sequence:
        c1 += p1[j]
        c2 = max(c1, c2) + p2[j]
        total += c2
    return total


def random_instance(seed, n, low=1, high=100):
    rng = random.Random(seed)
    return [rng.randint(low, high) for _ in range(n)], [rng.randint(low, high) for _ in range(n)]


def test_solve_gives_the_consoles_answer_with_a_settings_file(tmp_path):
    settings_file = tmp_path / "ZEMKO.INI"
    settings_file.write_text(
        "Perturb = 0\nALPHA = 50\nBeam = 7\nFilter = 1\nBetterUB = 1\nMoreLoops = 1\n")
    jobs = zemko.read_jobs(str(SOURCE / "tests/data/ties15.txt"))
    settings = zemko.read_settings(str(settings_file))
    result = zemko.solve([j.p1 for j in jobs], [j.p2 for j in jobs], route=jobs[0].route,
                         **settings)
    golden = (SOURCE / "tests/data/golden/ties_all_options.ub.rep").read_text().split()
    assert result.status == zemko.Status.solved
    assert result.objective == int(golden[0])
    assert result.sequence == [int(j) for j in golden[1:]]


def test_objective_agrees_with_an_independent_evaluation():
    for seed in range(20):
        p1, p2 = random_instance(seed, 1 + seed % 9, low=-5 if seed % 3 == 0 else 0)
        for sequence in itertools.islice(itertools.permutations(range(len(p1))), 30):
            assert zemko.objective(p1, p2, sequence) == objective_of(p1, p2, sequence)
    # Route 2: the machines are exchanged, as the solver does.
    assert zemko.objective([3, 1], [2, 4], [0, 1], route=2) == objective_of([2, 4], [3, 1], [0, 1])


def test_bad_arguments_get_the_consoles_messages():
    with pytest.raises(ValueError, match="^Too many jobs: at most 501 can be loaded$"):
        zemko.solve([1] * 502, [1] * 502)
    with pytest.raises(ValueError, match="^Processing times too large$"):
        zemko.solve([536870912, 1], [0, 0])
    with pytest.raises(ValueError, match="differ in length"):
        zemko.solve([1, 2], [1])
    with pytest.raises(ValueError, match="Number too large"):
        zemko.solve([1, 2**40], [1, 2])
    with pytest.raises(TypeError):
        zemko.solve([1, 2.5], [1, 2])
    with pytest.raises(TypeError, match="unexpected keyword"):
        zemko.solve([1, 2], [1, 2], bream=3)
    with pytest.raises(FileNotFoundError):
        zemko.read_jobs("/nonexistent/instance.txt")
    with pytest.raises(FileNotFoundError):
        zemko.read_settings(pathlib.Path("/nonexistent/ZEMKO.INI"))
    for bad in ({"time_limit": -1}, {"time_limit": float("nan")}, {"threads": -2},
                {"step_limit": -5}, {"memory_limit": -1}, {"beam": 0}, {"route": 3}):
        with pytest.raises(ValueError):
            zemko.solve([1, 2], [3, 4], **bad)
    with pytest.raises(TypeError):
        zemko.solve([1, 2], [3, 4], time_limit="1")


def test_solves_in_several_threads_give_their_single_thread_results():
    cases = [(random_instance(seed, 40 + 15 * seed), {"beam": 20 + 10 * seed, "threads": 1})
             for seed in range(4)]
    alone = [zemko.solve(*times, **settings) for times, settings in cases]
    together = [None] * len(cases)

    def run(k):
        times, settings = cases[k]
        together[k] = zemko.solve(*times, **settings)

    threads = [threading.Thread(target=run, args=(k,)) for k in range(len(cases))]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    for a, b, (times, _) in zip(alone, together, cases):
        assert (b.objective, b.sequence) == (a.objective, a.sequence)
        assert objective_of(*times, b.sequence) == b.objective


def test_ctrl_c_stops_a_long_solve_which_returns_its_best_so_far():
    p1, p2 = random_instance(7, 500)
    sent = []

    def interrupt():
        sent.append(time.monotonic())
        os.kill(os.getpid(), signal.SIGINT)

    # A shell that starts a job in the background starts it with SIGINT ignored, and Python
    # then keeps it ignored: the test sets the usual handler itself.
    previous = signal.signal(signal.SIGINT, signal.default_int_handler)
    try:
        timer = threading.Timer(0.5, interrupt)
        timer.start()
        result = zemko.solve(p1, p2, beam=3000)
        stopped = time.monotonic()
        timer.join()
    finally:
        signal.signal(signal.SIGINT, previous)
    # A solve looks at its stop flag several times a second; 5 s leaves room for a loaded
    # machine, and the solve alone would take minutes.
    assert stopped - sent[0] < 5.0
    assert result.status == zemko.Status.interrupted
    assert result.objective is None or objective_of(p1, p2, result.sequence) == result.objective


def test_result_carries_every_field_of_a_run_with_a_time_limit():
    p1, p2 = random_instance(3, 30)
    result = zemko.solve(p1, p2, time_limit=1, beam=10, transcript=True)
    assert result.status == zemko.Status.solved
    assert objective_of(p1, p2, result.sequence) == result.objective
    assert result.root_lower_bound <= result.certified_lower_bound <= result.objective
    assert result.root_upper_bound >= result.objective
    assert 0 <= result.level_found <= 30 and 0 < result.end_level <= 30
    assert 0 < result.max_beam <= 10
    assert result.bounds_computed > 0 and result.recoveries > 0
    assert result.better_ub_solutions == 0 and result.lost_nodes == 0
    assert result.peak_memory > 0 and result.beam_complete and 1 <= result.beam_width <= 10
    assert result.improvement_steps >= 0 and isinstance(result.optimal, bool)
    previous = None
    for found in result.improvements:
        assert found.found_by in ("iterated greedy", "exact search", "level search")
        assert 0 <= found.step <= result.improvement_steps and found.seconds >= 0
        assert previous is None or found.objective < previous
        previous = found.objective
    assert previous is None or previous == result.objective
    assert "Certificate: lower bound" in result.transcript


def test_solve_and_settings_are_typed_by_the_settings_table(tmp_path):
    settings_file = tmp_path / "ZEMKO.INI"
    settings_file.write_text("Perturb = 0\nBeam = 7\n")
    rows = zemko.settings_table()
    hints = typing.get_type_hints(zemko.Settings)
    parameters = inspect.signature(zemko.solve).parameters
    assert list(hints) == [name for name, *_ in rows]
    assert [name for name in parameters if name in hints] == list(hints)
    for name, _key, default, kind, _meaning in rows:
        expected = {"flag": bool, "seconds": float}.get(kind, int)
        assert hints[name] is expected, name
        assert parameters[name].kind is inspect.Parameter.KEYWORD_ONLY
        assert type(parameters[name].default) is expected and parameters[name].default == default
    assert {"perturb", "recovery_step"} <= {name for name, *_, kind, _ in rows if kind == "flag"}
    read = zemko.read_settings(str(settings_file))
    assert all(type(value) is hints[name] for name, value in read.items())
    assert read["perturb"] is False and read["beam"] == 7


def test_results_follow_the_conventions_of_the_fields_modules(tmp_path):
    p1, p2 = random_instance(5, 25)
    timed = zemko.solve(p1, p2, time_limit=0.3, threads=1)
    assert timed.certified and timed.certified_lower_bound <= timed.objective
    assert 0 < timed.seconds and zemko.__version__ == zemko._zemko.__version__
    again = pickle.loads(pickle.dumps(timed))
    assert again.to_dict() == timed.to_dict() and again.sequence == timed.sequence
    assert json.loads(json.dumps(timed.to_dict()))["status"] == "solved"
    assert timed.gantt_svg().startswith("<svg") or "<svg" in timed.gantt_svg()[:200]
    # No value is None, never a sentinel: no sequence, no valid bound.
    empty = zemko.solve([], [])
    assert (empty.status, empty.objective, empty.certified_lower_bound) == (
        zemko.Status.no_jobs, None, None)
    assert zemko.solve([3, 1], [2, 4], route=1).certified_lower_bound is not None
    assert zemko.solve([-3, 1], [2, 4]).certified_lower_bound is None
    # Paths of any kind, and the field's benchmark layouts.
    (tmp_path / "matrix.txt").write_text("3 2\n5 1 7\n2 8 3\n")
    jobs = zemko.read_jobs(tmp_path / "matrix.txt", layout="benchmark")
    assert [(j.p1, j.p2) for j in jobs] == [(5, 2), (1, 8), (7, 3)]


def test_progress_is_told_and_a_stop_object_stops():
    p1, p2 = random_instance(9, 120)
    stop = threading.Event()
    seen = []

    def report(progress):
        seen.append(progress)
        if progress.improving:
            stop.set()

    result = zemko.solve(p1, p2, time_limit=30, progress=report, stop=stop)
    assert result.status == zemko.Status.interrupted and seen[-1].improving
    assert objective_of(p1, p2, result.sequence) == result.objective
    assert all(p.best_objective is None or p.best_objective >= result.objective for p in seen)

    def failing(progress):
        raise RuntimeError("from the callback")

    with pytest.raises(RuntimeError, match="from the callback"):
        zemko.solve(p1, p2, time_limit=30, progress=failing)
