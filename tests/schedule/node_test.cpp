// Scheduling jobs into nodes, copying and rebuilding nodes, evaluating sequences.
#include <gtest/gtest.h>

#include "input/jobs.hpp"
#include "schedule/node.hpp"
#include "support/test_support.hpp"

using namespace zemko;

TEST(NodeOperations, AppendingJobsFollowsTheSchedulingRule) {
    const JobTable t = zemko_test::table_of({{3, 5}, {4, 1}});
    NodeBuffer buffer;
    Node* node = buffer.get();
    make_root(t, node);
    append_job(t, node, 0);
    append_job(t, node, 1);
    EXPECT_EQ(node->level, 2);
    EXPECT_EQ(node->c1, 7);
    EXPECT_EQ(node->c2, 9);
    EXPECT_EQ(node->c2_of[0], 8);
    EXPECT_EQ(node->c2_of[1], 9);
    EXPECT_EQ(node->c1_of[1], 7);
    EXPECT_EQ(node->c2sum, 17);
    EXPECT_EQ(node->unscheduled[0], 0);
    EXPECT_EQ(node->seq[1], 1);
}

TEST(NodeOperations, EvalSeqGivesObjectivesAndTails) {
    const JobTable t = zemko_test::table_of({{3, 5}, {4, 1}});
    int seq01[] = {0, 1};
    int seq10[] = {1, 0};
    int c1 = 0, c2 = 0;
    EXPECT_EQ(eval_seq(t, seq01, 2, c1, c2), 17);
    EXPECT_EQ(c1, 7);
    EXPECT_EQ(c2, 9);
    c1 = c2 = 0;
    EXPECT_EQ(eval_seq(t, seq10, 2, c1, c2), 17);  // completions 5 and 12
    EXPECT_EQ(c2, 12);
    // An empty tail changes nothing; a tail continues from the given times.
    c1 = 4, c2 = 6;
    EXPECT_EQ(eval_seq(t, seq10, 0, c1, c2), 0);
    EXPECT_EQ(c1, 4);
    EXPECT_EQ(c2, 6);
    EXPECT_EQ(eval_seq(t, seq10 + 1, 1, c1, c2), 12);
}

TEST(NodeOperations, ZeroMachineOneTimeCompletesAtP2) {
    const JobTable t = zemko_test::table_of({{0, 9}, {2, 2}});
    NodeBuffer buffer;
    make_root(t, buffer.get());
    append_job(t, buffer.get(), 0);
    EXPECT_EQ(buffer.get()->c2, 9);
    EXPECT_EQ(buffer.get()->c1, 0);
}

TEST(NodeOperations, CopyLeavesUbAndRebuildResetsLb) {
    const JobTable t = zemko_test::table_of({{3, 5}, {4, 1}, {2, 2}});
    NodeBuffer a, b;
    make_root(t, a.get());
    append_job(t, a.get(), 2);
    a.get()->lb = 11;
    a.get()->ub = 33;
    b.get()->ub = 44;
    copy_node(t, b.get(), a.get());
    EXPECT_EQ(b.get()->ub, 44);
    EXPECT_EQ(b.get()->lb, 11);
    EXPECT_EQ(b.get()->c2sum, a.get()->c2sum);
    EXPECT_EQ(b.get()->unscheduled[2], 0);
    // The copy is independent of the original.
    append_job(t, b.get(), 0);
    EXPECT_EQ(a.get()->level, 1);
    EXPECT_EQ(a.get()->unscheduled[0], 1);

    int order[] = {1, 0};
    rebuild_node(t, b.get(), order, 2);
    EXPECT_EQ(b.get()->lb, 0);
    EXPECT_EQ(b.get()->ub, 44);
    EXPECT_EQ(b.get()->level, 2);
    EXPECT_EQ(b.get()->unscheduled[2], 1);
    EXPECT_EQ(b.get()->unscheduled[0], 0);
    EXPECT_EQ(b.get()->c2sum, 5 + 12);
}
