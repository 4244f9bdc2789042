#include "SaveQueue.h"

#include <condition_variable>
#include <deque>
#include <mutex>

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
    std::mutex doneMutex;  // done is cleared when the queue is left behind
    Done done;
};

SaveQueue::SaveQueue(std::chrono::milliseconds lockWait, Done done)
    : lockWait_(lockWait), shared_(std::make_shared<Shared>()) {
    shared_->lockWait = lockWait;
    shared_->done = std::move(done);
    thread_ = std::thread(run, shared_);
}

SaveQueue::~SaveQueue() {
    std::unique_lock lock(shared_->mutex);
    shared_->closing = true;
    shared_->changed.notify_all();
    const bool finished = shared_->changed.wait_for(lock, lockWait_, [this] {
        return shared_->waiting.empty() && !shared_->saving;
    });
    lock.unlock();
    if (finished) {
        thread_.join();
        return;
    }
    {
        const std::lock_guard doneLock(shared_->doneMutex);
        shared_->done = nullptr;
    }
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

void SaveQueue::run(const std::shared_ptr<Shared>& shared) {
    std::unique_lock lock(shared->mutex);
    for (;;) {
        shared->changed.wait(lock, [&] { return !shared->waiting.empty() || shared->closing; });
        if (shared->waiting.empty()) return;
        const Shared::Job job = std::move(shared->waiting.front());
        shared->waiting.pop_front();
        shared->saving = true;
        lock.unlock();
        const SaveResult result = save(job.path, job.value, shared->lockWait);
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
