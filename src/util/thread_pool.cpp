// The worker pool: workers wait for a batch to be posted, then take indices from a shared
// counter; the caller works on the batch too and waits for the rest. A level posts several
// short batches with short sequential parts between them, so waiting threads first spin for a
// while (a wake-up through the kernel costs about as much as a small batch) and only then
// sleep on a condition variable.
#include "util/thread_pool.hpp"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace zemko {

namespace {

// Each thread takes about this many blocks of a batch: enough to even out uneven items.
constexpr int ITEMS_PER_THREAD_BLOCKS = 16;

// Checks of a waited-for change before a thread sleeps: a fraction of a millisecond. Every
// YIELD_EVERY-th check gives the core to any other thread that is ready to run on it, so that
// spinning costs little when the cores are shared (several solvers at once, say).
constexpr int SPIN_CHECKS = 20000;
constexpr int YIELD_EVERY = 8;

inline void spin_pause() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#elif defined(__aarch64__)
    asm volatile("yield");
#endif
}

// Spins until done() holds or the checks run out; returns done().
template <typename Done>
bool spin_until(Done done) {
    for (int i = 1; i <= SPIN_CHECKS; ++i) {
        if (done()) return true;
        if (i % YIELD_EVERY == 0)
            std::this_thread::yield();
        else
            spin_pause();
    }
    return done();
}

}  // namespace

void ThreadPool::resize(int threads) {
    if (threads < 1) threads = 1;
    if (threads == size()) return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_.store(true);
    }
    wake_.notify_all();
    for (std::thread& t : workers_)
        t.join();
    workers_.clear();
    stopping_.store(false);
    // A new worker waits for the next batch, not for one posted before it existed.
    const unsigned long seen = generation_.load();
    // A thread the system refuses leaves the pool smaller; results do not depend on its size.
    try {
        for (int i = 1; i < threads; ++i)
            workers_.emplace_back([this, i, seen] { work_loop(i, seen); });
    } catch (const std::system_error&) {
    }
}

void ThreadPool::run(int count, const WorkItem& body) {
    if (count <= 0) return;
    if (workers_.empty() || count == 1) {
        for (int i = 0; i < count; ++i)
            body(i, 0);
        return;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        body_ = &body;
        count_ = count;
        block_ = count / (ITEMS_PER_THREAD_BLOCKS * size()) + 1;
        failure_ = nullptr;
        failed_.store(false);
        next_.store(0);
        busy_.store(static_cast<int>(workers_.size()));
        generation_.store(generation_.load() + 1, std::memory_order_release);
    }
    wake_.notify_all();
    take_items(body, count, 0);
    const auto all_done = [this] { return busy_.load(std::memory_order_acquire) == 0; };
    if (!spin_until(all_done)) {
        std::unique_lock<std::mutex> lock(mutex_);
        done_.wait(lock, all_done);
    }
    body_ = nullptr;
    if (failed_.load()) std::rethrow_exception(failure_);
}

// Items are taken in blocks, so that threads seldom touch the shared counter or write results
// that share a cache line.
void ThreadPool::take_items(const WorkItem& body, int count, int thread) {
    const int block = block_;
    try {
        for (int first; !failed_.load(std::memory_order_relaxed) &&
                        (first = next_.fetch_add(block)) < count;) {
            const int last = first + block < count ? first + block : count;
            for (int i = first; i < last; ++i)
                body(i, thread);
        }
    } catch (...) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!failed_.load()) failure_ = std::current_exception();
        failed_.store(true);
    }
}

void ThreadPool::work_loop(int thread, unsigned long seen) {
    for (;;) {
        // The batch's fields are written before its generation is published.
        const auto posted = [&] {
            return stopping_.load(std::memory_order_acquire) ||
                   generation_.load(std::memory_order_acquire) != seen;
        };
        if (!spin_until(posted)) {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, posted);
        }
        if (stopping_.load(std::memory_order_acquire)) return;
        seen = generation_.load(std::memory_order_acquire);
        take_items(*body_, count_, thread);
        if (busy_.fetch_sub(1, std::memory_order_acq_rel) == 1) {
            // Under the lock, so that a caller about to sleep cannot miss it.
            std::lock_guard<std::mutex> lock(mutex_);
            done_.notify_one();
        }
    }
}

int threads_for_setting(int setting) {
    // More threads than the hardware runs at once would only wait for each other.
    const int hardware = static_cast<int>(std::thread::hardware_concurrency());
    if (setting <= 0 || (hardware > 0 && setting > hardware)) return hardware > 0 ? hardware : 1;
    return setting;
}

}  // namespace zemko
