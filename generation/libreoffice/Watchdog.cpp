#include "generation/libreoffice/Watchdog.h"

#include <csignal>

namespace velmora::office::lo {

struct Watchdog::Watch::Entry {
    pid_t pid;
    std::chrono::steady_clock::time_point deadline;
    bool fired = false;
};

Watchdog::Watchdog() : mThread([this] { run(); })
{
}

Watchdog::~Watchdog()
{
    {
        std::lock_guard lock(mMutex);
        mStopping = true;
    }
    mChanged.notify_all();
    mThread.join();
}

std::unique_ptr<Watchdog::Watch> Watchdog::watch(pid_t pid, std::chrono::milliseconds limit)
{
    auto entry =
        std::make_shared<Watch::Entry>(Watch::Entry{pid, std::chrono::steady_clock::now() + limit});
    std::list<std::shared_ptr<Watch::Entry>>::iterator position;
    {
        std::lock_guard lock(mMutex);
        position = mEntries.insert(mEntries.end(), entry);
    }
    mChanged.notify_all();
    return std::unique_ptr<Watch>(new Watch(*this, position));
}

void Watchdog::expire(pid_t pid)
{
    {
        std::lock_guard lock(mMutex);
        for (const auto& entry : mEntries)
            if (entry->pid == pid)
                entry->deadline = std::chrono::steady_clock::now();
    }
    mChanged.notify_all();
}

Watchdog::Watch::Watch(Watchdog& owner, std::list<std::shared_ptr<Entry>>::iterator entry)
    : mOwner(owner), mEntry(entry), mKept(*entry)
{
}

Watchdog::Watch::~Watch()
{
    std::lock_guard lock(mOwner.mMutex);
    mOwner.mEntries.erase(mEntry);
}

bool Watchdog::Watch::fired() const
{
    std::lock_guard lock(mOwner.mMutex);
    return mKept->fired;
}

void Watchdog::run()
{
    std::unique_lock lock(mMutex);
    while (!mStopping) {
        auto next = std::chrono::steady_clock::time_point::max();
        const auto now = std::chrono::steady_clock::now();
        for (const auto& entry : mEntries) {
            if (entry->fired)
                continue;
            if (entry->deadline <= now) {
                // The process cannot have been reaped yet: it is reaped only
                // after the watched call has returned and its Watch is gone.
                ::kill(entry->pid, SIGKILL);
                entry->fired = true;
            } else if (entry->deadline < next) {
                next = entry->deadline;
            }
        }
        if (next == std::chrono::steady_clock::time_point::max())
            mChanged.wait(lock);
        else
            mChanged.wait_until(lock, next);
    }
}

} // namespace velmora::office::lo
