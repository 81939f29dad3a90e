// zemko-check-proof: checks a proof summary (proof.txt, written by zemko with ProofSummary = 1)
// with code of its own, and against the instance's data file when given.
#include <cstdio>
#include <string>
#include <vector>

#include <zemko/zemko.hpp>

#include "tools/proof_check.hpp"
#include "tools/tool_support.hpp"

using namespace zemko_tools;

namespace {

constexpr const char* PROGRAM = "zemko-check-proof";
constexpr int EXIT_UNSETTLED = 3;
constexpr long long DEFAULT_NODES = 100000000;

constexpr const char* HELP_TEXT =
    "Usage: zemko-check-proof [--data FILE] [--nodes N] PROOF\n"
    "\n"
    "Checks a proof summary that zemko wrote (ProofSummary = 1 writes proof.txt): that the\n"
    "sequence is a permutation of the jobs with the stated objective, that the prices give\n"
    "the stated bound of the relaxed paths (recomputed without buckets), and, for an answer\n"
    "stated optimal whose bound falls short of it, that a search of its own finds no\n"
    "cheaper sequence.\n"
    "\n"
    "Options:\n"
    "  --data FILE  the instance's data file: the summary's times must be its times\n"
    "  --nodes N    nodes that search may expand (default 100000000)\n"
    "  -h, --help   this text\n"
    "\n"
    "Exit status: 0 checked, 1 refused (the reason is printed) or a file cannot be read,\n"
    "2 wrong options, 3 not settled within the nodes or the checker's table.\n";

int usage_error(const std::string& message) {
    report_error(PROGRAM, message + " (see zemko-check-proof --help)");
    return EXIT_USAGE;
}

// Empty when the summary's times are the data file's (machine 1 first: a route-2 job's times
// exchanged, as the solver takes them), else why not.
std::string data_mismatch(const ProofSummary& summary, const std::string& data_path) {
    std::vector<zemko::Job> jobs;
    try {
        jobs = zemko::read_jobs_file(data_path);
    } catch (const std::exception& failure) {
        return data_path + ": " + failure.what();
    }
    if (jobs.size() != summary.p1.size())
        return "the summary has " + std::to_string(summary.p1.size()) + " jobs, " + data_path +
               " has " + std::to_string(jobs.size());
    for (std::size_t j = 0; j < jobs.size(); ++j) {
        const bool exchanged = jobs[j].route == 2;
        const long long p1 = exchanged ? jobs[j].p2 : jobs[j].p1;
        const long long p2 = exchanged ? jobs[j].p1 : jobs[j].p2;
        if (p1 != summary.p1[j] || p2 != summary.p2[j])
            return "job " + std::to_string(j + 1) + "'s times differ from " + data_path + "'s";
    }
    return "";
}

}  // namespace

int main(int argc, char** argv) {
    std::string data_path, proof_path;
    long long nodes = DEFAULT_NODES;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            std::fputs(HELP_TEXT, stdout);
            return EXIT_OK;
        }
        if (arg == "--data" || arg == "--nodes") {
            if (i + 1 >= argc) return usage_error(arg + " needs a value");
            const std::string value = argv[++i];
            if (arg == "--data") {
                data_path = value;
            } else {
                const std::optional<long long> parsed = parse_integer(value, 1, 1LL << 50);
                if (!parsed) return usage_error("--nodes takes a positive number");
                nodes = *parsed;
            }
        } else if (!arg.empty() && arg[0] == '-') {
            return usage_error("unknown option " + arg);
        } else if (proof_path.empty()) {
            proof_path = arg;
        } else {
            return usage_error("one proof summary at a time");
        }
    }
    if (proof_path.empty()) return usage_error("no proof summary given");
    const std::optional<std::string> text = read_file(proof_path);
    if (!text) {
        report_error(PROGRAM, "cannot read " + proof_path);
        return EXIT_BAD_INPUT;
    }
    std::string error;
    const std::optional<ProofSummary> summary = parse_proof_summary(*text, error);
    if (!summary) {
        report_error(PROGRAM, proof_path + ": refused: " + error);
        return EXIT_BAD_INPUT;
    }
    if (!data_path.empty()) {
        const std::string mismatch = data_mismatch(*summary, data_path);
        if (!mismatch.empty()) {
            report_error(PROGRAM, proof_path + ": refused: " + mismatch);
            return EXIT_BAD_INPUT;
        }
    }
    const ProofVerdict verdict = check_proof(*summary, nodes);
    if (verdict.kind == ProofVerdict::Kind::refused) {
        report_error(PROGRAM, proof_path + ": refused: " + verdict.message);
        return EXIT_BAD_INPUT;
    }
    std::printf("%s: %s: objective %lld, %s\n", proof_path.c_str(),
                verdict.kind == ProofVerdict::Kind::confirmed ? "checked" : "not settled",
                static_cast<long long>(summary->objective), verdict.message.c_str());
    return verdict.kind == ProofVerdict::Kind::confirmed ? EXIT_OK : EXIT_UNSETTLED;
}
