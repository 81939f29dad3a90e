// A thread of a run that is joined on every path: leaving its scope (an exception included)
// raises its stop flag and joins it, so no thread of a solve outlives the solve or ends the
// process. What its work throws is kept and thrown again by join().
#pragma once

#include <atomic>
#include <exception>
#include <functional>
#include <thread>

namespace zemko {

class JoinedThread {
  public:
    // Starts `work` on a thread of its own. When the system refuses a thread, nothing runs and
    // started() is false: the caller does the work itself.
    JoinedThread(std::atomic<bool>& stop, std::function<void()> work);
    JoinedThread(const JoinedThread&) = delete;
    JoinedThread& operator=(const JoinedThread&) = delete;
    ~JoinedThread();

    bool started() const { return thread_.joinable() || joined_; }

    // Waits for the work to end; throws what it threw.
    void join();

  private:
    std::atomic<bool>& stop_;
    std::exception_ptr failure_;
    bool joined_ = false;
    std::thread thread_;
};

}  // namespace zemko
