// The interrupt watcher.
#include "app/interrupt.hpp"

#include <pthread.h>
#include <signal.h>
#include <system_error>

namespace zemko {

namespace {

// SIGINT is the interrupt; SIGUSR2, sent to the watcher alone, tells it to end.
constexpr int WATCH_END_SIGNAL = SIGUSR2;

sigset_t watched_set() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, WATCH_END_SIGNAL);
    return set;
}

}  // namespace

InterruptWatch::InterruptWatch(std::atomic<bool>& stop) : stop_(stop) {
    const sigset_t set = watched_set();
    ::pthread_sigmask(SIG_BLOCK, &set, nullptr);
    try {
        start_watcher(set);
    } catch (const std::system_error&) {
        // No thread to spare (a tight address-space limit): Ctrl-C keeps its default action.
        ::pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
    }
}

void InterruptWatch::start_watcher(const sigset_t& set) {
    watcher_ = std::thread([this, set] {
        for (;;) {
            int signal_number = 0;
            if (::sigwait(&set, &signal_number) != 0) continue;
            if (signal_number == WATCH_END_SIGNAL) {
                if (done_.load()) return;
                continue;
            }
            if (!stop_.exchange(true)) continue;
            // A second interrupt: the default action, which ends the process.
            sigset_t interrupt;
            sigemptyset(&interrupt);
            sigaddset(&interrupt, SIGINT);
            ::signal(SIGINT, SIG_DFL);
            ::pthread_sigmask(SIG_UNBLOCK, &interrupt, nullptr);
            ::raise(SIGINT);
        }
    });
}

InterruptWatch::~InterruptWatch() {
    if (!watcher_.joinable()) return;
    done_.store(true);
    ::pthread_kill(watcher_.native_handle(), WATCH_END_SIGNAL);
    watcher_.join();
    const sigset_t set = watched_set();
    ::pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
}

}  // namespace zemko
