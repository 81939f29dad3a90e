// Solves one instance several times at once, on as many threads, through the installed library,
// and checks every answer against a ub.rep that the console wrote for the same instance and
// settings.
//
//     zemko_consumer DATA_FILE UB_REP [SETTINGS_FILE]
#include <zemko/zemko.hpp>

#include <fstream>
#include <iostream>
#include <thread>
#include <vector>

int main(int argc, char** argv) {
    if (argc < 3 || argc > 4) {
        std::cerr << "usage: zemko_consumer DATA_FILE UB_REP [SETTINGS_FILE]\n";
        return 2;
    }
    try {
        const std::vector<zemko::Job> jobs = zemko::read_jobs_file(argv[1]);
        const zemko::Settings settings =
            argc == 4 ? zemko::read_settings_file(argv[3]) : zemko::Settings{};

        // ub.rep: the objective, then the sequence as 0-based job indices.
        std::ifstream ub(argv[2]);
        long long expected_objective = 0;
        std::vector<int> expected_sequence;
        ub >> expected_objective;
        for (int j; ub >> j;)
            expected_sequence.push_back(j);

        constexpr int SOLVES = 4;
        std::vector<zemko::Result> results(SOLVES);
        std::vector<std::thread> threads;
        for (int k = 0; k < SOLVES; ++k)
            threads.emplace_back([&, k] { results[k] = zemko::solve(jobs, settings); });
        for (std::thread& t : threads)
            t.join();

        for (const zemko::Result& r : results)
            if (r.status != zemko::Status::solved || r.objective != expected_objective ||
                r.sequence != expected_sequence) {
                std::cerr << "a solve differs from ub.rep\n";
                return 1;
            }
        std::cout << SOLVES << " solves at once: objective " << expected_objective
                  << ", the sequence of ub.rep\n";
        return 0;
    } catch (const zemko::InputError& e) {
        std::cerr << e.what() << "\n";
        return 1;
    }
}
