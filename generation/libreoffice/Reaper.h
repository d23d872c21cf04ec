#pragma once

#include "generation/libreoffice/OfficeProcess.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace velmora::office::lo {

// Ends offices that agreed to end, off the caller's thread: waits for each to
// leave, kills it past its grace time, then removes its private folder. What
// is still pending when the engine goes is killed and removed then.
class Reaper {
public:
    Reaper();
    ~Reaper();
    // keepAlive is held until the process is gone (the thread that started it
    // must outlive it).
    void hand(std::unique_ptr<OfficeProcess> process, std::shared_ptr<void> keepAlive,
              std::chrono::milliseconds grace);
    // Kills and removes what is pending; later hand-overs are ended at once.
    void finish();

private:
    struct Pending {
        std::unique_ptr<OfficeProcess> process;
        std::shared_ptr<void> keepAlive;
        std::chrono::steady_clock::time_point deadline;
    };
    void run();

    std::mutex mMutex;
    std::condition_variable mChanged;
    std::vector<Pending> mPending;
    bool mFinished = false;
    std::thread mThread;
};

} // namespace velmora::office::lo
