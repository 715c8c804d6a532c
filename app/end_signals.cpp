// Catching the signals that ask the program to end, through a flag and a self-pipe: nothing but
// async-signal-safe calls in the handler.
#include "app/end_signals.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>

namespace qbx {

namespace {

std::atomic<bool> signalled{false};
int pipeFds[2] = {-1, -1};

void OnEndSignal(int) {
    const int saved = errno;
    signalled.store(true);
    if (pipeFds[1] >= 0) {
        const char byte = 1;
        // A full pipe already says it: the byte may be dropped.
        [[maybe_unused]] ssize_t n = ::write(pipeFds[1], &byte, 1);
    }
    errno = saved;
}

}  // namespace

void CatchEndSignals() {
    if (pipeFds[0] < 0 && ::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0)
        pipeFds[0] = pipeFds[1] = -1;
    struct sigaction sa = {};
    sa.sa_handler = OnEndSignal;
    sigemptyset(&sa.sa_mask);
    // Interrupted reads and writes start again: the event loop hears of the signal through
    // the pipe, and nothing is cut short.
    sa.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
        // A hang-up or an interrupt ignored by whoever started the program (nohup, a shell's
        // background job) stays ignored.
        struct sigaction old = {};
        if (sig != SIGTERM && ::sigaction(sig, nullptr, &old) == 0 && old.sa_handler == SIG_IGN)
            continue;
        ::sigaction(sig, &sa, nullptr);
    }
}

int EndSignalFd() {
    return pipeFds[0];
}

bool EndSignalled() {
    return signalled.load();
}

EndAwareInput::int_type EndAwareInput::underflow() {
    if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
    for (;;) {
        if (EndSignalled()) return traits_type::eof();
        pollfd fds[2] = {{fd_, POLLIN, 0}, {EndSignalFd(), POLLIN, 0}};
        const int n = ::poll(fds, EndSignalFd() >= 0 ? 2 : 1, -1);
        if (n < 0 && errno != EINTR) return traits_type::eof();
        if (n <= 0 || fds[0].revents == 0) continue;
        const ssize_t got = ::read(fd_, buffer_, sizeof buffer_);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return traits_type::eof();
        setg(buffer_, buffer_, buffer_ + got);
        return traits_type::to_int_type(*gptr());
    }
}

}  // namespace qbx
