// The pipeline of a solve when its time runs out before the beam search can end: the phase
// still follows, starts from the construction, and the run ends with a certificate.
#include <gtest/gtest.h>

#include <sstream>

#include "driver/solve_pipeline.hpp"
#include "sequence/job_times.hpp"
#include "support/test_support.hpp"

using namespace zemko;

TEST(SolvePipeline, ARunWhoseTimeRanOutDuringTheBeamSearchEndsWithACertificate) {
    for (const int n : {30, 200}) {
        SCOPED_TRACE("n " + std::to_string(n));
        const JobTable table = zemko_test::table_of(zemko_test::random_times(n, n, 1, 100));
        Settings settings;
        settings.time_limit = 1;
        SolveContext context;
        context.start = Clock::now() - std::chrono::seconds(2);  // the limit has passed
        std::ostringstream text;
        context.out = Transcript{&text};
        const PipelineOutcome outcome = run_solve_pipeline(context, table, settings);
        EXPECT_EQ(outcome.end, SearchEnd::stopped);
        EXPECT_NE(text.str().find("\nTime limit reached during the beam search, at level 0\n"),
                  std::string::npos)
            << text.str();
        EXPECT_NE(text.str().find("from FO = "), std::string::npos);
        EXPECT_NE(text.str().find("\nCertificate: lower bound "), std::string::npos);
        ASSERT_TRUE(is_permutation_of_jobs(outcome.sequence, n));
        EXPECT_EQ(sequence_objective(*machine_one_first_times(table), outcome.sequence),
                  outcome.objective);
        EXPECT_LE(outcome.phase.certificate.lower_bound, outcome.objective);
    }
}
