#pragma once

#include <QString>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "RankFile.h"

namespace rankfile {

// Saves rank.dat on a thread of its own, so that neither the wait for
// another copy's lock nor a slow disk holds up the caller. The one thread
// takes the saves one after the other in the order they were asked for, so
// no two of them cross. A save asked for while an earlier one still waits
// its turn takes that one's place: the file gets the newer value once.
class SaveQueue {
public:
    using Clock = std::chrono::steady_clock;
    // done runs on the saving thread after each save, with its result.
    using Done = std::function<void(const SaveResult&)>;
    SaveQueue(std::chrono::milliseconds lockWait, Done done);
    // Finishes the saves still asked for, by the moment finishBy set or else
    // within lockWait; past that the thread is left to end with the process.
    ~SaveQueue();
    SaveQueue(const SaveQueue&) = delete;
    SaveQueue& operator=(const SaveQueue&) = delete;

    // True when the save is a new one whose result done will report; false
    // when it took the place of one still waiting, whose result it becomes.
    bool push(const QString& path, const HighScore& value);

    // The program is ending: every save asked for, the one under way
    // included, is to be over by deadline (an earlier one set before stays).
    // A wait for the lock ends early enough to leave at least a twentieth of
    // lockWait for the write (each save at its own moment, so that copies
    // ending together do not line up), and the save goes ahead without the
    // lock rather than not at all; so any number of saves is attempted within
    // one lockWait.
    void finishBy(Clock::time_point deadline);

    // For whatever ends the process without unwinding the stack (a platform
    // plugin that exits when the display goes away): lets the saves of every
    // queue in the process finish, by within from now at the latest. True
    // when none is left.
    static bool finishAll(std::chrono::milliseconds within);

private:
    struct Shared;
    static void run(const std::shared_ptr<Shared>& shared);
    static bool finish(Shared& shared, Clock::time_point deadline, bool close);

    // Every queue's shared part, for finishAll; a queue's thread keeps its own.
    static std::mutex everyQueueMutex_;
    static std::vector<std::weak_ptr<Shared>> everyQueue_;

    std::chrono::milliseconds lockWait_;
    std::shared_ptr<Shared> shared_;
    std::thread thread_;
};

}  // namespace rankfile
