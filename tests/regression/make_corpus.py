#!/usr/bin/env python3
"""Writes the regression corpus: random instances and settings, each with the hash of what a
given zemko executable prints and writes for it (the console output without its time line,
ub.rep, and the objective field of the out.txt line).

    make_corpus.py --zemko PATH --gen PATH [--count N] [--seed S] > corpus.txt

Instances come from zemko-gen (Taillard's generator), so the test suite can make the same ones.
The corpus is made once with the plain solver; the test suite checks that the solver it builds
gives the same hashes, whatever the number of threads.
"""
import argparse
import os
import random
import subprocess
import sys
import tempfile

FNV_OFFSET = 0xCBF29CE484222325
FNV_PRIME = 0x100000001B3


def fnv1a64(data: bytes) -> int:
    h = FNV_OFFSET
    for b in data:
        h ^= b
        h = (h * FNV_PRIME) & 0xFFFFFFFFFFFFFFFF
    return h


def run_hash(zemko, workdir):
    run = subprocess.run([zemko, "instance.txt"], cwd=workdir, capture_output=True)
    lines = run.stdout.split(b"\n")
    console = b"\n".join(l for l in lines if not l.startswith(b"ZEMKO CPU Time : "))
    ub = open(os.path.join(workdir, "ub.rep"), "rb").read() if os.path.exists(
        os.path.join(workdir, "ub.rep")) else b""
    out = open(os.path.join(workdir, "out.txt"), "rb").read() if os.path.exists(
        os.path.join(workdir, "out.txt")) else b""
    objective = out.split(b" ")[0] if out else b""
    status = str(run.returncode).encode()
    return fnv1a64(console + b"\0" + ub + b"\0" + objective + b"\0" + status)


def random_case(rng, index):
    band = rng.random()
    if band < 0.40:
        n = rng.randint(0, 20)
    elif band < 0.75:
        n = rng.randint(21, 80)
    elif band < 0.94:
        n = rng.randint(81, 150)
    else:
        n = rng.randint(151, 200)
    low, high = rng.choice([(1, 100), (1, 100), (1, 10), (1, 3), (1, 1000), (20, 30)])
    route = 2 if rng.random() < 0.15 else 1
    seed = rng.randint(1, 2147483646)
    settings = []
    if rng.random() < 0.1:
        return n, seed, low, high, route, None
    if rng.random() < 0.5:
        settings.append("Perturb = %d" % rng.randint(0, 1))
    if rng.random() < 0.4:
        settings.append("ALPHA = %d" % rng.choice([0, 10, 30, 50, 100]))
    if rng.random() < 0.3:
        settings.append("OUTPUT = %d" % (rng.choice([1, 2]) if n <= 40 else 2))
    if rng.random() < 0.5:
        settings.append("Beam = %d" % rng.choice([1, 2, 3, 10, 50] + ([100] if n <= 60 else [])))
    if rng.random() < 0.4:
        settings.append("Filter = 1")
    if n <= 15 and rng.random() < 0.3:
        settings.append("ParetoBeam = %d" % rng.randint(1, 2))
    if n <= 80 and rng.random() < 0.4:
        settings.append("BetterUB = 1")
    if rng.random() < 0.3:
        settings.append("RecoveryStep = 0")
    if rng.random() < 0.4:
        settings.append("MoreLoops = 1")
    return n, seed, low, high, route, settings


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--zemko", required=True)
    parser.add_argument("--gen", required=True)
    parser.add_argument("--count", type=int, default=320)
    parser.add_argument("--seed", type=int, default=2026)
    args = parser.parse_args()
    rng = random.Random(args.seed)
    print("# id jobs seed low high route | settings, ';' between lines, '-' for no settings file | hash")
    for index in range(args.count):
        n, seed, low, high, route, settings = random_case(rng, index)
        with tempfile.TemporaryDirectory() as work:
            path = os.path.join(work, "instance.txt")
            text = b""
            if n > 0:
                text = subprocess.run([args.gen, "-n", str(n), "-s", str(seed), "-l", str(low),
                                       "-u", str(high), "-r", str(route)],
                                      check=True, capture_output=True).stdout
            with open(path, "wb") as data:
                data.write(text)
            if settings is not None:
                with open(os.path.join(work, "ZEMKO.INI"), "w") as ini:
                    ini.write("".join(line + "\n" for line in settings))
            digest = run_hash(args.zemko, work)
        text = "-" if settings is None else ";".join(settings)
        print("%d %d %d %d %d %d | %s | %016x" % (index, n, seed, low, high, route, text, digest))
        sys.stdout.flush()


if __name__ == "__main__":
    main()
