// Node storage: recycling order, lost nodes, zones, list records and the memory balance.
#include <gtest/gtest.h>

#include <set>

#include "input/jobs.hpp"
#include "schedule/node_storage.hpp"
#include "support/test_support.hpp"

using namespace zemko;

namespace {

class NodeStorage : public testing::Test {
  protected:
    void SetUp() override {
        zemko_test::set_jobs({{1, 2}, {3, 4}, {5, 6}});
        reset_node_storage();
    }
    void TearDown() override {
        testing::internal::CaptureStdout();
        release_all_memory();
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    }
};

}  // namespace

TEST_F(NodeStorage, ReleasedNodesComeBackNewestFirst) {
    Node* a = new_node();
    Node* b = new_node();
    EXPECT_NE(a, b);
    release_node(a);
    release_node(b);
    EXPECT_EQ(new_node(), b);
    EXPECT_EQ(new_node(), a);
    // Nodes from a zone have working arrays of their own.
    make_root(a);
    make_root(b);
    append_job(a, 1);
    EXPECT_EQ(b->unscheduled[1], 1);
}

TEST_F(NodeStorage, TheFreeStackHolds40000AndCountsTheRestAsLost) {
    testing::internal::CaptureStdout();  // the second zone's message
    std::vector<Node*> taken;
    for (int i = 0; i <= FREE_STACK_SIZE; ++i)
        taken.push_back(new_node());
    for (Node* node : taken)
        release_node(node);
    EXPECT_EQ(lost_nodes, 1);
    // The 40000 stacked nodes come back newest first; the lost one does not come back.
    for (int i = FREE_STACK_SIZE - 1; i >= 0; --i)
        ASSERT_EQ(new_node(), taken[i]);
    EXPECT_EQ(zones_live, 2);
    Node* fresh = new_node();
    EXPECT_NE(fresh, taken[FREE_STACK_SIZE]);
    testing::internal::GetCapturedStdout();
}

TEST_F(NodeStorage, The40001stNodeOpensASecondZone) {
    testing::internal::CaptureStdout();
    std::set<Node*> distinct;
    for (int i = 0; i < ZONE_NODES; ++i)
        distinct.insert(new_node());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(zones_live, 1);
    lost_nodes = 7;
    testing::internal::CaptureStdout();
    distinct.insert(new_node());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "MEM: Allocating new zone. Lost nodes = 7.");
    EXPECT_EQ(zones_live, 2);
    EXPECT_EQ(distinct.size(), static_cast<size_t>(ZONE_NODES + 1));
}

TEST_F(NodeStorage, BeamsPopInReverseOrderAndEmptyOut) {
    EXPECT_EQ(pop_beam_node(), nullptr);
    EXPECT_FALSE(beam_not_empty());
    Node* a = new_node();
    Node* b = new_node();
    push_beam_node(a);
    push_beam_node(b);
    EXPECT_TRUE(beam_not_empty());
    EXPECT_EQ(pop_beam_node(), b);
    EXPECT_EQ(pop_beam_node(), a);
    EXPECT_FALSE(beam_not_empty());
    EXPECT_EQ(pop_beam_node(), nullptr);
    // The emptied list's record is pooled and reused, not taken from the heap again.
    EXPECT_EQ(lists_live, 1);
    push_beam_node(a);
    EXPECT_EQ(lists_live, 1);
}

TEST_F(NodeStorage, ThePoolKeeps200RecordsAndFreesTheRest) {
    std::vector<BeamList*> records;
    for (int i = 0; i < LIST_POOL_SIZE + 3; ++i)
        records.push_back(new_list_record());
    EXPECT_EQ(lists_live, LIST_POOL_SIZE + 3);
    for (BeamList* rec : records)
        free_list_record(rec);
    EXPECT_EQ(lists_live, LIST_POOL_SIZE);
    EXPECT_EQ(new_list_record(), records[LIST_POOL_SIZE - 1]);
    free_list_record(records[LIST_POOL_SIZE - 1]);
}

TEST(NodeStorageBalance, AnUnbalancedReleaseIsReported) {
    reset_node_storage();
    new_node();
    zones_live += 1;  // as if a zone had been lost track of
    testing::internal::CaptureStdout();
    release_all_memory();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "WARNING : Abnormal memory use!\n");
    zones_live = 0;
}
