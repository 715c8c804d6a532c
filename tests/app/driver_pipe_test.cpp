// The headless driver talked to through pipes, as a bot or a harness talks to it: each command
// is written only after the answer to the previous one has been read whole.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include "support/temp_dir.h"

namespace {

using Clock = std::chrono::steady_clock;

// The driver in a child process, its standard input, output and error on pipes.
class PipedDriver {
public:
    explicit PipedDriver(const std::string& recordsDir) {
        int in[2], out[2], err[2];
        if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0 ||
            ::pipe2(err, O_CLOEXEC) != 0)
            return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(in[0], 0);
            ::dup2(out[1], 1);
            ::dup2(err[1], 2);
            ::setenv("XDG_RUNTIME_DIR", recordsDir.c_str(), 1);
            ::execl(QUIBBLIX_PROGRAM, QUIBBLIX_PROGRAM, "--headless", "--seed", "1",
                    "--records-dir", recordsDir.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(in[0]);
        ::close(out[1]);
        ::close(err[1]);
        in_ = in[1];
        out_ = out[0];
        err_ = err[0];
    }
    ~PipedDriver() {
        CloseInput();
        if (pid_ > 0 && !reaped_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        if (out_ >= 0) ::close(out_);
        if (err_ >= 0) ::close(err_);
    }

    bool Started() const { return pid_ > 0; }

    void Send(const std::string& text) {
        size_t done = 0;
        while (done < text.size()) {
            ssize_t n = ::write(in_, text.data() + done, text.size() - done);
            if (n <= 0) return;
            done += static_cast<size_t>(n);
        }
    }
    void CloseInput() {
        if (in_ >= 0) ::close(in_);
        in_ = -1;
    }

    // One whole line from standard output (or error), without its newline; empty when none
    // arrives in time. The limit is far beyond what a loaded machine needs.
    std::string ReadLine(bool fromError = false) {
        int fd = fromError ? err_ : out_;
        std::string& pending = fromError ? errPending_ : outPending_;
        const auto deadline = Clock::now() + std::chrono::seconds(60);
        for (;;) {
            size_t nl = pending.find('\n');
            if (nl != std::string::npos) {
                std::string line = pending.substr(0, nl);
                pending.erase(0, nl + 1);
                return line;
            }
            auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0) return "";
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
            char buf[4096];
            ssize_t n = ::read(fd, buf, sizeof buf);
            if (n <= 0) return "";
            pending.append(buf, static_cast<size_t>(n));
        }
    }

    int Wait() {
        int status = 0;
        ::waitpid(pid_, &status, 0);
        reaped_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t pid_ = -1;
    bool reaped_ = false;
    int in_ = -1, out_ = -1, err_ = -1;
    std::string outPending_, errPending_;
};

bool IsJsonObject(const std::string& line) {
    return line.size() > 2 && line.front() == '{' && line.back() == '}';
}

TEST(DriverThroughPipes, EachAnswerArrivesWholeBeforeTheNextCommand) {
    qbx::test::TempDir dir;
    PipedDriver driver(dir.Path());
    ASSERT_TRUE(driver.Started());

    // A full dump of every screen is several kilobytes: more than one block of a pipe's buffer.
    driver.Send("dump\n");
    const std::string first = driver.ReadLine();
    ASSERT_TRUE(IsJsonObject(first)) << first.substr(0, 200);
    EXPECT_GT(first.size(), 4096u);
    EXPECT_NE(first.find("\"frmMenu\""), std::string::npos);

    // A short dump, which fills no block at all.
    driver.Send("click frmMenu.cmdPlay\nwait 100\ndump frmGame\n");
    const std::string game = driver.ReadLine();
    ASSERT_TRUE(IsJsonObject(game)) << game;
    EXPECT_NE(game.find("\"frmGame\""), std::string::npos);

    // A failed expectation is said on standard error at once, and ends the run.
    driver.Send("expect frmGame.Level 9\n");
    std::string failure;
    do failure = driver.ReadLine(true);  // past Qt's own warnings, if any
    while (!failure.empty() && failure.rfind("line ", 0) != 0);
    EXPECT_EQ(failure.rfind("line 5: ", 0), 0u) << failure;
    EXPECT_EQ(driver.Wait(), 1);
}

TEST(DriverThroughPipes, TheLastDumpArrivesWhenTheGameEndsTheProgram) {
    qbx::test::TempDir dir;
    PipedDriver driver(dir.Path());
    ASSERT_TRUE(driver.Started());
    driver.Send("dump frmMenu\n");
    ASSERT_TRUE(IsJsonObject(driver.ReadLine()));
    driver.Send("click frmMenu.cmdExit\n");
    const std::string last = driver.ReadLine();
    ASSERT_TRUE(IsJsonObject(last)) << last;
    EXPECT_NE(last.find("\"ended\": true"), std::string::npos) << last.substr(0, 200);
    EXPECT_EQ(driver.Wait(), 0);
}

}  // namespace
