// Test helpers.
#include "support/test_support.hpp"

#include <fcntl.h>
#include <grp.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

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

bool ScratchDir::exists(const std::string& name) const {
    return fs::exists(file(name));
}

namespace {

// How one child process is started.
struct Launch {
    std::vector<std::string> command;  // program and arguments
    std::string dir;                   // working directory
    int gate_read = -1;                // when set: wait until this pipe is closed, then start
    int gate_write = -1;               // the gate's other end, closed at once in the child
    bool unprivileged = false;         // drop root rights first
    size_t address_space = 0;          // when nonzero: the most memory the child may map
};

struct Started {
    pid_t pid = -1;
    int output = -1;  // read end of the child's standard output
};

constexpr int EXIT_NOT_STARTED = 126;
constexpr int EXIT_NOT_FOUND = 127;

Started start(const Launch& launch) {
    int pipe_fds[2];
    if (::pipe2(pipe_fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    pid_t pid = ::fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        ::dup2(pipe_fds[1], 1);
        if (launch.gate_write >= 0) ::close(launch.gate_write);
        if (::chdir(launch.dir.c_str()) != 0) ::_exit(EXIT_NOT_STARTED);
        if (launch.unprivileged && ::geteuid() == 0) {
            gid_t gid = UNPRIVILEGED_ID;
            if (::setgroups(1, &gid) != 0 || ::setgid(gid) != 0 || ::setuid(UNPRIVILEGED_ID) != 0)
                ::_exit(EXIT_NOT_STARTED);
        }
        if (launch.address_space) {
            struct rlimit limit = {launch.address_space, launch.address_space};
            if (::setrlimit(RLIMIT_AS, &limit) != 0) ::_exit(EXIT_NOT_STARTED);
        }
        if (launch.gate_read >= 0) {
            char byte;
            ssize_t n;
            do
                n = ::read(launch.gate_read, &byte, 1);
            while (n > 0 || (n < 0 && errno == EINTR));
        }
        std::vector<char*> argv;
        for (const std::string& a : launch.command)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execvp(argv[0], argv.data());
        ::_exit(errno == EACCES ? EXIT_NOT_STARTED : EXIT_NOT_FOUND);
    }
    ::close(pipe_fds[1]);
    return {pid, pipe_fds[0]};
}

RunResult finish(const Started& child) {
    RunResult result;
    char buffer[65536];
    for (ssize_t n; (n = ::read(child.output, buffer, sizeof buffer)) > 0;)
        result.output.append(buffer, static_cast<size_t>(n));
    ::close(child.output);
    int wstatus = 0;
    ::waitpid(child.pid, &wstatus, 0);
    result.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
    return result;
}

// The zemko command line, behind the wrapper that ZEMKO_RUN_WRAPPER names, if any; the
// executable is the one ZEMKO_RUN_EXE names (another build, for another processor), if any.
std::vector<std::string> zemko_command(const std::vector<std::string>& args) {
    std::vector<std::string> command;
    if (const char* wrapper = std::getenv("ZEMKO_RUN_WRAPPER")) {
        std::istringstream words(wrapper);
        for (std::string w; words >> w;)
            command.push_back(w);
    }
    const char* other = std::getenv("ZEMKO_RUN_EXE");
    command.push_back(other && *other ? other : ZEMKO_EXE);
    command.insert(command.end(), args.begin(), args.end());
    return command;
}

}  // namespace

RunResult run_program(const std::string& program, const std::vector<std::string>& args,
                      const std::string& dir) {
    Launch launch;
    launch.command.push_back(program);
    launch.command.insert(launch.command.end(), args.begin(), args.end());
    launch.dir = dir;
    return finish(start(launch));
}

RunResult run_zemko(const std::string& dir, const std::vector<std::string>& args) {
    Launch launch;
    launch.command = zemko_command(args);
    launch.dir = dir;
    return finish(start(launch));
}

std::vector<RunResult> run_zemko_together(const std::string& dir,
                                          const std::vector<std::vector<std::string>>& runs) {
    int gate[2];
    if (::pipe2(gate, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    std::vector<Started> children;
    for (const auto& args : runs) {
        Launch launch;
        launch.command = zemko_command(args);
        launch.dir = dir;
        launch.gate_read = gate[0];
        launch.gate_write = gate[1];
        children.push_back(start(launch));
    }
    ::close(gate[1]);  // every child exists: open the gate
    ::close(gate[0]);
    std::vector<RunResult> results;
    for (const Started& child : children)
        results.push_back(finish(child));
    return results;
}

RunResult run_zemko_unprivileged(const std::string& dir, const std::vector<std::string>& args) {
    Launch launch;
    launch.command = zemko_command(args);
    launch.dir = dir;
    launch.unprivileged = true;
    return finish(start(launch));
}

RunResult run_zemko_with_memory_limit(const std::string& dir, const std::vector<std::string>& args,
                                      size_t bytes) {
    Launch launch;
    launch.command = zemko_command(args);
    launch.dir = dir;
    launch.address_space = bytes;
    return finish(start(launch));
}

bool built_with_address_sanitizer() {
#if defined(__SANITIZE_ADDRESS__)
    return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    return true;
#endif
#endif
    return false;
}

std::string without_time_line(const std::string& output) {
    std::istringstream in(output);
    std::string line, kept;
    while (std::getline(in, line))
        if (line.rfind("ZEMKO CPU Time : ", 0) != 0) kept += line + "\n";
    return kept;
}

zemko::JobTable table_of(const std::vector<std::pair<int, int>>& times) {
    zemko::JobTable table;
    table.n_jobs = static_cast<int>(times.size());
    for (int i = 0; i < table.n_jobs; ++i)
        table.jobs[i] = {i + 1, times[i].first, times[i].second, 1};
    return table;
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
    for (size_t i = 0; i < seq.size(); ++i)
        seq[i] = static_cast<int>(i);
    long long best = objective_of(seq, times);
    while (std::next_permutation(seq.begin(), seq.end()))
        best = std::min(best, objective_of(seq, times));
    return best;
}

long long brute_force_optimum(const zemko::JobTimes& times) {
    std::vector<int> seq(times.count());
    for (size_t i = 0; i < seq.size(); ++i)
        seq[i] = static_cast<int>(i);
    zemko::Cost best = zemko::sequence_objective(times, seq);
    while (std::next_permutation(seq.begin(), seq.end()))
        best = std::min(best, zemko::sequence_objective(times, seq));
    return best;
}

std::vector<long long> parse_numbers(const std::string& text) {
    std::istringstream in(text);
    std::vector<long long> numbers;
    for (long long v; in >> v;)
        numbers.push_back(v);
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
    // Appended piece by piece: g++ 12 misreads the chained + of a literal as an overflow.
    std::string path = ZEMKO_SOURCE_DIR;
    path += '/';
    path += relative;
    return path;
}

std::string read_text(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace zemko_test
