#include "SaveQueue.h"

#include <atomic>
#include <condition_variable>
#include <deque>

#include <QRandomGenerator>

#include "ProcessEnd.h"

namespace rankfile {

// Shared with the thread, which may outlive the queue when a save hangs on
// the disk at the end of the program.
struct SaveQueue::Shared {
    struct Job {
        QString path;
        HighScore value;
    };
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<Job> waiting;  // not begun yet
    bool saving = false;
    bool closing = false;
    std::chrono::milliseconds lockWait;
    // When the program ends: read by the save under way while it waits.
    std::atomic<Clock::time_point> deadline{Clock::time_point::max()};
    void bringForward(Clock::time_point to) {
        Clock::time_point earlier = deadline;
        while (to < earlier && !deadline.compare_exchange_weak(earlier, to)) {
        }
    }
    std::mutex doneMutex;  // done is cleared when the queue is left behind
    Done done;
};

std::mutex SaveQueue::everyQueueMutex_;
std::vector<std::weak_ptr<SaveQueue::Shared>> SaveQueue::everyQueue_;

SaveQueue::SaveQueue(std::chrono::milliseconds lockWait, Done done)
    : lockWait_(lockWait), shared_(std::make_shared<Shared>()) {
    shared_->lockWait = lockWait;
    shared_->done = std::move(done);
    {
        const std::lock_guard lock(everyQueueMutex_);
        std::erase_if(everyQueue_, [](const auto& queue) { return queue.expired(); });
        everyQueue_.emplace_back(shared_);
    }
    thread_ = std::thread(run, shared_);
}

SaveQueue::~SaveQueue() {
    finishBy(Clock::now() + lockWait_);
    if (finish(*shared_, shared_->deadline, true)) {
        thread_.join();
        return;
    }
    {
        const std::lock_guard doneLock(shared_->doneMutex);
        shared_->done = nullptr;
    }
    lifetime::threadLeftBehind();
    thread_.detach();
}

bool SaveQueue::push(const QString& path, const HighScore& value) {
    const std::lock_guard lock(shared_->mutex);
    if (!shared_->waiting.empty() && shared_->waiting.back().path == path) {
        Shared::Job& last = shared_->waiting.back();
        if (comparable(value) >= comparable(last.value)) last.value = value;
        return false;
    }
    shared_->waiting.push_back({path, value});
    shared_->changed.notify_all();
    return true;
}

void SaveQueue::finishBy(Clock::time_point deadline) { shared_->bringForward(deadline); }

// Waits until nothing is left to save, at most until deadline; true when
// nothing is. Closing, the thread ends then.
bool SaveQueue::finish(Shared& shared, Clock::time_point deadline, bool close) {
    std::unique_lock lock(shared.mutex);
    shared.closing = shared.closing || close;
    shared.changed.notify_all();
    return shared.changed.wait_until(lock, deadline,
                                     [&] { return shared.waiting.empty() && !shared.saving; });
}

bool SaveQueue::finishAll(std::chrono::milliseconds within) {
    std::vector<std::shared_ptr<Shared>> queues;
    {
        const std::lock_guard lock(everyQueueMutex_);
        for (const std::weak_ptr<Shared>& queue : everyQueue_)
            if (std::shared_ptr<Shared> shared = queue.lock()) queues.push_back(std::move(shared));
    }
    const Clock::time_point deadline = Clock::now() + within;
    bool finished = true;
    for (const std::shared_ptr<Shared>& shared : queues) {
        shared->bringForward(deadline);
        finished = finish(*shared, shared->deadline, false) && finished;
    }
    return finished;
}

void SaveQueue::run(const std::shared_ptr<Shared>& shared) {
    // The lock wait ends a tenth of the cap before the program's end, so
    // that the write still fits in. Copies told to end at the same moment (a
    // logout) would give up together and save at once without the lock: each
    // save gives up at its own moment in the first half of that tenth.
    const auto reserve = shared->lockWait / 10;
    Clock::duration spread{};
    const auto endBy = [&shared, reserve, &spread] {
        const Clock::time_point deadline = shared->deadline;
        return deadline == Clock::time_point::max() ? deadline : deadline - reserve + spread;
    };
    std::unique_lock lock(shared->mutex);
    for (;;) {
        shared->changed.wait(lock, [&] { return !shared->waiting.empty() || shared->closing; });
        if (shared->waiting.empty()) return;
        const Shared::Job job = std::move(shared->waiting.front());
        shared->waiting.pop_front();
        shared->saving = true;
        lock.unlock();
        spread = std::chrono::milliseconds(
            QRandomGenerator::global()->bounded(static_cast<int>(reserve.count() / 2) + 1));
        const SaveResult result = save(job.path, job.value, shared->lockWait, endBy);
        {
            const std::lock_guard doneLock(shared->doneMutex);
            if (shared->done) shared->done(result);
        }
        lock.lock();
        shared->saving = false;
        shared->changed.notify_all();
    }
}

}  // namespace rankfile
