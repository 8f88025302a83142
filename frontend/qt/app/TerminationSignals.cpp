#include "frontend/qt/app/TerminationSignals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

#include "platform/HttpClient.h"

namespace vantrel {

namespace {

constexpr int kSignals[] = {SIGTERM, SIGHUP};

// The self-pipe: a signal handler may do little more than write(2).
int gPipe[2] = {-1, -1};
struct sigaction gPrevious[sizeof(kSignals) / sizeof(kSignals[0])];

extern "C" void WriteSignalToPipe(int signalNumber) {
    const int savedErrno = errno;
    // A request that blocks the window (the completion notice) ends now,
    // so that the loop reads the pipe at once.
    platform::AbandonRequests();
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    // A full pipe already holds a wake-up; losing this byte loses nothing.
    [[maybe_unused]] const ssize_t written = write(gPipe[1], &byte, 1);
    errno = savedErrno;
}

void ClosePipe() {
    for (int& fd : gPipe) {
        if (fd >= 0)
            close(fd);
        fd = -1;
    }
}

}  // namespace

TTerminationSignalNotifier::TTerminationSignalNotifier(QObject* parent) : QObject(parent) {
    if (gPipe[0] >= 0)
        throw std::logic_error("termination signals are already being listened to");
    if (pipe2(gPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        throw std::runtime_error(std::string("cannot listen to termination signals: ") +
                                 std::strerror(errno));
    FNotifier = new QSocketNotifier(gPipe[0], QSocketNotifier::Read, this);
    connect(FNotifier, &QSocketNotifier::activated, this, &TTerminationSignalNotifier::ReadSignals);
    struct sigaction action {};
    action.sa_handler = WriteSignalToPipe;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < std::size(kSignals); ++i)
        sigaction(kSignals[i], &action, &gPrevious[i]);
}

TTerminationSignalNotifier::~TTerminationSignalNotifier() {
    for (std::size_t i = 0; i < std::size(kSignals); ++i)
        sigaction(kSignals[i], &gPrevious[i], nullptr);
    delete FNotifier;
    ClosePipe();
}

void TTerminationSignalNotifier::ReadSignals() {
    unsigned char bytes[16];
    ssize_t count = 0;
    while ((count = read(gPipe[0], bytes, sizeof bytes)) > 0) {
        for (ssize_t i = 0; i < count; ++i)
            emit Terminated(bytes[i]);
    }
}

}  // namespace vantrel
