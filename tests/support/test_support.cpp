// Test helpers.
#include "support/test_support.hpp"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

#include "input/jobs.hpp"

namespace zemko_test {

namespace fs = std::filesystem;

ScratchDir::ScratchDir() {
    std::string pattern = (fs::temp_directory_path() / "zemko-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

ScratchDir::~ScratchDir() {
    std::error_code ignored;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(path_, ignored);
}

void ScratchDir::write(const std::string& name, const std::string& content) const {
    std::ofstream out(file(name), std::ios::binary);
    out << content;
}

std::string ScratchDir::read(const std::string& name) const {
    std::ifstream in(file(name), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

bool ScratchDir::exists(const std::string& name) const { return fs::exists(file(name)); }

RunResult run_program(const std::string& program, const std::vector<std::string>& args,
                      const std::string& dir) {
    int pipe_fds[2];
    if (::pipe(pipe_fds) != 0) throw std::runtime_error("pipe failed");
    pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(pipe_fds[1], 1);
        ::close(pipe_fds[0]);
        ::close(pipe_fds[1]);
        if (::chdir(dir.c_str()) != 0) ::_exit(127);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    ::close(pipe_fds[1]);
    RunResult result;
    char buffer[65536];
    for (ssize_t n; (n = ::read(pipe_fds[0], buffer, sizeof buffer)) > 0;)
        result.output.append(buffer, static_cast<size_t>(n));
    ::close(pipe_fds[0]);
    int wstatus = 0;
    ::waitpid(pid, &wstatus, 0);
    result.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
    return result;
}

RunResult run_zemko(const std::string& dir, const std::vector<std::string>& args) {
    return run_program(ZEMKO_EXE, args, dir);
}

std::string without_time_line(const std::string& output) {
    std::istringstream in(output);
    std::string line, kept;
    while (std::getline(in, line))
        if (line.rfind("ZEMKO CPU Time : ", 0) != 0) kept += line + "\n";
    return kept;
}

void set_jobs(const std::vector<std::pair<int, int>>& times) {
    zemko::n_jobs = static_cast<int>(times.size());
    for (int i = 0; i < zemko::n_jobs; ++i)
        zemko::jobs[i] = {i + 1, times[i].first, times[i].second, 1};
}

std::string data_file(const std::vector<std::pair<int, int>>& times, int route) {
    std::string text;
    for (size_t i = 0; i < times.size(); ++i)
        text += std::to_string(i + 1) + " " + std::to_string(times[i].first) + " " +
                std::to_string(times[i].second) + " " + std::to_string(route) + "\n";
    return text;
}

long long objective_of(const std::vector<int>& seq, const std::vector<std::pair<int, int>>& times) {
    long long m1 = 0, m2 = 0, sum = 0;
    for (int j : seq) {
        m1 += times.at(j).first;
        m2 = std::max(m1, m2) + times.at(j).second;
        sum += m2;
    }
    return sum;
}

long long brute_force_optimum(const std::vector<std::pair<int, int>>& times) {
    std::vector<int> seq(times.size());
    for (size_t i = 0; i < seq.size(); ++i) seq[i] = static_cast<int>(i);
    long long best = objective_of(seq, times);
    while (std::next_permutation(seq.begin(), seq.end()))
        best = std::min(best, objective_of(seq, times));
    return best;
}

std::vector<long long> parse_numbers(const std::string& text) {
    std::istringstream in(text);
    std::vector<long long> numbers;
    for (long long v; in >> v;) numbers.push_back(v);
    return numbers;
}

std::vector<std::pair<int, int>> random_times(unsigned seed, int n, int low, int high) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> dist(low, high);
    std::vector<std::pair<int, int>> times(n);
    for (auto& t : times) {
        t.first = dist(rng);
        t.second = dist(rng);
    }
    return times;
}

std::string source_path(const std::string& relative) {
    return std::string(ZEMKO_SOURCE_DIR) + "/" + relative;
}

}  // namespace zemko_test
