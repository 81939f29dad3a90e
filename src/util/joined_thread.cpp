#include "util/joined_thread.hpp"

#include <system_error>
#include <utility>

namespace zemko {

JoinedThread::JoinedThread(std::atomic<bool>& stop, std::function<void()> work) : stop_(stop) {
    try {
        thread_ = std::thread([this, work = std::move(work)] {
            try {
                work();
            } catch (...) {
                failure_ = std::current_exception();
            }
        });
    } catch (const std::system_error&) {
    }
}

JoinedThread::~JoinedThread() {
    if (!thread_.joinable()) return;
    stop_.store(true);
    thread_.join();
}

void JoinedThread::join() {
    if (thread_.joinable()) {
        thread_.join();
        joined_ = true;
    }
    if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
}

}  // namespace zemko
