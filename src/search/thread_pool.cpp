// The worker pool: workers sleep on a condition variable until a batch is posted, then take
// indices from a shared counter; the caller works on the batch too and waits for the rest.
#include "search/thread_pool.hpp"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace zemko {

namespace {

// Each thread takes about this many blocks of a batch: enough to even out uneven items.
constexpr int ITEMS_PER_THREAD_BLOCKS = 16;

class Pool {
  public:
    ~Pool() { resize(1); }

    int size() const { return static_cast<int>(workers_.size()) + 1; }

    void resize(int threads) {
        if (threads < 1) threads = 1;
        if (threads == size()) return;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_all();
        for (std::thread& t : workers_)
            t.join();
        workers_.clear();
        stopping_ = false;
        // A new worker waits for the next batch, not for one posted before it existed.
        for (int i = 1; i < threads; ++i)
            workers_.emplace_back([this, i, seen = generation_] { work_loop(i, seen); });
    }

    void run(int count, const WorkItem& body) {
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
            next_.store(0);
            busy_ = static_cast<int>(workers_.size());
            ++generation_;
        }
        wake_.notify_all();
        take_items(body, count, 0);
        std::unique_lock<std::mutex> lock(mutex_);
        done_.wait(lock, [this] { return busy_ == 0; });
        body_ = nullptr;
    }

  private:
    // Items are taken in blocks, so that threads seldom touch the shared counter or write
    // results that share a cache line.
    void take_items(const WorkItem& body, int count, int thread) {
        const int block = block_;
        for (int first; (first = next_.fetch_add(block)) < count;) {
            const int last = first + block < count ? first + block : count;
            for (int i = first; i < last; ++i)
                body(i, thread);
        }
    }

    void work_loop(int thread, unsigned long seen) {
        for (;;) {
            const WorkItem* body;
            int count;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                wake_.wait(lock, [&] { return stopping_ || generation_ != seen; });
                if (stopping_) return;
                seen = generation_;
                body = body_;
                count = count_;
            }
            take_items(*body, count, thread);
            std::lock_guard<std::mutex> lock(mutex_);
            if (--busy_ == 0) done_.notify_one();
        }
    }

    std::vector<std::thread> workers_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    const WorkItem* body_ = nullptr;  // the batch being worked on
    int count_ = 0;                   // its number of items
    int block_ = 1;                   // items taken at a time
    std::atomic<int> next_{0};        // the next item to take
    int busy_ = 0;                    // workers still on the batch
    unsigned long generation_ = 0;    // batches posted so far
    bool stopping_ = false;
};

Pool& pool() {
    static Pool instance;
    return instance;
}

}  // namespace

void set_worker_threads(int threads) {
    if (threads <= 0) threads = static_cast<int>(std::thread::hardware_concurrency());
    pool().resize(threads);
}

int worker_threads() {
    return pool().size();
}

void parallel_for(int count, const WorkItem& body) {
    pool().run(count, body);
}

}  // namespace zemko
