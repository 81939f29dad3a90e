#include "exact/task_pool.hpp"

#include <utility>

namespace zemko {

namespace {

// The caller holds the pool's mutex.
void update_hunger(TaskPool& pool) {
    pool.hungry.store(pool.waiting > 0 && pool.tasks.empty(), std::memory_order_relaxed);
}

}  // namespace

bool take_task(TaskPool& pool, Task& task) {
    std::unique_lock<std::mutex> lock(pool.mutex);
    for (;;) {
        if (!pool.tasks.empty()) {
            task = std::move(pool.tasks.front());
            pool.tasks.pop_front();
            ++pool.busy;
            update_hunger(pool);
            return true;
        }
        // No worker is on a task, so none can hand one on; a worker not yet started has none.
        // Waiting then would never end when the workers run one after another on one thread.
        if (pool.busy == 0) {
            pool.wake.notify_all();
            return false;
        }
        ++pool.waiting;
        update_hunger(pool);
        pool.wake.wait(lock);
        --pool.waiting;
        update_hunger(pool);
    }
}

void hand_on_tasks(TaskPool& pool, std::vector<Task>& handed) {
    {
        const std::lock_guard<std::mutex> lock(pool.mutex);
        for (Task& task : handed)
            pool.tasks.push_back(std::move(task));
        update_hunger(pool);
    }
    handed.clear();
    pool.wake.notify_all();
}

TaskInHand::~TaskInHand() {
    const std::lock_guard<std::mutex> lock(pool_.mutex);
    if (--pool_.busy == 0) pool_.wake.notify_all();
}

}  // namespace zemko
