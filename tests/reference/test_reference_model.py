#!/usr/bin/env python3
"""Checks of the reference model itself on small worked cases whose results are known by hand,
so that the oracle does not merely agree with the solver it is compared with.

Run: python3 -m unittest discover -s tests/reference -p 'test_*.py'
"""

import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import zemko_ref as ref  # noqa: E402


def make_solver(times, **settings):
    solver = ref.Solver()
    solver.p1 = [p1 for p1, _ in times]
    solver.p2 = [p2 for _, p2 in times]
    solver.n = len(times)
    solver.ids = list(range(1, solver.n + 1))
    solver.routes = [1] * solver.n
    solver.best_seq = [0] * solver.n
    for name, value in settings.items():
        setattr(solver.settings, name, value)
    return solver


def root_of(solver):
    node = ref.Node(solver.n)
    node.unscheduled = [1] * solver.n
    return node


def node_with(solver, seq):
    node = ref.Node(solver.n)
    solver.rebuild_node(node, seq, len(seq))
    return node


class ScanningTest(unittest.TestCase):
    def test_job_lines_stop_at_the_first_field_that_does_not_convert(self):
        self.assertEqual(ref.scan_ints(b"1 5 3 1", 4), [1, 5, 3, 1])
        self.assertEqual(ref.scan_ints(b"5-3", 4), [5, -3])
        self.assertEqual(ref.scan_ints(b"2.5 7 1", 4), [2])
        self.assertEqual(ref.scan_ints(b"  +4\t0 9\r", 4), [4, 0, 9])
        self.assertEqual(ref.scan_ints(b"- 5", 4), [])
        self.assertEqual(ref.scan_ints(b"1 2 3 4 5", 4), [1, 2, 3, 4])

    def test_settings_lines(self):
        self.assertEqual(ref.scan_setting(b"Beam = 200"), (b"Beam", 200))
        self.assertEqual(ref.scan_setting(b"Beam =200"), (b"Beam", 200))
        self.assertEqual(ref.scan_setting(b"Beam=7"), (b"Beam=7", None))
        self.assertEqual(ref.scan_setting(b"Beam"), (b"Beam", None))
        self.assertEqual(ref.scan_setting(b"Beam = x"), (b"Beam", None))
        self.assertIsNone(ref.scan_setting(b" \t\r"))

    def test_whole_lines_and_a_last_line_without_line_end(self):
        self.assertEqual(ref.split_lines(b"a\nb\n"), [b"a", b"b"])
        self.assertEqual(ref.split_lines(b"a\n\nb"), [b"a", b"", b"b"])
        self.assertEqual(ref.split_lines(b""), [])
        self.assertEqual(ref.split_lines(b"Beam\0 = 1\n"), [b"Beam"])


class OrdersAndWeightsTest(unittest.TestCase):
    def test_three_job_weights_with_tuning(self):
        solver = make_solver([(3, 5), (6, 2), (4, 7)])
        solver.build_priority_lists()
        self.assertEqual(solver.order_p1, [(0, 3), (2, 4), (1, 6)])
        self.assertEqual(solver.prio_list[0], [1, 0, 2])
        self.assertEqual(solver.prio_weight[0], [0.25, 1.0, 0.5])
        self.assertEqual(solver.prio_list[20], [0, 2, 1])
        self.assertEqual(solver.prio_weight[20], [1.0, 1.0, 0.5])

    def test_without_tuning_every_weight_is_the_list_weight(self):
        solver = make_solver([(3, 5), (6, 2), (4, 7)], Perturb=0)
        solver.build_priority_lists()
        self.assertEqual(solver.prio_weight[0], [0.0] * 3)
        self.assertEqual(solver.prio_weight[20], [1.0] * 3)
        self.assertEqual(solver.prio_weight[7], [7 * 0.05] * 3)

    def test_equal_keys_keep_ascending_job_index(self):
        solver = make_solver([(2, 2), (1, 3), (3, 1), (2, 2)])
        solver.build_priority_lists()
        self.assertEqual([job for job, _ in solver.order_p1], [1, 0, 3, 2])
        self.assertEqual(solver.prio_list[10], [0, 1, 2, 3])   # all keys 4

    def test_tolerance_of_real_keys(self):
        self.assertEqual(ref.compare_real_keys((0, 1.0), (1, 1.0 + 5e-8)), 0)
        self.assertEqual(ref.compare_real_keys((0, 0.25), (1, 0.25 - 1e-7)), 1)


class BoundsTest(unittest.TestCase):
    def test_two_job_root(self):
        solver = make_solver([(3, 5), (4, 1)], Perturb=0)
        solver.build_priority_lists()
        root = root_of(solver)
        self.assertEqual(solver.bound_node(root), (17, 17))
        self.assertEqual(root.lb, 17)
        # Both completions cost 17: the first list (by p2) wins.
        self.assertEqual((solver.best_fo, solver.best_seq, solver.best_level), (17, [1, 0], 0))

    def test_single_job_and_all_zero_roots(self):
        solver = make_solver([(3, 5)])
        solver.build_priority_lists()
        self.assertEqual(solver.bound_node(root_of(solver)), (8, 8))
        solver = make_solver([(0, 0), (0, 0)])
        solver.build_priority_lists()
        self.assertEqual(solver.bound_node(root_of(solver))[0], 0)

    def test_greedy_completion_challenges_the_current_candidate(self):
        solver = make_solver([(1, 10), (2, 1), (3, 1)])
        solver.build_priority_lists()
        self.assertEqual(solver.greedy_completion(root_of(solver)), 25)
        self.assertEqual(solver.best_seq, [1, 2, 0])

    def test_greedy_ties_keep_the_first_job(self):
        solver = make_solver([(3, 5), (4, 1)])
        solver.build_priority_lists()
        self.assertEqual(solver.greedy_completion(root_of(solver)), 17)
        self.assertEqual(solver.best_seq, [0, 1])

    def test_better_ub_counts_only_strict_improvements(self):
        solver = make_solver([(3, 5), (4, 1)], BetterUB=1)
        solver.build_priority_lists()
        solver.bound_node(root_of(solver))
        self.assertEqual(solver.better_ub_count, 0)


class RecoveryTest(unittest.TestCase):
    def test_level_two_exchange_depends_on_the_jobs_left(self):
        for left, accepted in ((0, True), (1, True), (2, True), (3, False)):
            solver = make_solver([(1, 5), (2, 1)] + [(1, 1)] * left)
            node = node_with(solver, [0, 1])
            node.ub = 99
            node.lb = 55
            self.assertEqual(solver.recover_node(node), 1 if accepted else 0)
            if accepted:
                self.assertEqual((node.seq[:2], node.c2sum, node.c2, node.lb, node.ub),
                                 ([1, 0], 11, 8, 0, 99))
            else:
                self.assertEqual((node.seq[:2], node.c2sum, node.lb), ([0, 1], 13, 55))
            self.assertEqual(solver.recoveries, 1)

    def test_no_repeat_when_the_gain_does_not_exceed_the_delay(self):
        solver = make_solver([(1, 5), (2, 2), (9, 9)], MoreLoops=1)
        node = node_with(solver, [0, 1])
        self.assertEqual(solver.recover_node(node), 1)
        self.assertEqual((node.seq[:2], node.c2sum, node.c2), ([1, 0], 13, 9))

    def test_complete_sequence_of_three_jobs(self):
        for more_loops in (0, 1):
            solver = make_solver([(1, 1), (1, 4), (1, 2)], MoreLoops=more_loops)
            node = node_with(solver, [0, 1, 2])
            self.assertEqual(solver.recover_node(node), 1)
            self.assertEqual((node.seq, node.c2sum, node.c2), ([0, 2, 1], 14, 8))

    def test_short_nodes_are_untouched_but_counted(self):
        solver = make_solver([(1, 5), (2, 1)])
        node = node_with(solver, [1])
        self.assertEqual(solver.recover_node(node), 0)
        self.assertEqual(solver.recoveries, 1)


class ChildTestsTest(unittest.TestCase):
    def test_min_job_rule(self):
        solver = make_solver([(2, 3), (4, 5)])
        root = root_of(solver)
        self.assertEqual([solver.skip_by_min_job_rule(root, j) for j in (0, 1)], [0, 1])
        solver = make_solver([(4, 3), (5, 6)])
        root = root_of(solver)
        self.assertEqual([solver.skip_by_min_job_rule(root, j) for j in (0, 1)], [0, 0])

    def test_filter_rule(self):
        solver = make_solver([(3, 2), (4, 5)], Filter=1)
        root = root_of(solver)
        self.assertEqual([solver.skip_by_filter_rule(root, j) for j in (0, 1)], [0, 1])
        solver.settings.Filter = 0
        self.assertEqual(solver.skip_by_filter_rule(root, 1), 0)

    def test_identical_jobs_branch_on_the_lowest_index_only(self):
        solver = make_solver([(5, 4), (3, 3), (5, 4), (5, 4)])
        solver.build_dominance_matrix()
        root = root_of(solver)
        self.assertEqual([solver.skip_by_pair_rule(root, j) for j in (0, 2, 3)], [0, 1, 1])


class StorageTest(unittest.TestCase):
    def setUp(self):
        del ref._out[:]

    def test_free_stack_overflow_counts_lost_nodes(self):
        solver = make_solver([(1, 1)])
        solver.reset_storage()
        nodes = [solver.new_node() for _ in range(ref.FREE_STACK_SIZE + 1)]
        self.assertEqual(solver.zones_live, 2)
        self.assertEqual(b"".join(ref._out), b"MEM: Allocating new zone. Lost nodes = 0.")
        del ref._out[:]
        for node in nodes:
            solver.release_node(node)
        self.assertEqual(solver.lost_nodes, 1)
        self.assertIs(solver.new_node(), nodes[-2])

    def test_list_records_are_pooled_and_balance_at_the_end(self):
        solver = make_solver([(1, 1)])
        solver.reset_storage()
        for _ in range(3):
            solver.push_beam_node(ref.Node(1))
            solver.pop_beam_node()
        self.assertFalse(solver.beam_not_empty())
        self.assertEqual((solver.lists_live, len(solver.list_pool)), (1, 1))
        solver.new_node()
        solver.release_all_memory()
        self.assertEqual((solver.zones_live, solver.lists_live), (0, 0))
        self.assertEqual(ref._out, [])


if __name__ == "__main__":
    unittest.main()
