// The interrupt watcher.
#include "app/interrupt.hpp"

#include <pthread.h>
#include <signal.h>
#include <ctime>

namespace zemko {

namespace {

constexpr long POLL_NANOSECONDS = 100'000'000;  // how often the watcher looks whether to end

sigset_t interrupt_set() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    return set;
}

}  // namespace

InterruptWatch::InterruptWatch(std::atomic<bool>& stop) : stop_(stop) {
    const sigset_t set = interrupt_set();
    ::pthread_sigmask(SIG_BLOCK, &set, nullptr);
    watcher_ = std::thread([this, set] {
        const timespec poll{0, POLL_NANOSECONDS};
        while (!done_.load()) {
            if (::sigtimedwait(&set, nullptr, &poll) != SIGINT) continue;
            if (!stop_.exchange(true)) continue;
            // A second interrupt: the default action, which ends the process.
            ::signal(SIGINT, SIG_DFL);
            ::pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
            ::raise(SIGINT);
        }
    });
}

InterruptWatch::~InterruptWatch() {
    done_.store(true);
    watcher_.join();
    const sigset_t set = interrupt_set();
    ::pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
}

}  // namespace zemko
