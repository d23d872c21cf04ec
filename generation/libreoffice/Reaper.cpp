#include "generation/libreoffice/Reaper.h"

namespace velmora::office::lo {

namespace {
// How often the reaper looks for offices that have left.
constexpr std::chrono::milliseconds kReapInterval{10};
} // namespace

Reaper::Reaper() : mThread([this] { run(); })
{
}

Reaper::~Reaper()
{
    finish();
}

void Reaper::hand(std::unique_ptr<OfficeProcess> process, std::shared_ptr<void> keepAlive,
                  std::chrono::milliseconds grace)
{
    {
        std::lock_guard lock(mMutex);
        if (!mFinished) {
            mPending.push_back({std::move(process), std::move(keepAlive),
                                std::chrono::steady_clock::now() + grace});
            mChanged.notify_all();
            return;
        }
    }
    process->end(int(grace.count()));
}

void Reaper::finish()
{
    {
        std::lock_guard lock(mMutex);
        mFinished = true;
    }
    mChanged.notify_all();
    if (mThread.joinable())
        mThread.join();
    for (Pending& pending : mPending)
        pending.process.reset(); // killed, reaped, folder removed; then its starter may go
    mPending.clear();
}

void Reaper::run()
{
    std::unique_lock lock(mMutex);
    while (!mFinished) {
        if (mPending.empty()) {
            mChanged.wait(lock);
            continue;
        }
        std::vector<Pending> done;
        const auto now = std::chrono::steady_clock::now();
        for (auto pending = mPending.begin(); pending != mPending.end();) {
            if (now >= pending->deadline || !pending->process->isRunning()) {
                done.push_back(std::move(*pending));
                pending = mPending.erase(pending);
            } else {
                ++pending;
            }
        }
        lock.unlock();
        for (Pending& pending : done)
            pending.process.reset();
        done.clear();
        lock.lock();
        if (!mPending.empty())
            mChanged.wait_for(lock, kReapInterval);
    }
}

} // namespace velmora::office::lo
