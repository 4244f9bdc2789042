#pragma once

#include <QString>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>

#include "RankFile.h"

namespace rankfile {

// Saves rank.dat on a thread of its own, so that neither the wait for
// another copy's lock nor a slow disk holds up the caller. The one thread
// takes the saves one after the other in the order they were asked for, so
// no two of them cross. A save asked for while an earlier one still waits
// its turn takes that one's place: the file gets the newer value once.
class SaveQueue {
public:
    // done runs on the saving thread after each save, with its result.
    using Done = std::function<void(const SaveResult&)>;
    SaveQueue(std::chrono::milliseconds lockWait, Done done);
    // Finishes the saves still asked for, waiting at most lockWait for them;
    // past that the thread is left to end with the process.
    ~SaveQueue();
    SaveQueue(const SaveQueue&) = delete;
    SaveQueue& operator=(const SaveQueue&) = delete;

    // True when the save is a new one whose result done will report; false
    // when it took the place of one still waiting, whose result it becomes.
    bool push(const QString& path, const HighScore& value);

private:
    struct Shared;
    static void run(const std::shared_ptr<Shared>& shared);

    std::chrono::milliseconds lockWait_;
    std::shared_ptr<Shared> shared_;
    std::thread thread_;
};

}  // namespace rankfile
