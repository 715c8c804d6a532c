// The desktop's request to end the program: SIGTERM (a logout, a shutdown, kill), SIGINT
// (Ctrl+C in the terminal) and SIGHUP (the terminal closed). The handler only notes the signal;
// the event loop acts on it, as if the player had chosen Exit.
#pragma once

#include <streambuf>

namespace qbx {

// Installs the handlers, once, before any library could install its own.
void CatchEndSignals();
// A descriptor that becomes readable once an end signal has arrived; -1 without one.
int EndSignalFd();
// Whether an end signal has arrived.
bool EndSignalled();

// Reads a descriptor (standard input) as a stream that comes to its end when an end signal
// arrives, even while it waits for input.
class EndAwareInput : public std::streambuf {
public:
    explicit EndAwareInput(int fd) : fd_(fd) {}

protected:
    int_type underflow() override;

private:
    int fd_;
    char buffer_[4096];
};

}  // namespace qbx
