// The command line of the solver.
#include "app/main_program.hpp"

#include <chrono>
#include <cstdio>

#include "app/report.hpp"
#include "app/run.hpp"

namespace zemko {

namespace {

constexpr int EXIT_USAGE = 2;
constexpr int EXIT_FAILURE_STATUS = 1;

}  // namespace

int main_program(int argc, char** argv) {
    std::printf("FLOW SHOP - Polinomial Upper Bound \n");
    std::printf("---------------------------------- \n");
    if (argc != 2) {
        std::printf("Programming by Velmorin\n");
        std::printf("\nUsage : ZEMKO <Data File>\n\n");
        return EXIT_USAGE;
    }
    // Wall-clock milliseconds from a monotonic clock.
    const auto start = std::chrono::steady_clock::now();

    if (int status = run_solver(argv[1])) return status;
    print_final_report();

    if (!write_ub_file()) {
        std::printf("\n\nCannot write ub.rep\n\n");
        return EXIT_FAILURE_STATUS;
    }
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    double seconds = static_cast<double>(elapsed.count()) * 0.001;
    std::printf("ZEMKO CPU Time : %f\n\n", seconds);
    std::fflush(stdout);
    if (!append_out_line(static_cast<int>(seconds))) {
        std::printf("\n\nCannot write out.txt\n\n");
        return EXIT_FAILURE_STATUS;
    }
    return 0;
}

}  // namespace zemko
