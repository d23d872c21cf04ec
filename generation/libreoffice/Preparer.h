#pragma once

#include "generation/libreoffice/Instance.h"

#include <QString>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

namespace velmora::office::lo {

// Keeps a few fresh instances ready ahead of demand. They are started on a
// thread of its own once the office is known to start, and again some time
// after each hand-out, so that start-ups do not compete with the instances in
// use; one after the other, so that the first is ready as soon as it can be.
// Each is connected and warmed up on a small
// blank document of our own, so that the first real load, save and page
// picture do not pay for loading the office's code. Such an instance has still
// served no one. A process dies with the thread that started it
// (PR_SET_PDEATHSIG), so whoever holds an instance started here holds this
// object too, and the thread lives until the last of them ends.
class Preparer {
public:
    Preparer(QString installDir, int count, std::chrono::milliseconds quietTime,
             std::shared_ptr<Watchdog> watchdog, Limits limits);
    ~Preparer();
    // Starts preparing now, if nothing is being prepared yet.
    void startNow();
    // A prepared instance that is still running; waits for one being warmed
    // up; null when there is none.
    PreparedOffice take();

private:
    void run();
    // Connects and warms up; false when the office failed on the way.
    bool warmUp(PreparedOffice& office, bool withPagePicture);

    QString mInstallDir;
    int mCount;
    std::chrono::milliseconds mQuietTime;
    std::shared_ptr<Watchdog> mWatchdog;
    Limits mLimits;
    std::mutex mMutex;
    std::condition_variable mChanged;
    std::deque<PreparedOffice> mReady;
    int mWarming = 0;
    std::chrono::steady_clock::time_point mDue;
    bool mStopping = false;
    std::thread mThread;
};

} // namespace velmora::office::lo
