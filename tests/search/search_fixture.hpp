// A prepared search: jobs, settings, node storage and selection tables, released at the end.
#pragma once

#include <gtest/gtest.h>

#include "bounds/best_solution.hpp"
#include "bounds/child_bounds.hpp"
#include "bounds/priority_lists.hpp"
#include "input/settings.hpp"
#include "schedule/node_storage.hpp"
#include "search/dominance_rules.hpp"
#include "search/recovery.hpp"
#include "search/selection_tables.hpp"
#include "support/test_support.hpp"

namespace zemko_test {

class SearchTest : public testing::Test {
  protected:
    // Loads the jobs with the current settings (call set_default_settings and change them
    // first), builds the tables and allocates the selection tables.
    void prepare(const std::vector<std::pair<int, int>>& times) {
        set_jobs(times);
        zemko::reset_node_storage();
        zemko::reset_best_solution();
        zemko::recoveries = 0;
        zemko::build_dominance_matrix();
        zemko::build_priority_lists();
        zemko::build_list_entries();
        testing::internal::CaptureStdout();
        zemko::alloc_selection_tables();
        testing::internal::GetCapturedStdout();
    }
    void SetUp() override { zemko::set_default_settings(); }
    void TearDown() override {
        testing::internal::CaptureStdout();
        zemko::release_all_memory();
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    }
    // A node from storage holding the given partial sequence.
    zemko::Node* node_with(const std::vector<int>& seq) {
        zemko::Node* node = zemko::new_node();
        zemko::make_root(node);
        for (int j : seq)
            zemko::append_job(node, j);
        return node;
    }
};

}  // namespace zemko_test
