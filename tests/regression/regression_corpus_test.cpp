// The regression corpus: hundreds of whole runs of the executable on generated instances and
// settings, each checked against the hash of what the plain solver printed and wrote for it
// (the console output but its time line, ub.rep, the objective in out.txt, the exit status),
// with one, two and all hardware threads. The corpus is made by make_corpus.py.
// ZEMKO_CORPUS_SAMPLE=k runs only every k-th case, with the default threads (for slow runs: an
// executable for another processor under an emulator).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "support/test_support.hpp"
#include "tools/instance_generation.hpp"

using namespace zemko_test;

namespace {

constexpr int SHARDS = 8;

struct CorpusCase {
    int id;
    zemko_tools::InstanceShape shape;
    std::int32_t seed;
    bool has_settings;
    std::string settings;  // ZEMKO.INI without its Threads line
    std::string hash;
};

std::vector<CorpusCase> read_corpus() {
    std::ifstream in(source_path("tests/regression/corpus.txt"));
    std::vector<CorpusCase> cases;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        size_t bar1 = line.find(" | ");
        size_t bar2 = line.rfind(" | ");
        CorpusCase c;
        std::istringstream head(line.substr(0, bar1));
        head >> c.id >> c.shape.n_jobs >> c.seed >> c.shape.low >> c.shape.high >> c.shape.route;
        std::string settings = line.substr(bar1 + 3, bar2 - bar1 - 3);
        c.has_settings = settings != "-";
        for (size_t start = 0; c.has_settings && start <= settings.size();) {
            size_t end = settings.find(';', start);
            if (end == std::string::npos) end = settings.size();
            if (end > start) c.settings += settings.substr(start, end - start) + "\n";
            start = end + 1;
        }
        c.hash = line.substr(bar2 + 3);
        cases.push_back(c);
    }
    return cases;
}

std::uint64_t fnv1a64(const std::string& data) {
    std::uint64_t h = 0xCBF29CE484222325ULL;
    for (unsigned char b : data) {
        h ^= b;
        h *= 0x100000001B3ULL;
    }
    return h;
}

// What the hash covers, in the form make_corpus.py gives it.
std::string run_digest(const ScratchDir& dir, const RunResult& run) {
    std::string console;
    size_t start = 0;
    bool first = true;
    for (;;) {
        size_t end = run.output.find('\n', start);
        std::string part = run.output.substr(start, end == std::string::npos ? end : end - start);
        if (part.rfind("ZEMKO CPU Time : ", 0) != 0) {
            if (!first) console += "\n";
            console += part;
            first = false;
        }
        if (end == std::string::npos) break;
        start = end + 1;
    }
    std::string out = dir.read("out.txt");
    std::string objective = out.substr(0, out.find(' '));
    std::string text =
        console + '\0' + dir.read("ub.rep") + '\0' + objective + '\0' + std::to_string(run.status);
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(fnv1a64(text)));
    return hex;
}

class RegressionCorpus : public testing::TestWithParam<int> {};

}  // namespace

TEST_P(RegressionCorpus, RunsGiveThePlainSolversResultsWithAnyThreadCount) {
    std::vector<CorpusCase> cases = read_corpus();
    ASSERT_GE(cases.size(), 300u);
    const char* sample_text = std::getenv("ZEMKO_CORPUS_SAMPLE");
    const int sample = sample_text ? std::max(1, std::atoi(sample_text)) : 1;
    for (const CorpusCase& c : cases) {
        if (c.id % SHARDS != GetParam() || (c.id / SHARDS) % sample != 0) continue;
        std::int32_t seed = c.seed;
        std::string data = c.shape.n_jobs > 0 ? zemko_tools::generate_instance(c.shape, seed) : "";
        std::vector<std::string> thread_lines = {"Threads = 1\n", "Threads = 2\n", ""};
        if (!c.has_settings || sample > 1) thread_lines = {""};
        for (const std::string& threads : thread_lines) {
            ScratchDir dir;
            dir.write("instance.txt", data);
            if (c.has_settings) dir.write("ZEMKO.INI", c.settings + threads);
            RunResult run = run_zemko(dir.path(), {"instance.txt"});
            ASSERT_EQ(run_digest(dir, run), c.hash)
                << "case " << c.id << " (" << c.shape.n_jobs << " jobs) with " << threads;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Shards, RegressionCorpus, testing::Range(0, SHARDS));
