#!/usr/bin/env python3
"""Runs the zemko executable and the Python reference model on random instances and settings
files, and compares what they print and write.

Every case is generated from the seed, its number and --max-jobs alone, so a case that differs
can be run again on its own with the options printed beside it. For each case both programs run in fresh temporary
directories holding the same data file, the same ZEMKO.INI (or none) and the same old out.txt;
the comparison covers the console output (with the run-time line blanked), ub.rep, the objective
field of the out.txt lines and the exit status.

After the random cases come a few fixed ones: ALPHA at the ends of its range, and a wide beam
that fills more than one node zone (the slow one; --no-storage skips it, --storage-only runs
it alone).

Exits 0 when every case agrees, 1 otherwise. The last line reads "N passed, M failed".
"""

import argparse
import difflib
import itertools
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
REFERENCE = os.path.join(HERE, "zemko_ref.py")
DEFAULT_ZEMKO = os.path.join(HERE, "..", "..", "build", "zemko")

TIME_LINE = re.compile(rb"^ZEMKO CPU Time : .*$", re.MULTILINE)


# ---------------------------------------------------------------------------------------------
# Instances


def pick_times(rng, n):
    """Processing times from one of several ranges: narrow ones make ties, wide ones do not."""
    kind = rng.choices(
        ["narrow", "zeros", "medium", "wide", "negative", "equal", "large"],
        weights=[30, 8, 15, 30, 5, 5, 3])[0]
    if kind == "narrow":
        lo, hi = 1, rng.choice([2, 3, 5])
    elif kind == "zeros":
        lo, hi = 0, 3
    elif kind == "medium":
        lo, hi = 1, 20
    elif kind == "wide":
        lo, hi = 1, 100
    elif kind == "negative":
        lo, hi = -5, 5
    elif kind == "equal":
        lo, hi = 4, 4
    else:
        # Near the limit on n * sum(|p1| + |p2|), so objectives come close to 2^30.
        limit = 1073741823 // max(1, n * n * 2)
        lo, hi = limit // 2, limit
    times = []
    for _ in range(n):
        p1 = rng.randint(lo, hi)
        p2 = rng.randint(lo, hi)
        if p1 == 0 and p2 == 0:
            p2 = 1      # keep it a job; zero lines are made on purpose below
        times.append((p1, p2))
    return times, kind


def pick_routes(rng, n):
    kind = rng.choices(["one", "two", "mixed", "invalid", "omitted"],
                       weights=[70, 12, 6, 8, 4])[0]
    routes = []
    for _ in range(n):
        if kind == "one":
            routes.append(1)
        elif kind == "two":
            routes.append(2)
        elif kind == "mixed":
            routes.append(rng.choice([1, 2]))
        elif kind == "invalid":
            routes.append(rng.choice([1, 1, 0, 3, 7, -1, 12]))
        else:
            routes.append(None)
    if kind == "mixed" and n >= 2 and len(set(routes)) == 1:
        routes[rng.randrange(n)] = 3 - routes[0]
    return routes, kind


def job_line(rng, job_id, p1, p2, route):
    sep = rng.choice([" ", " ", " ", "  ", "\t", " \t "])
    fields = [str(job_id), str(p1), str(p2)]
    if route is not None:
        fields.append(str(route))
    text = sep.join(fields)
    style = rng.random()
    if style < 0.05:
        text = "   " + text + "    "                       # long line, padded
    elif style < 0.08:
        text = text + " trailing words after the job"
    elif style < 0.10 and p1 > 0:
        text = text.replace(str(p1), "+" + str(p1), 1)
    return text


def make_instance(rng, max_jobs):
    """Returns (data file bytes, short description)."""
    if rng.random() < 0.5:
        n = rng.randint(0, min(max_jobs, 6))
    else:
        n = rng.randint(0, max_jobs)
    times, time_kind = pick_times(rng, n)
    routes, route_kind = pick_routes(rng, n)
    sequential_ids = rng.random() < 0.8

    lines = []
    if rng.random() < 0.15:
        lines.append(rng.choice(["job p1 p2 route", "# instance", "id\tp1\tp2\troute"]))
    for k in range(n):
        r = rng.random()
        if r < 0.05:
            lines.append("")
        elif r < 0.08:
            lines.append("%d 0 0 %d" % (k + 100, rng.choice([1, 2, 5])))   # not a job
        elif r < 0.10:
            lines.append("0 0 0")
        job_id = k + 1 if sequential_ids else rng.randint(-50, 999)
        p1, p2 = times[k]
        lines.append(job_line(rng, job_id, p1, p2, routes[k]))

    extra = rng.random()
    if extra < 0.03:
        lines.append("%d 3-4 1" % (n + 1))              # reads as p1 3, p2 -4
    elif extra < 0.06:
        lines.append("%d 2.5 7 1" % (n + 1))            # stops at the dot
    elif extra < 0.08:
        lines.append("%d 5" % (n + 1))                  # p2 and route from the slot
    elif extra < 0.09:
        lines.insert(rng.randint(0, len(lines)), "1 2 99999999999 1")
    elif extra < 0.10:
        lines.append("%d 4 2 1 99999999999" % (n + 1))  # a fifth number is not read
    elif extra < 0.11:
        lines.append("1 600000000 600000000 1")         # times too large
    elif extra < 0.12:
        lines.append("-2147483648 0 0 2147483647")      # extreme but in range, not a job
    elif extra < 0.13:
        lines.append("%d x 99999999999" % (n + 1))      # not read past the x
    elif extra < 0.135:
        lines.extend("%d 1 2 1" % (k + 1) for k in range(502 - n))  # one job too many
    if rng.random() < 0.05:
        lines.append("")

    eol = "\r\n" if rng.random() < 0.08 else "\n"
    text = eol.join(lines)
    if lines and rng.random() < 0.85:
        text += eol
    data = text.encode("ascii")
    if rng.random() < 0.04:
        data = b"\xef\xbb\xbf" + data
    description = "n=%d times=%s routes=%s" % (n, time_kind, route_kind)
    return data, n, description


# ---------------------------------------------------------------------------------------------
# Settings files


def make_settings(rng, n):
    """Returns the bytes of a ZEMKO.INI, or None for no file."""
    if rng.random() < 0.15:
        return None
    small = n <= 7
    values = {
        "Perturb": [0, 1, 1, 2],
        "ALPHA": [0, 10, 10, 50, 100, -10, -100, 150, 2147483647, -2147483648],
        "OUTPUT": [0, 0, 1, 1, 2],
        "Beam": [0, 1, 2, 3, 5, 10, 50, -3] + ([5000, 6000] if n <= 5 else []),
        "Filter": [0, 1],
        "ParetoBeam": [0, 1, 2] if small else [0],
        "BetterUB": [0, 1],
        "RecoveryStep": [0, 1],
        "MoreLoops": [0, 1],
    }
    spellings = {"Beam": ["Beam", "BeamWidth"], "ALPHA": ["ALPHA", "ALPHAX"]}
    keys = list(values)
    rng.shuffle(keys)
    chosen = keys[:rng.randint(0, len(keys))]

    lines = []
    if rng.random() < 0.3:
        lines.append("/* settings for one run */")
    for key in chosen:
        value = rng.choice(values[key])
        name = rng.choice(spellings.get(key, [key]))
        form = rng.random()
        if form < 0.8:
            lines.append("%s = %d" % (name, value))
        elif form < 0.9:
            lines.append("%s =%d" % (name, value))
        else:
            lines.append("  %s\t=\t%d  " % (name, value))
        if rng.random() < 0.1:
            lines.append("")
    odd = rng.random()
    if odd < 0.05:
        lines.append("Foo = 3")                             # unknown key
    elif odd < 0.08:
        lines.append(rng.choice(["Beam", "Beam=7", "Filter = x", "beam = 4"]))
    elif odd < 0.10:
        lines.append(rng.choice(["Beam = 99999999999", "ALPHA = -2147483649"]))
    elif odd < 0.12:
        lines.append("/*Beam = 1")
    elif odd < 0.14:
        lines.append(rng.choice(["Bea = 2", " \t ", "= 5", "Perturb = 1 extra words",
                                 "Beam\0 = 2"]))

    eol = "\r\n" if rng.random() < 0.05 else "\n"
    text = eol.join(lines)
    if lines and rng.random() < 0.8:
        text += eol
    data = text.encode("ascii")
    if rng.random() < 0.03:
        data = b"\xef\xbb\xbf" + data
    return data


# ---------------------------------------------------------------------------------------------
# Running and comparing


class Case(object):
    def __init__(self, seed, number, max_jobs):
        rng = random.Random("%s/%d" % (seed, number))
        self.name = ("case %d (--seed %s --first %d --count 1 --max-jobs %d --no-storage)"
                     % (number, seed, number, max_jobs))
        self.data, self.n, self.description = make_instance(rng, max_jobs)
        self.settings = make_settings(rng, self.n)
        self.old_out = b"123 4\n" if rng.random() < 0.2 else None
        # A directory in place of a result file makes writing it fail.
        self.blocked = None
        if rng.random() < 0.01:
            self.blocked = rng.choice(["ub.rep", "out.txt"])
        self.data_name = rng.choice(["jobs.txt"] * 8 + ["sub dir/jobs 1.txt", "./jobs.txt"])
        r = rng.random()
        if r < 0.01:
            self.args = []                      # usage text
        elif r < 0.02:
            self.args = ["no_such_file.txt"]
        elif r < 0.03:
            self.args = [self.data_name, "extra"]
        else:
            self.args = [self.data_name]


# A wide beam on 14 jobs: one level holds more than 40000 nodes, so a second node zone is
# allocated and the free stack overflows (lost nodes). The slowest case by far, about 15 s.
STORAGE_JOBS = [
    (8867, 6528), (1288, 894), (2622, 1143), (1117, 2280), (2963, 2160), (2506, 4540),
    (850, 9346), (8809, 5843), (6699, 5849), (4399, 5804), (5161, 6958), (6652, 5567),
    (5547, 9952), (5276, 6994),
]


class FixedCase(object):
    def __init__(self, name, description, jobs, settings):
        self.name = name
        self.description = description
        self.data = "".join("%d %d %d 1\n" % (k + 1, p1, p2)
                            for k, (p1, p2) in enumerate(jobs)).encode("ascii")
        self.settings = settings
        self.old_out = None
        self.blocked = None
        self.data_name = "jobs.txt"
        self.args = ["jobs.txt"]


def storage_case():
    return FixedCase("the node-storage case (--storage-only)",
                     "n=14, more than 40000 nodes at one level", STORAGE_JOBS,
                     b"ParetoBeam = 2\nRecoveryStep = 0\n")


def extreme_alpha_cases():
    """Scores at the ends of the ALPHA range: 100 - ALPHA does not fit 32 bits below
    -2147483547, and the ranking of children must not change there."""
    jobs = [(5, 6), (9, 1), (8, 4)]
    return [FixedCase("the ALPHA = %d case" % alpha, "n=3, ALPHA at the end of its range",
                      jobs, b"ALPHA = %d\nOUTPUT = 1\n" % alpha)
            for alpha in (-2147483547, -2147483548, -2147483648, 2147483647)]


def run_program(command, case, timeout):
    work = tempfile.mkdtemp(prefix="zemko_cmp_")
    try:
        data_path = os.path.join(work, case.data_name)
        os.makedirs(os.path.dirname(data_path), exist_ok=True)
        with open(data_path, "wb") as f:
            f.write(case.data)
        if case.blocked is not None:
            os.mkdir(os.path.join(work, case.blocked))
        if case.settings is not None:
            with open(os.path.join(work, "ZEMKO.INI"), "wb") as f:
                f.write(case.settings)
        if case.old_out is not None and case.blocked != "out.txt":
            with open(os.path.join(work, "out.txt"), "wb") as f:
                f.write(case.old_out)
        try:
            proc = subprocess.run(command + case.args, cwd=work, stdout=subprocess.PIPE,
                                  stderr=subprocess.PIPE, stdin=subprocess.DEVNULL,
                                  timeout=timeout)
            status = proc.returncode
            stdout = proc.stdout
        except subprocess.TimeoutExpired as expired:
            status = "timeout"
            stdout = expired.stdout or b""
        result = {"status": status, "stdout": TIME_LINE.sub(b"ZEMKO CPU Time : <time>", stdout)}
        for name in ("ub.rep", "out.txt"):
            path = os.path.join(work, name)
            if os.path.isdir(path):
                result[name] = b"(a directory)"
            elif os.path.exists(path):
                with open(path, "rb") as f:
                    content = f.read()
                if name == "out.txt":
                    # The seconds field may differ: keep the objective of each line.
                    content = b"\n".join(line.split(b" ")[0] for line in content.split(b"\n"))
                result[name] = content
            else:
                result[name] = None
        return result
    finally:
        shutil.rmtree(work, ignore_errors=True)


def show(data):
    if data is None:
        return "(no file)\n"
    text = data.decode("latin-1")
    return text if text.endswith("\n") else text + "\n(no line end)\n"


def differences(actual, expected):
    """Lines describing every difference, with unified diffs (reference first)."""
    report = []
    if actual["status"] != expected["status"]:
        report.append("exit status: reference %s, zemko %s\n"
                      % (expected["status"], actual["status"]))
    for key in ("stdout", "ub.rep", "out.txt"):
        if actual[key] != expected[key]:
            report.append("%s differs:\n" % key)
            a = show(expected[key]).splitlines(True)
            b = show(actual[key]).splitlines(True)
            report.extend(difflib.unified_diff(a, b, "reference", "zemko"))
    return report


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--zemko", default=DEFAULT_ZEMKO, help="the zemko executable")
    parser.add_argument("--count", type=int, default=120, help="number of cases")
    parser.add_argument("--seed", default="1", help="seed of the case generator")
    parser.add_argument("--first", type=int, default=0, help="number of the first case")
    parser.add_argument("--max-jobs", type=int, default=12, help="most jobs in an instance")
    parser.add_argument("--timeout", type=float, default=120.0, help="seconds per program run")
    parser.add_argument("--show-all", action="store_true",
                        help="print every mismatch in full, not only the first")
    storage = parser.add_mutually_exclusive_group()
    storage.add_argument("--no-storage", action="store_true",
                         help="skip the slow node-storage case")
    storage.add_argument("--storage-only", action="store_true",
                         help="run the node-storage case alone")
    options = parser.parse_args()

    zemko = os.path.abspath(options.zemko)
    if not os.access(zemko, os.X_OK):
        print("zemko executable not found: %s" % zemko)
        return 2
    reference = [sys.executable, REFERENCE]

    cases = []
    if not options.storage_only:
        cases = itertools.chain(
            (Case(options.seed, number, options.max_jobs)
             for number in range(options.first, options.first + options.count)),
            extreme_alpha_cases())
    if not options.no_storage:
        cases = itertools.chain(cases, [storage_case()])

    passed = 0
    failed = []
    started = time.time()
    for case in cases:
        expected = run_program(reference, case, options.timeout)
        actual = run_program([zemko], case, options.timeout)
        report = differences(actual, expected)
        if not report:
            passed += 1
            continue
        failed.append(case.name)
        print("MISMATCH in %s: %s" % (case.name, case.description))
        if len(failed) == 1 or options.show_all:
            print("arguments: %s" % " ".join(repr(arg) for arg in case.args))
            if case.blocked is not None:
                print("%s is a directory before the run" % case.blocked)
            print("--- data file %s ---" % case.data_name)
            sys.stdout.write(show(case.data))
            print("--- ZEMKO.INI ---")
            sys.stdout.write(show(case.settings))
            if case.old_out is not None:
                print("--- out.txt before the run ---")
                sys.stdout.write(show(case.old_out))
            print("--- differences ---")
            sys.stdout.write("".join(report))
        sys.stdout.flush()

    elapsed = time.time() - started
    print("compared %d cases (seed %s) in %.1f s" % (passed + len(failed), options.seed, elapsed))
    for name in failed:
        print("differs: %s" % name)
    print("%d passed, %d failed" % (passed, len(failed)))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
