#include "platform/Termination.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace velmora {

namespace {

int gSignalPipe[2] = {-1, -1};
bool gTerminationRequested = false;

void onSignal(int)
{
    // Only async-signal-safe work here: the event loop does the rest.
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(gSignalPipe[0], &byte, 1);
}

} // namespace

void endEventLoopOnTermination()
{
    if (gSignalPipe[0] >= 0
        || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, gSignalPipe) != 0)
        return;
    auto* notifier =
        new QSocketNotifier(gSignalPipe[1], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [] {
        char byte = 0;
        [[maybe_unused]] const ssize_t read = ::read(gSignalPipe[1], &byte, 1);
        gTerminationRequested = true;
        // Every event loop, a modal box's included, ends.
        QCoreApplication::exit(0);
    });
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(signal, &action, nullptr);
}

void ignoreBrokenPipes()
{
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    ::sigaction(SIGPIPE, &ignore, nullptr);
}

bool terminationRequested()
{
    return gTerminationRequested;
}

} // namespace velmora
