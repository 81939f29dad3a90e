// Running the solver over many data files, each run in a fresh folder.
#include "tools/batch_runs.hpp"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <map>

#include "tools/tool_support.hpp"

namespace zemko_tools {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int EXEC_FAILED_STATUS = 127;

struct RunningProcess {
    size_t index;
    Clock::time_point start;
};

std::string prepare_run_dir(const BatchPlan& plan, const std::string& dir) {
    if (::mkdir(dir.c_str(), 0777) != 0)
        return "cannot create the run folder '" + dir + "': " + std::strerror(errno);
    if (!plan.has_settings) return "";
    std::string problem = write_file_atomically(dir + "/" + SETTINGS_FILE_NAME, plan.settings_text);
    if (!problem.empty()) return "cannot write ZEMKO.INI in '" + dir + "': " + problem;
    return "";
}

// In the child: the run's folder as current folder, its console file as standard output and
// error, nothing on standard input, then the solver. Only async-signal-safe calls here.
[[noreturn]] void exec_run(const char* dir, const char* solver, const char* input) {
    if (::chdir(dir) != 0) ::_exit(EXEC_FAILED_STATUS);
    int console = ::open(CONSOLE_FILE, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int nothing = ::open("/dev/null", O_RDONLY);
    if (console < 0 || nothing < 0) ::_exit(EXEC_FAILED_STATUS);
    ::dup2(nothing, STDIN_FILENO);
    ::dup2(console, STDOUT_FILENO);
    ::dup2(console, STDERR_FILENO);
    if (console > STDERR_FILENO) ::close(console);
    if (nothing > STDERR_FILENO) ::close(nothing);
    char* const argv[] = {const_cast<char*>(solver), const_cast<char*>(input), nullptr};
    ::execv(solver, argv);
    constexpr char message[] = "zemko-batch: cannot start the solver\n";
    ssize_t ignored = ::write(STDERR_FILENO, message, sizeof message - 1);
    (void)ignored;
    ::_exit(EXEC_FAILED_STATUS);
}

int exit_status_of(int wait_status) {
    if (WIFEXITED(wait_status)) return WEXITSTATUS(wait_status);
    if (WIFSIGNALED(wait_status)) return SIGNAL_STATUS_BASE + WTERMSIG(wait_status);
    return NOT_STARTED_STATUS;
}

}  // namespace

std::string run_batch(const BatchPlan& plan, const RunFinished& on_finished,
                      std::vector<RunOutcome>& outcomes) {
    for (const std::string& dir : plan.run_dirs)
        if (std::string problem = prepare_run_dir(plan, dir); !problem.empty()) return problem;

    outcomes.assign(plan.inputs.size(), RunOutcome{});
    std::map<pid_t, RunningProcess> running;
    size_t next = 0;
    size_t finished = 0;
    const size_t parallel = plan.parallel < 1 ? 1 : static_cast<size_t>(plan.parallel);
    while (finished < plan.inputs.size()) {
        while (next < plan.inputs.size() && running.size() < parallel) {
            Clock::time_point start = Clock::now();
            pid_t pid = ::fork();
            if (pid == 0)
                exec_run(plan.run_dirs[next].c_str(), plan.solver.c_str(),
                         plan.inputs[next].c_str());
            if (pid < 0) {
                // Out of processes: wait for a running one to end, or give this run up.
                if (!running.empty()) break;
                ++finished;
                on_finished(next, finished, outcomes[next]);
                ++next;
                continue;
            }
            running[pid] = {next, start};
            ++next;
        }
        if (running.empty()) continue;

        int wait_status = 0;
        struct rusage usage;
        pid_t pid = ::wait4(-1, &wait_status, 0, &usage);
        Clock::time_point end = Clock::now();
        if (pid < 0) {
            if (errno == EINTR) continue;
            return std::string("waiting for the runs failed: ") + std::strerror(errno);
        }
        auto it = running.find(pid);
        if (it == running.end()) continue;
        RunOutcome& outcome = outcomes[it->second.index];
        outcome.seconds = std::chrono::duration<double>(end - it->second.start).count();
        outcome.peak_memory_kb = usage.ru_maxrss;  // kilobytes on Linux
        outcome.exit_status = exit_status_of(wait_status);
        ++finished;
        on_finished(it->second.index, finished, outcome);
        running.erase(it);
    }
    return "";
}

}  // namespace zemko_tools
