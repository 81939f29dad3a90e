// A prepared search: a run with its jobs, settings, tables, node storage and selection tables.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <sstream>

#include "bounds/parent_lists.hpp"
#include "bounds/priority_lists.hpp"
#include "schedule/node_storage.hpp"
#include "search/child_generation.hpp"
#include "search/dominance_rules.hpp"
#include "search/search_run.hpp"
#include "search/selection_tables.hpp"
#include "support/test_support.hpp"

namespace zemko_test {

using zemko::StandaloneRun;

// A run over the given jobs and settings whose text goes to `out` (nowhere when null).
inline std::unique_ptr<StandaloneRun> search_run_of(const std::vector<std::pair<int, int>>& times,
                                                    const zemko::Settings& settings,
                                                    std::ostream* out = nullptr) {
    auto run = std::make_unique<StandaloneRun>();
    run->table = table_of(times);
    run->settings = settings;
    run->own_context.out = run->out = zemko::Transcript{out};
    return run;
}

class SearchTest : public testing::Test {
  protected:
    // Makes the run with `settings` (change them first), builds the tables and allocates the
    // selection tables, as the set-up does but without a root.
    void prepare(const std::vector<std::pair<int, int>>& times) {
        run = search_run_of(times, settings, &messages);
        zemko::SearchRun& r = *run;
        zemko::reset_node_storage(r.storage, r.table.n_jobs, r.out);
        zemko::build_dominance_matrix(r.table, r.dom);
        zemko::build_priority_lists(r.table, r.settings.perturb, r.lists);
        zemko::build_list_entries(r.table, r.lists, r.entries);
        zemko::alloc_selection_tables(r.tables, r.settings.beam, r.table.n_jobs, r.context.budget);
        zemko::forget_previous_level(r);
    }
    void TearDown() override {
        if (!run) return;
        messages.str("");
        zemko::release_all_memory(run->storage);
        EXPECT_EQ(messages.str(), "");
    }
    // A node from storage holding the given partial sequence.
    zemko::Node* node_with(const std::vector<int>& seq) {
        zemko::Node* node = zemko::new_node(run->storage);
        zemko::make_root(run->table, node);
        for (int j : seq)
            zemko::append_job(run->table, node, j);
        return node;
    }

    zemko::Settings settings;
    std::unique_ptr<StandaloneRun> run;
    std::ostringstream messages;
};

}  // namespace zemko_test
