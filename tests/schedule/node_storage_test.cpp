// Node storage: recycling order, lost nodes, zones, list records and the memory balance.
#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "input/jobs.hpp"
#include "schedule/node_storage.hpp"
#include "support/test_support.hpp"

using namespace zemko;

namespace {

class NodeStorageTest : public testing::Test {
  protected:
    void SetUp() override { reset_node_storage(storage, t.n_jobs, Transcript{&messages}); }
    void TearDown() override {
        messages.str("");
        release_all_memory(storage);
        EXPECT_EQ(messages.str(), "");
    }
    const JobTable t = zemko_test::table_of({{1, 2}, {3, 4}, {5, 6}});
    std::ostringstream messages;
    MemoryBudget budget;  // outlives the storage that may count against it
    NodeStorage storage;
};

}  // namespace

TEST_F(NodeStorageTest, ReleasedNodesComeBackNewestFirst) {
    Node* a = new_node(storage);
    Node* b = new_node(storage);
    EXPECT_NE(a, b);
    release_node(storage, a);
    release_node(storage, b);
    EXPECT_EQ(new_node(storage), b);
    EXPECT_EQ(new_node(storage), a);
    // Nodes from a zone have working arrays of their own.
    make_root(t, a);
    make_root(t, b);
    append_job(t, a, 1);
    EXPECT_EQ(b->unscheduled[1], 1);
}

TEST_F(NodeStorageTest, TheFreeStackCounts40000AndTheRestAsLostButAllMemoryIsReused) {
    std::vector<Node*> taken;
    for (int i = 0; i <= FREE_STACK_SIZE; ++i)
        taken.push_back(new_node(storage));
    for (Node* node : taken)
        release_node(storage, node);
    EXPECT_EQ(storage.lost_nodes, 1);
    EXPECT_EQ(storage.zones_live, 2);
    // The next 40000 come from the counted stack: no zone opens. The memory of every node,
    // the lost one too, is reused: nothing new is taken from the system.
    const std::set<Node*> released(taken.begin(), taken.end());
    const size_t blocks = storage.blocks.size();
    messages.str("");
    for (int i = 0; i <= FREE_STACK_SIZE; ++i)
        ASSERT_EQ(released.count(new_node(storage)), 1u);
    EXPECT_EQ(storage.blocks.size(), blocks);
    EXPECT_EQ(storage.zones_live, 2);
    EXPECT_EQ(messages.str(), "");
}

TEST_F(NodeStorageTest, MemoryFollowsTheNodesAliveNotTheNodesEverTaken) {
    reset_node_storage(storage, t.n_jobs, Transcript{&messages}, &budget);
    std::vector<Node*> alive;
    for (int round = 0; round < 10; ++round) {
        for (int i = 0; i < 60000; ++i)
            alive.push_back(round % 2 ? new_node(storage) : new_node_record(storage));
        for (Node* node : alive)
            release_node(storage, node);
        alive.clear();
    }
    // 600000 nodes taken, a third of them counted as lost, all in the memory of 60000.
    EXPECT_EQ(storage.lost_nodes, 10 * 20000);
    EXPECT_LT(budget.reserved, size_t{12} << 20);
    // A record taken without arrays gets them when it needs them.
    Node* child = new_node_record(storage);
    EXPECT_EQ(child->seq, nullptr);
    attach_arrays(storage, child);
    make_root(t, child);
    EXPECT_EQ(child->unscheduled[2], 1);
    release_all_memory(storage);
    EXPECT_EQ(budget.reserved, size_t{0});
    messages.str("");
}

TEST_F(NodeStorageTest, The40001stNodeOpensASecondZone) {
    std::set<Node*> distinct;
    for (int i = 0; i < ZONE_NODES; ++i)
        distinct.insert(new_node(storage));
    EXPECT_EQ(messages.str(), "");
    EXPECT_EQ(storage.zones_live, 1);
    storage.lost_nodes = 7;
    distinct.insert(new_node(storage));
    EXPECT_EQ(messages.str(), "MEM: Allocating new zone. Lost nodes = 7.");
    EXPECT_EQ(storage.zones_live, 2);
    EXPECT_EQ(distinct.size(), static_cast<size_t>(ZONE_NODES + 1));
}

TEST_F(NodeStorageTest, BeamsPopInReverseOrderAndEmptyOut) {
    EXPECT_EQ(pop_beam_node(storage), nullptr);
    EXPECT_FALSE(beam_not_empty(storage));
    Node* a = new_node(storage);
    Node* b = new_node(storage);
    push_beam_node(storage, a);
    push_beam_node(storage, b);
    EXPECT_TRUE(beam_not_empty(storage));
    EXPECT_EQ(pop_beam_node(storage), b);
    EXPECT_EQ(pop_beam_node(storage), a);
    EXPECT_FALSE(beam_not_empty(storage));
    EXPECT_EQ(pop_beam_node(storage), nullptr);
    // The emptied list's record is pooled and reused, not taken from the heap again.
    EXPECT_EQ(storage.lists_live, 1);
    push_beam_node(storage, a);
    EXPECT_EQ(storage.lists_live, 1);
}

TEST_F(NodeStorageTest, ThePoolKeeps200RecordsAndFreesTheRest) {
    std::vector<BeamList*> records;
    for (int i = 0; i < LIST_POOL_SIZE + 3; ++i)
        records.push_back(new_list_record(storage));
    EXPECT_EQ(storage.lists_live, LIST_POOL_SIZE + 3);
    for (BeamList* rec : records)
        free_list_record(storage, rec);
    EXPECT_EQ(storage.lists_live, LIST_POOL_SIZE);
    EXPECT_EQ(new_list_record(storage), records[LIST_POOL_SIZE - 1]);
    free_list_record(storage, records[LIST_POOL_SIZE - 1]);
}

TEST(NodeStorageBalance, AnUnbalancedReleaseIsReported) {
    std::ostringstream messages;
    NodeStorage storage;
    reset_node_storage(storage, 3, Transcript{&messages});
    new_node(storage);
    storage.zones_live += 1;  // as if a zone had been lost track of
    release_all_memory(storage);
    EXPECT_EQ(messages.str(), "WARNING : Abnormal memory use!\n");
}
