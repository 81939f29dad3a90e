// Ctrl-C during a run: instead of killing the process, it raises the run's stop flag, so that
// the run ends cleanly; a second Ctrl-C kills the process as usual.
#pragma once

#include <signal.h>

#include <atomic>
#include <thread>

namespace zemko {

// Watches for the interrupt signal while it lives: a thread of its own waits for the signal,
// which every thread of the process blocks. Construct it before any other thread starts.
class InterruptWatch {
  public:
    explicit InterruptWatch(std::atomic<bool>& stop);
    InterruptWatch(const InterruptWatch&) = delete;
    InterruptWatch& operator=(const InterruptWatch&) = delete;
    ~InterruptWatch();

  private:
    void start_watcher(const sigset_t& set);

    std::atomic<bool>& stop_;
    std::atomic<bool> done_{false};
    std::thread watcher_;
};

}  // namespace zemko
