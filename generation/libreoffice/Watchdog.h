#pragma once

#include <chrono>
#include <condition_variable>
#include <list>
#include <memory>
#include <mutex>
#include <sys/types.h>
#include <thread>

namespace velmora::office::lo {

// Bounds calls into office processes: while a Watch lives, its process is
// killed once the time limit passes. Killing the office is what unblocks the
// waiting call (the bridge breaks and the call throws).
class Watchdog {
public:
    Watchdog();
    ~Watchdog();
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

    class Watch {
    public:
        ~Watch();
        Watch(const Watch&) = delete;
        Watch& operator=(const Watch&) = delete;
        // True when the limit passed and the process was killed.
        bool fired() const;

    private:
        friend class Watchdog;
        struct Entry;
        Watch(Watchdog& owner, std::list<std::shared_ptr<Entry>>::iterator entry);
        Watchdog& mOwner;
        std::list<std::shared_ptr<Entry>>::iterator mEntry;
        std::shared_ptr<Entry> mKept;
    };

    std::unique_ptr<Watch> watch(pid_t pid, std::chrono::milliseconds limit);
    // The process's calls under way are out of time now.
    void expire(pid_t pid);

private:
    void run();

    std::mutex mMutex;
    std::condition_variable mChanged;
    std::list<std::shared_ptr<Watch::Entry>> mEntries;
    bool mStopping = false;
    std::thread mThread;
};

} // namespace velmora::office::lo
