#!/usr/bin/env python3
"""Reference model of the zemko solver, written independently of the C++ sources.

Usage: python3 zemko_ref.py <data file>

It reads ZEMKO.INI from the current directory, prints the same console transcript as the
solver (only the run time differs), writes ub.rep and appends one line to out.txt, and ends
with the same exit status. It is a plain, step-by-step model of the solver meant as an oracle
for the comparison tests, not a fast solver: every loop is written out as the solver runs it,
so that ties, rounding and node-storage counts come out exactly the same.

Integer arithmetic: the data-file checks keep every time, objective and bound inside signed
32 bits, so Python integers give the same values; scores are 64-bit in the solver and cannot
overflow there either. Doubles are Python floats, evaluated in the same order as the solver.
"""

import os
import sys
import time

INT_MAX = 2147483647
INT_MIN = -2147483648
MAX_JOBS = 501
NUM_LISTS = 21
KEY_EPS = 1e-7
ZONE_NODES = 40000
FREE_STACK_SIZE = 40000
LIST_POOL_SIZE = 200
BEAM_SLOTS = 5000

WHITESPACE = b" \t\n\v\f\r"
DIGITS = b"0123456789"


class Exit(Exception):
    """Ends the run with the given exit status after the output so far is flushed."""

    def __init__(self, status):
        Exception.__init__(self, status)
        self.status = status


# ---------------------------------------------------------------------------------------------
# Console output: everything goes through one byte buffer, written out at the end.

_out = []


def emit(text):
    _out.append(text.encode("latin-1") if isinstance(text, str) else text)


def flush_output():
    data = b"".join(_out)
    del _out[:]
    sys.stdout.buffer.write(data)
    sys.stdout.buffer.flush()


# ---------------------------------------------------------------------------------------------
# Run state (the solver's globals).


class Settings(object):
    def __init__(self):
        self.Perturb = 1
        self.ALPHA = 10
        self.OUTPUT = 0
        self.Beam = 50
        self.Filter = 0
        self.ParetoBeam = 0
        self.BetterUB = 0
        self.RecoveryStep = 1
        self.MoreLoops = 0


# Key table of the settings file, searched in this order; None: a comment row.
SETTING_ROWS = [
    (b"/*", None),
    (b"Perturb", "Perturb"),
    (b"ALPHA", "ALPHA"),
    (b"OUTPUT", "OUTPUT"),
    (b"Beam", "Beam"),
    (b"Filter", "Filter"),
    (b"ParetoBeam", "ParetoBeam"),
    (b"BetterUB", "BetterUB"),
    (b"RecoveryStep", "RecoveryStep"),
    (b"MoreLoops", "MoreLoops"),
]


class Node(object):
    __slots__ = ("seq", "unscheduled", "c1", "c2", "c1_of", "c2_of", "c2sum", "level", "lb",
                 "ub", "next")

    def __init__(self, n):
        self.seq = [0] * n
        self.unscheduled = [0] * n
        self.c1 = 0
        self.c2 = 0
        self.c1_of = [0] * n
        self.c2_of = [0] * n
        self.c2sum = 0
        self.level = 0
        self.lb = 0
        self.ub = 0
        self.next = None


class BeamList(object):
    __slots__ = ("tag", "head", "next")

    def __init__(self):
        self.tag = 0
        self.head = None
        self.next = None


class Solver(object):
    def __init__(self):
        # The job table, one entry per accepted job in file order: number, times, route.
        self.ids = []
        self.p1 = []
        self.p2 = []
        self.routes = []
        self.n = 0
        self.settings = Settings()

        # Best solution of the run.
        self.best_fo = INT_MAX
        self.best_seq = []
        self.best_level = 0

        # Counters.
        self.bounds_computed = 0
        self.recoveries = 0
        self.better_ub_count = 0
        self.max_beam = 0
        self.end_level = 0

        # Node storage.
        self.zones = []         # per zone, from the first: nodes handed out from it
        self.zones_live = 0
        self.free_nodes = []
        self.lost_nodes = 0
        self.lists_live = 0
        self.list_pool = []
        self.current_beam = None

        # Orders, lists and weights.
        self.order_p1 = []      # (job, p1) pairs
        self.prio_list = []
        self.prio_weight = []
        self.dom_matrix = []
        self.list_ub = INT_MAX

        # Selection tables.
        self.tables_allocated = False
        self.child_nodes = []
        self.child_rank = []
        self.child_score = []

    # -----------------------------------------------------------------------------------------
    # Job data file

    def read_jobs(self, file_name):
        self.bounds_computed = 0
        try:
            with open(file_name, "rb") as f:
                data = f.read()
        except OSError:
            emit("\n\nFile not found\n\n")
            raise Exit(1)
        if data.startswith(b"\xef\xbb\xbf"):
            data = data[3:]

        # The slot being filled: fields a line does not supply keep what the slot holds.
        slot = [0, 0, 0, 0]     # id, p1, p2, route
        jobs = []               # [id, p1, p2, route] of each accepted job
        for line_no, line in enumerate(split_lines(data), 1):
            values = scan_ints(line, 4)
            for v in values:
                if v < INT_MIN or v > INT_MAX:
                    emit("\n\nNumber too large in data file at line %d\n\n" % line_no)
                    raise Exit(1)
            for k, v in enumerate(values):
                slot[k] = v
            if slot[1] != 0 or slot[2] != 0:
                if len(jobs) == MAX_JOBS:
                    emit("\n\nToo many jobs: at most 501 can be loaded\n\n")
                    raise Exit(1)
                if slot[3] != 1 and slot[3] != 2:
                    slot[3] = 1
                jobs.append(slot)
                slot = [0, 0, 0, 0]

        n = len(jobs)
        total = 0
        for job in jobs:
            total += abs(job[1]) + abs(job[2])
        if n * total > 1073741823:
            emit("\n\nProcessing times too large\n\n")
            raise Exit(1)

        self.ids = [job[0] for job in jobs]
        self.p1 = [job[1] for job in jobs]
        self.p2 = [job[2] for job in jobs]
        self.routes = [job[3] for job in jobs]
        self.n = n
        self.best_seq = [0] * n
        emit(b"\n'" + file_name + b"' : " + (b"%d Jobs loaded.\n" % n))
        return 0

    # -----------------------------------------------------------------------------------------
    # Settings file

    def read_settings(self):
        st = self.settings
        st.__init__()
        try:
            with open("ZEMKO.INI", "rb") as f:
                data = f.read()
        except OSError:
            emit("\nFile ZEMKO.INI not found. Using default configuration.\n\n")
            return 0
        if data.startswith(b"\xef\xbb\xbf"):
            data = data[3:]

        for line_no, line in enumerate(split_lines(data), 1):
            parsed = scan_setting(line)
            if parsed is None:
                continue        # blank line
            key, value = parsed
            matched = None
            for row_key, name in SETTING_ROWS:
                if key.startswith(row_key):
                    matched = (row_key, name)
                    break
            if matched is None:
                emit("\nWarning : Unknown message in ZEMKO Config File at line %d\n" % line_no)
                continue
            name = matched[1]
            if name is None:
                continue        # comment
            if value is None:
                emit("\nWarning : Missing value in ZEMKO Config File at line %d\n" % line_no)
            elif value < INT_MIN or value > INT_MAX:
                emit("\nWarning : Value out of range in ZEMKO Config File at line %d\n"
                     % line_no)
            else:
                setattr(st, name, value)
        return 0

    # -----------------------------------------------------------------------------------------
    # Nodes and sequences

    def copy_node(self, dst, src):
        dst.seq = src.seq[:]
        dst.unscheduled = src.unscheduled[:]
        dst.c1 = src.c1
        dst.c2 = src.c2
        dst.c1_of = src.c1_of[:]
        dst.c2_of = src.c2_of[:]
        dst.c2sum = src.c2sum
        dst.level = src.level
        dst.lb = src.lb
        dst.next = src.next
        return 0

    def append_job(self, node, j):
        node.seq[node.level] = j
        node.level += 1
        node.unscheduled[j] = 0
        node.c1 += self.p1[j]
        node.c2 = max(node.c2, node.c1) + self.p2[j]
        node.c1_of[j] = node.c1
        node.c2_of[j] = node.c2
        node.c2sum += node.c2
        return 0

    def rebuild_node(self, node, seq, count):
        for i in range(self.n):
            node.unscheduled[i] = 1
        node.c1 = 0
        node.c2 = 0
        node.c2sum = 0
        node.level = 0
        node.lb = 0
        for k in range(count):
            self.append_job(node, seq[k])
        return 0

    def eval_seq(self, seq, count, c1, c2):
        """Returns (sum of machine-2 completion times, final c1, final c2)."""
        p1 = self.p1
        p2 = self.p2
        total = 0
        for i in range(count):
            j = seq[i]
            c1 += p1[j]
            c2 = (c1 if c1 > c2 else c2) + p2[j]
            total += c2
        return total, c1, c2

    # -----------------------------------------------------------------------------------------
    # Node storage and beam lists

    def reset_storage(self):
        self.zones_live = 0
        self.lists_live = 0
        self.lost_nodes = 0
        self.list_pool = []
        self.free_nodes = []
        self.current_beam = None
        self.zones = []

    def new_node(self):
        if self.free_nodes:
            return self.free_nodes.pop()
        if not self.zones:
            self.zones.append(0)
            self.zones_live += 1
        if self.zones[-1] == ZONE_NODES:
            emit("MEM: Allocating new zone. Lost nodes = %d." % self.lost_nodes)
            self.zones.append(0)
            self.zones_live += 1
        self.zones[-1] += 1
        return Node(self.n)

    def release_node(self, node):
        if len(self.free_nodes) == FREE_STACK_SIZE:
            self.lost_nodes += 1
        else:
            self.free_nodes.append(node)

    def new_list_record(self):
        if self.list_pool:
            return self.list_pool.pop()
        self.lists_live += 1
        return BeamList()

    def free_list_record(self, rec):
        if len(self.list_pool) < LIST_POOL_SIZE:
            self.list_pool.append(rec)
        else:
            self.lists_live -= 1

    def push_beam_node(self, node):
        if self.current_beam is None:
            rec = self.new_list_record()
            rec.head = None
            rec.tag = 0
            rec.next = None
            self.current_beam = rec
        node.next = self.current_beam.head
        self.current_beam.head = node

    def pop_beam_node(self):
        rec = self.current_beam
        if rec is None or rec.head is None:
            return None
        node = rec.head
        rec.head = node.next
        if rec.head is None:
            self.current_beam = rec.next
            self.free_list_record(rec)
        return node

    def beam_not_empty(self):
        return self.current_beam is not None

    def release_all_memory(self):
        for _ in self.zones:
            self.zones_live -= 1
        self.zones = []
        rec = self.current_beam
        while rec is not None:
            self.lists_live -= 1
            rec = rec.next
        self.current_beam = None
        self.lists_live -= len(self.list_pool)
        self.list_pool = []
        if self.tables_allocated:
            self.free_selection_tables()
        if self.zones_live != 0:
            emit("WARNING : Abnormal memory use!\n")
        if self.lists_live != 0:
            emit("WARNING : Abnormal memory use!\n")

    # -----------------------------------------------------------------------------------------
    # Job orders and priority lists

    def build_priority_lists(self):
        p1 = self.p1
        p2 = self.p2
        n = self.n

        entries = [(i, p1[i]) for i in range(n)]
        self.order_p1 = insertion_sort(entries, compare_job_keys)

        self.prio_weight = [[k * 0.05 for _ in range(n)] for k in range(NUM_LISTS)]
        self.prio_list = []
        for k in range(NUM_LISTS):
            w = k * 0.05
            scratch = [(j, (1 - w) * p2[j] + w * p1[j]) for j in range(n)]
            scratch = insertion_sort(scratch, compare_real_keys)
            self.prio_list.append([job for job, _ in scratch])

        if self.settings.Perturb == 0:
            return 0

        for k in range(NUM_LISTS):
            lst = self.prio_list[k]
            weight = self.prio_weight[k]
            m = self.order_p1[0][1] if n > 0 else 0
            s1 = 0
            s2 = m
            for p in range(n):
                jj = lst[p]
                w_j = weight[jj]
                low = -999999.0
                high = 999999.0
                for q in range(n):
                    ii = lst[q]
                    if ii == jj or p1[ii] == p2[ii]:
                        continue
                    w_i = weight[ii]
                    x = (1 - w_i) * p2[jj] + w_i * p1[jj]
                    y = (1 - w_j) * p2[ii] + w_j * p1[ii]
                    d = x - y
                    if -KEY_EPS < d < KEY_EPS:
                        if q < p:
                            if p1[ii] > p2[ii]:
                                high = 0.0
                            else:
                                low = 0.0
                        else:
                            if p1[ii] > p2[ii]:
                                low = 0.0
                            else:
                                high = 0.0
                    else:
                        r = d / (p1[ii] - p2[ii])
                        if r > 0:
                            if r < high:
                                high = r
                        elif r < 0:
                            if r > low:
                                low = r
                s1 = s1 + p1[jj]
                s2 = s2 + p2[jj]
                e1 = s1 + p2[jj]
                e2 = s2
                if e1 > e2:
                    w_j = w_j + high
                elif e1 < e2:
                    w_j = w_j + low
                if w_j < 0:
                    w_j = 0.0
                if w_j > 1:
                    w_j = 1.0
                weight[jj] = w_j
        return 0

    # -----------------------------------------------------------------------------------------
    # Node bounds

    def compute_list_bounds(self, node):
        p1 = self.p1
        p2 = self.p2
        n = self.n
        self.list_ub = INT_MAX
        e_star = 0.0
        work = node.seq[:n]
        best_work = None
        unscheduled = node.unscheduled

        start = node.c2
        for job, key in self.order_p1:
            if unscheduled[job]:
                if node.c1 + key > start:
                    start = node.c1 + key
                break

        for l in range(NUM_LISTS):
            weight = self.prio_weight[l]
            r1 = node.c1
            r2 = start
            e = 0.0
            pos = node.level
            for j in self.prio_list[l]:
                if not unscheduled[j]:
                    continue
                work[pos] = j
                pos += 1
                r1 = r1 + p1[j]
                r2 = r2 + p2[j]
                w = weight[j]
                e = e + w * (r1 + p2[j]) + (1 - w) * r2
            if e > e_star:
                e_star = e
            value = self.eval_seq(work, n, 0, 0)[0]
            if value < self.list_ub:
                self.list_ub = value
                best_work = work[:]

        if self.list_ub < self.best_fo:
            self.best_fo = self.list_ub
            self.best_seq = best_work[:n]
            self.best_level = node.level

        return int(node.c2sum + e_star + 0.9999999)

    def bound_node(self, node):
        """Returns (LB, UB); stores the LB in the node."""
        lb = self.compute_list_bounds(node)
        ub = self.list_ub
        if self.settings.BetterUB != 0:
            g = self.greedy_completion(node)
            if g < ub:
                ub = g
                if lb > g:
                    emit("<WARNING_LB>")
                self.better_ub_count += 1
        node.lb = lb
        return lb, ub

    # -----------------------------------------------------------------------------------------
    # Greedy completion

    def greedy_completion(self, node):
        p1 = self.p1
        p2 = self.p2
        n = self.n
        order = self.order_p1
        flags = node.unscheduled[:n]
        work = node.seq[:n]
        r1 = node.c1
        r2 = node.c2
        z = node.c2sum
        i = node.level
        while i < n:
            px = 0
            while not flags[order[px][0]]:
                px += 1
            x = order[px][0]
            for k in range(px + 1, n):
                y = order[k][0]
                if not flags[y]:
                    continue
                x1 = max(r1 + p1[x], r2) + p2[x]
                y2 = max(r1 + p1[x] + p1[y], x1) + p2[y]
                x_first = x1 + y2
                y1 = max(r1 + p1[y], r2) + p2[y]
                x2 = max(r1 + p1[x] + p1[y], y1) + p2[x]
                y_first = y1 + x2
                if y_first < x_first:
                    x = y
            r1 = r1 + p1[x]
            r2 = max(r1, r2) + p2[x]
            z = z + r2
            flags[x] = 0
            work[i] = x
            i += 1
        if z < self.best_fo:
            self.best_fo = z
            self.best_seq = work[:n]
            self.best_level = node.level
        return z

    # -----------------------------------------------------------------------------------------
    # Dominance tests on children

    def build_dominance_matrix(self):
        p1 = self.p1
        p2 = self.p2
        n = self.n
        self.dom_matrix = [[1 if (i != k and p1[i] <= p1[k]
                                  and p2[i] >= p2[k]) else 0
                            for k in range(n)] for i in range(n)]
        return 0

    def next_completion(self, node, x):
        return max(node.c1 + self.p1[x], node.c2) + self.p2[x]

    def skip_by_pair_rule(self, node, j):
        p1 = self.p1
        p2 = self.p2
        a_j = self.next_completion(node, j)
        for i in range(self.n):
            if not node.unscheduled[i] or i == j or self.dom_matrix[i][j] != 1:
                continue
            if self.next_completion(node, i) <= a_j:
                if p1[i] == p1[j] and p2[i] == p2[j] and i > j:
                    continue
                return 1
        return 0

    def skip_by_min_job_rule(self, node, j):
        p1 = self.p1
        p2 = self.p2
        a = -1
        b = -1
        for i in range(self.n):
            if not node.unscheduled[i]:
                continue
            if a < 0 or p1[i] < p1[a]:
                a = i
            if b < 0 or p2[i] < p2[b]:
                b = i
        if a == b and p1[a] <= p2[a] and j != a:
            return 1
        return 0

    def skip_by_filter_rule(self, node, j):
        if self.settings.Filter == 0:
            return 0
        p1 = self.p1
        p2 = self.p2
        for i in range(self.n):
            if not node.unscheduled[i]:
                continue
            if p1[i] <= p1[j] and p2[i] <= p2[j] and (
                    p1[i] < p1[j] or p2[i] < p2[j] or i < j):
                return 1
        return 0

    # -----------------------------------------------------------------------------------------
    # Child generation

    def expand_node(self, parent, row):
        n = self.n
        st = self.settings
        generated = 0
        m = 0
        nodes_row = self.child_nodes[row]
        rank_row = self.child_rank[row]
        score_row = self.child_score[row]
        for j in range(n):
            if not parent.unscheduled[j]:
                continue
            if (self.skip_by_pair_rule(parent, j) or self.skip_by_min_job_rule(parent, j)
                    or self.skip_by_filter_rule(parent, j)):
                continue
            generated += 1
            child = self.new_node()
            self.copy_node(child, parent)
            self.append_job(child, j)
            if child.level == n - 1:
                self.recover_node(child)
                k = 0
                while child.unscheduled[k] != 1:
                    k += 1
                self.append_job(child, k)
                self.recover_node(child)
                if child.c2sum < self.best_fo:
                    self.best_fo = child.c2sum
                    self.best_seq = child.seq[:n]
                    self.best_level = child.level
                self.release_node(child)
                continue
            lb, ub = self.bound_node(child)
            child.ub = ub
            score = st.ALPHA * ub + (100 - st.ALPHA) * lb
            a = m
            nodes_row[a] = child
            m += 1
            r = 0
            while r < a and rank_row[r] != -1 and not score_row[r] > score:
                r += 1
            for t in range(a, r, -1):
                rank_row[t] = rank_row[t - 1]
                score_row[t] = score_row[t - 1]
            rank_row[r] = a
            score_row[r] = score
        return generated

    # -----------------------------------------------------------------------------------------
    # Recovery step

    def recover_node(self, node):
        self.recoveries += 1
        result = 0
        n = self.n
        while True:
            m = node.level
            s = node.seq
            rest = n - m
            ref_sum = node.c2sum
            ref_c2 = node.c2
            changed = False
            repeat = False
            if m <= 1:
                return result
            last = s[m - 1]
            new_seq = None
            for i in range(m - 1):
                jj = s[i]
                if i == 0:
                    c1 = 0
                    c2 = 0
                    prefix = 0
                else:
                    k = s[i - 1]
                    c1 = node.c1_of[k]
                    c2 = node.c2_of[k]
                    prefix = 0
                    for t in range(i):
                        prefix += node.c2_of[s[t]]
                middle = s[i + 1:m - 1]
                tails = ([last] + middle + [jj],
                         [last, jj] + middle,
                         middle + [last, jj])
                for tail in tails:
                    total, _, cand_c2 = self.eval_seq(tail, m - i, c1, c2)
                    cand_sum = prefix + total
                    gain = ref_sum - cand_sum
                    delay = cand_c2 - ref_c2
                    if gain >= 1 and rest * delay <= gain:
                        changed = True
                        if gain - delay > 0:
                            repeat = True
                        ref_sum = cand_sum
                        ref_c2 = cand_c2
                        new_seq = s[:i] + tail
                        break
            if not changed:
                return result
            result = 1
            self.rebuild_node(node, new_seq, m)
            if self.settings.MoreLoops == 0:
                return 1
            if not repeat:
                return 1

    # -----------------------------------------------------------------------------------------
    # Beam selection

    def alloc_selection_tables(self):
        st = self.settings
        if st.ParetoBeam != 0 or st.Beam > BEAM_SLOTS:
            st.Beam = 4999
        if st.Beam < 1:
            st.Beam = 1
            emit("\nWarning : Beam must be at least 1, using 1\n")
        n = self.n
        self.child_nodes = [[None] * n for _ in range(st.Beam)]
        self.child_rank = [[-1] * n for _ in range(st.Beam)]
        self.child_score = [[-1] * n for _ in range(st.Beam)]
        self.tables_allocated = True
        return 0

    def free_selection_tables(self):
        self.child_nodes = []
        self.child_rank = []
        self.child_score = []
        self.tables_allocated = False
        return 0

    def node_dominates(self, cand, kept):
        if self.settings.ParetoBeam == 1:
            if ((cand.lb >= kept.lb and cand.ub > kept.ub)
                    or (cand.lb > kept.lb and cand.ub >= kept.ub)):
                return 1
        for i in range(self.n):
            if cand.unscheduled[i] != kept.unscheduled[i]:
                return 0
        if cand.c2 >= kept.c2 and cand.c2sum >= kept.c2sum:
            return 1
        return 0

    def seq_text(self, node):
        return "".join("%d," % node.seq[k] for k in range(node.level))

    def expand_level(self):
        st = self.settings
        n = self.n
        trace = st.OUTPUT == 1

        # Expansion.
        total = 0
        parents = 0
        while True:
            parent = self.pop_beam_node()
            if parent is None:
                break
            if trace:
                emit("GETNODE(%d): %s(%d,%d)\n"
                     % (parents, self.seq_text(parent), parent.c2sum, parent.c2))
            self.child_nodes[parents] = [None] * n
            self.child_rank[parents] = [-1] * n
            self.child_score[parents] = [-1] * n
            total += self.expand_node(parent, parents)
            parents += 1
            self.release_node(parent)

        # Selection, in sweeps over the parents.
        cursor = [0] * parents
        kept = []
        # Kept nodes by their set of unscheduled jobs. Without the bound rule only a kept node
        # of the same set can dominate a candidate, so only those need testing; the verdict is
        # the one that testing every kept node in turn would give.
        kept_by_set = {}
        if st.Beam != 0:
            done = False
            while not done:
                kept_in_sweep = False
                for p in range(parents):
                    if len(kept) == st.Beam:
                        done = True
                        break
                    if cursor[p] >= n or self.child_rank[p][cursor[p]] == -1:
                        continue
                    r = self.child_rank[p][cursor[p]]
                    node = self.child_nodes[p][r]
                    cursor[p] += 1
                    if trace:
                        emit("\n%s(C2sum,MaxC2=%d,%d)(LB,UB=%d,%d)"
                             % (self.seq_text(node), node.c2sum, node.c2, node.lb, node.ub))
                    if st.RecoveryStep != 0:
                        if self.recover_node(node) and trace:
                            emit(" modified by dominance : \n%s(%d,%d)"
                                 % (self.seq_text(node), node.c2sum, node.c2))
                    job_set = tuple(node.unscheduled)
                    if st.ParetoBeam == 1:
                        rivals = kept
                    else:
                        rivals = kept_by_set.get(job_set, ())
                    dominated = False
                    for other in rivals:
                        if self.node_dominates(node, other):
                            dominated = True
                            break
                    if dominated:
                        if trace:
                            emit(" Dominated.\n")
                        self.release_node(node)
                        continue
                    kept_in_sweep = True
                    if trace:
                        emit("Kept.\n")
                    kept.append(node)
                    kept_by_set.setdefault(job_set, []).append(node)
                    self.end_level = node.level
                if done:
                    break
                if len(kept) == st.Beam or not kept_in_sweep:
                    done = True

        # The next beam.
        if len(kept) > self.max_beam:
            self.max_beam = len(kept)
        for node in kept:
            self.push_beam_node(node)

        # Children that the selection did not take go back to node storage.
        for p in range(parents):
            rank_row = self.child_rank[p]
            c = cursor[p]
            while c < n and rank_row[c] != -1:
                self.release_node(self.child_nodes[p][rank_row[c]])
                c += 1
        return total

    # -----------------------------------------------------------------------------------------
    # Search set-up

    def setup_search(self):
        st = self.settings
        p1 = self.p1
        p2 = self.p2
        routes = self.routes
        n = self.n

        self.reset_storage()
        self.current_beam = self.new_list_record()
        root = self.new_node()
        self.current_beam.head = root
        self.current_beam.next = None

        for i in range(n):
            root.unscheduled[i] = 1 if routes[i] == 1 else 2
        root.c2sum = 0
        root.level = 0
        root.c1 = 0
        root.c2 = 0
        root.next = None

        flow_shop = True
        for i in range(n):
            if routes[i] != routes[0]:
                flow_shop = False
        if not flow_shop:
            if st.OUTPUT != 0:
                emit("\n\n")
            emit("This version solve flow shop problems only.\n")
            self.best_fo = INT_MAX
            return 1

        if st.OUTPUT != 0:
            emit("FlowShop problem detected")
        if n > 0 and routes[0] == 2:
            for i in range(n):
                root.unscheduled[i] = 1
                p1[i], p2[i] = p2[i], p1[i]
            if st.OUTPUT != 0:
                emit("(Switched machine 1 and 2)")
        if st.OUTPUT != 0:
            emit("\n\n")

        self.build_dominance_matrix()
        self.build_priority_lists()

        lb, ub = self.bound_node(root)
        emit("\nLB = %d, " % lb)
        emit("UB = %d\n" % ub)

        self.best_fo = INT_MAX
        root.lb = INT_MAX
        self.current_beam.tag = INT_MAX
        self.max_beam = 0
        self.recoveries = 0
        self.better_ub_count = 0

        self.alloc_selection_tables()
        return 0

    # -----------------------------------------------------------------------------------------
    # The run

    def run_solver(self, file_name):
        self.read_jobs(file_name)
        self.read_settings()
        if self.setup_search() == 0:
            while True:
                k = self.expand_level()
                emit("%d-" % k)
                self.bounds_computed += k
                if not self.beam_not_empty():
                    break
        emit("\n\nMEM: Lostnodes = %d\n" % self.lost_nodes)
        emit("BEAM: Max Beam = %d\n" % self.max_beam)
        self.release_all_memory()
        return 0


# ---------------------------------------------------------------------------------------------
# Line reading and scanning


def split_lines(data):
    """Whole lines of a file; a last line without a line end is a line too. A line is scanned
    as a C string: a NUL byte ends it."""
    lines = data.split(b"\n")
    if lines and lines[-1] == b"":
        lines.pop()
    return [line.split(b"\0", 1)[0] for line in lines]


def skip_blanks(text, pos):
    while pos < len(text) and text[pos] in WHITESPACE:
        pos += 1
    return pos


def scan_int(text, pos):
    """Scans one "%d" field from pos: returns (value, new pos), or (None, pos) on failure."""
    pos = skip_blanks(text, pos)
    start = pos
    if pos < len(text) and text[pos] in b"+-":
        pos += 1
    digits = pos
    while pos < len(text) and text[pos] in DIGITS:
        pos += 1
    if pos == digits:
        return None, start
    return int(text[start:pos]), pos


def scan_ints(text, count):
    """The fields that "%d %d ..." converts before the first one that does not."""
    values = []
    pos = 0
    while len(values) < count:
        value, pos = scan_int(text, pos)
        if value is None:
            break
        values.append(value)
    return values


def scan_setting(text):
    """Scans "%s = %d": None for a blank line, else (key, value or None)."""
    pos = skip_blanks(text, 0)
    if pos == len(text):
        return None
    start = pos
    while pos < len(text) and text[pos] not in WHITESPACE:
        pos += 1
    key = text[start:pos]
    pos = skip_blanks(text, pos)
    if pos == len(text) or text[pos:pos + 1] != b"=":
        return key, None
    value, pos = scan_int(text, pos + 1)
    return key, value


def compare_job_keys(a, b):
    if a[1] > b[1]:
        return 1
    if a[1] < b[1]:
        return -1
    return 0


def compare_real_keys(a, b):
    d = a[1] - b[1]
    if -KEY_EPS < d < KEY_EPS:
        return 0
    return 1 if d > 0 else -1


def insertion_sort(entries, compare):
    """Moves each entry left while the entry before it compares strictly greater."""
    result = list(entries)
    for i in range(1, len(result)):
        item = result[i]
        k = i
        while k > 0 and compare(result[k - 1], item) > 0:
            result[k] = result[k - 1]
            k -= 1
        result[k] = item
    return result


# ---------------------------------------------------------------------------------------------
# Entry point


def write_ub_rep(solver):
    text = b"%d " % solver.best_fo
    for k in range(solver.n):
        text += b"%d " % solver.best_seq[k]
    tmp_name = "ub.rep.ref.tmp"
    try:
        with open(tmp_name, "wb") as f:
            f.write(text)
        os.replace(tmp_name, "ub.rep")
    except OSError:
        try:
            os.remove(tmp_name)
        except OSError:
            pass
        raise


def main(argv):
    emit("FLOW SHOP - Polinomial Upper Bound \n")
    emit("---------------------------------- \n")
    if len(argv) != 2:
        emit("Programming by Velmorin\n")
        emit("\nUsage : ZEMKO <Data File>\n\n")
        return 2
    start = time.monotonic()

    solver = Solver()
    solver.run_solver(os.fsencode(argv[1]))

    n = solver.n
    objective, c1, c2 = solver.eval_seq(solver.best_seq, n, 0, 0)
    if solver.best_fo == INT_MAX:
        emit("\nNo solutions found\n\n")
    else:
        if solver.settings.OUTPUT == 1:
            emit("\n")
            for k in range(n):
                emit("%d " % solver.ids[solver.best_seq[k]])
            emit("(C1,C2 = %d,%d).\n" % (c1, c2))
        emit("FO           = %d  (found at level %d)\n" % (solver.best_fo, solver.best_level))
        emit("\n")
        emit("End Level = %d\n" % solver.end_level)
        if objective != solver.best_fo:
            emit("Dbg_Warning<main>")
        emit("\nBounds Calcolati = %d\n" % solver.bounds_computed)
        emit("Recoveries = %d\n" % solver.recoveries)
        emit("Better UB solutions : %d\n" % solver.better_ub_count)

    try:
        write_ub_rep(solver)
    except OSError:
        emit("\n\nCannot write ub.rep\n\n")
        return 1

    seconds = (time.monotonic() - start) * 1000.0 // 1 * 0.001
    emit("ZEMKO CPU Time : %f\n\n" % seconds)
    try:
        with open("out.txt", "ab") as f:
            f.write(b"%d %d\n" % (solver.best_fo, int(seconds)))
    except OSError:
        emit("\n\nCannot write out.txt\n\n")
        return 1
    return 0


if __name__ == "__main__":
    try:
        status = main(sys.argv)
    except Exit as stop:
        status = stop.status
    flush_output()
    sys.exit(status)
