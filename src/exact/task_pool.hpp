// The tasks of the exact search's workers side by side: the partial sequences made at the
// start and those a busy worker hands on to a waiting one, and when every task is done.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

#include "util/cost.hpp"

namespace zemko {

// A partial sequence to search below, with the bound it had when it was made.
struct Task {
    std::vector<int> prefix;
    Cost bound = 0;
};

struct TaskPool {
    std::mutex mutex;  // guards all but hungry
    std::condition_variable wake;
    std::deque<Task> tasks;
    int busy = 0;                     // workers on a task
    int waiting = 0;                  // workers waiting for a task
    std::atomic<bool> hungry{false};  // a worker waits and no task is left: read without the lock
};

// Takes the next task into `task`, waiting while none is left but a worker on a task may yet
// hand some on; false when every task is done. A true return must be followed by a TaskInHand.
bool take_task(TaskPool& pool, Task& task);

// Adds the tasks of a busy worker, `handed` (emptied), and wakes the waiting workers.
void hand_on_tasks(TaskPool& pool, std::vector<Task>& handed);

// Marks a taken task done when it ends, by return or by exception: the waiting workers must
// learn when no task can come any more.
class TaskInHand {
  public:
    explicit TaskInHand(TaskPool& pool) : pool_(pool) {}
    TaskInHand(const TaskInHand&) = delete;
    TaskInHand& operator=(const TaskInHand&) = delete;
    ~TaskInHand();

  private:
    TaskPool& pool_;
};

}  // namespace zemko
