// Helpers shared by the tests: scratch directories, running the executable, setting up
// instances in the job table, and an independent schedule evaluation.
#pragma once

#include <cstdint>
#include <ios>
#include <streambuf>
#include <string>
#include <utility>
#include <vector>

#include "input/jobs.hpp"
#include "sequence/job_times.hpp"

namespace zemko_test {

// A fresh directory under the system's temporary folder, removed with its contents at the end.
class ScratchDir {
  public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    void write(const std::string& name, const std::string& content) const;
    std::string read(const std::string& name) const;
    bool exists(const std::string& name) const;

  private:
    std::string path_;
};

struct RunResult {
    int status = -1;     // exit status, or -1 when the process did not exit normally
    std::string output;  // everything written to standard output
};

// Runs the zemko executable with the given arguments in the directory dir. When the
// environment variable ZEMKO_RUN_WRAPPER is set (for example to a valgrind command line), its
// words are put in front of the command; ZEMKO_RUN_EXE names another executable to run.
RunResult run_zemko(const std::string& dir, const std::vector<std::string>& args);

// Runs any executable with arguments in dir, capturing standard output.
RunResult run_program(const std::string& program, const std::vector<std::string>& args,
                      const std::string& dir);

// Runs zemko once per argument list, all in dir, released at the same moment: every process is
// started and waits at a common gate until all of them exist. Results in the order given.
std::vector<RunResult> run_zemko_together(const std::string& dir,
                                          const std::vector<std::vector<std::string>>& runs);

// The user id that run_zemko_unprivileged runs as when the tests run as root.
inline constexpr int UNPRIVILEGED_ID = 65534;

// Runs zemko as an ordinary user, so that file permissions apply to it: as itself when the
// tests do not run as root, otherwise as UNPRIVILEGED_ID. Status 126 means it could not be
// started that way.
RunResult run_zemko_unprivileged(const std::string& dir, const std::vector<std::string>& args);

// Runs zemko with its address space limited to `bytes`, so that allocations fail.
RunResult run_zemko_with_memory_limit(const std::string& dir, const std::vector<std::string>& args,
                                      size_t bytes);

// True when this test binary was built with the address sanitizer (which needs a vast address
// space of its own, so memory limits cannot be tested under it).
bool built_with_address_sanitizer();

// The output with the run-time line ("ZEMKO CPU Time : ...") taken out.
std::string without_time_line(const std::string& output);

// A job table of the given (p1, p2) pairs as jobs 1..n with route 1.
zemko::JobTable table_of(const std::vector<std::pair<int, int>>& times);

// Text of a data file listing the (p1, p2) pairs as jobs 1..n with the given route.
std::string data_file(const std::vector<std::pair<int, int>>& times, int route = 1);

// Sum of the machine-2 completion times of a sequence, computed independently of the solver.
long long objective_of(const std::vector<int>& seq, const std::vector<std::pair<int, int>>& times);

// The smallest objective over all orders of the jobs (small instances only).
long long brute_force_optimum(const std::vector<std::pair<int, int>>& times);
// The same for the solver's view of the times, evaluated by sequence_objective.
long long brute_force_optimum(const zemko::JobTimes& times);

// Reads "fo j0 j1 ..." from the text of a ub.rep file.
std::vector<long long> parse_numbers(const std::string& text);

// splitmix64, with a bounded draw of our own: the same instances on every platform.
struct SmallRng {
    std::uint64_t state;
    std::uint64_t next() {
        std::uint64_t z = (state += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }
    int between(int low, int high) {  // uniform enough in [low, high] for tests
        return low + static_cast<int>(next() % static_cast<std::uint64_t>(high - low + 1));
    }
};

// A deterministic pseudo-random instance: n jobs, times uniform in [low, high].
std::vector<std::pair<int, int>> random_times(unsigned seed, int n, int low, int high);

// A stream buffer that serves `text` and then fails as a file's buffer does on an I/O error:
// by throwing from underflow.
class FailingStreamBuf : public std::streambuf {
  public:
    explicit FailingStreamBuf(std::string text) : text_(std::move(text)) {
        setg(text_.data(), text_.data(), text_.data() + text_.size());
    }

  protected:
    int_type underflow() override { throw std::ios_base::failure("read error"); }

  private:
    std::string text_;
};

// The whole content of a file ("" when it cannot be read).
std::string read_text(const std::string& path);

// The path of a file of the source tree.
std::string source_path(const std::string& relative);

}  // namespace zemko_test
