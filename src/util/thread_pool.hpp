// A pool of worker threads for the parallel steps of a run. Work items write only their own
// results, so what a run computes does not depend on the number of threads.
#pragma once

#include <atomic>
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace zemko {

// body(item, thread): thread is 0 for the caller, 1 .. size() - 1 for the workers.
using WorkItem = std::function<void(int item, int thread)>;

class ThreadPool {
  public:
    ThreadPool() = default;
    ThreadPool(const ThreadPool&) = delete;
    ThreadPool& operator=(const ThreadPool&) = delete;
    ~ThreadPool() { resize(1); }

    // The threads that work on a batch, the caller's included.
    int size() const { return static_cast<int>(workers_.size()) + 1; }

    // Uses `threads` threads from now on (at least 1). A thread the system refuses leaves the
    // pool smaller.
    void resize(int threads);

    // Calls body(i, thread) for every i in [0, count), spread over the pool; returns when all
    // are done. An exception thrown by an item is thrown here once the batch is over.
    void run(int count, const WorkItem& body);

  private:
    void take_items(const WorkItem& body, int count, int thread);
    void work_loop(int thread, unsigned long seen);

    std::vector<std::thread> workers_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    const WorkItem* body_ = nullptr;            // the batch being worked on
    int count_ = 0;                             // its number of items
    int block_ = 1;                             // items taken at a time
    std::atomic<int> next_{0};                  // the next item to take
    std::atomic<int> busy_{0};                  // workers still on the batch
    std::atomic<unsigned long> generation_{0};  // batches posted so far
    std::atomic<bool> stopping_{false};         // the workers are to end
    std::exception_ptr failure_;                // the first exception of the batch
    std::atomic<bool> failed_{false};           // an item threw: take no more items
};

// The threads a run uses for the Threads setting: 0 and values above the hardware's threads
// mean one per hardware thread.
int threads_for_setting(int setting);

}  // namespace zemko
