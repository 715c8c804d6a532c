// One records directory shared by several machines, as on a network file system: each game
// runs in a host namespace of its own, so the lock files name different machines, and a
// machine's process id means nothing to the others.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "records/record_file.h"
#include "records/record_table.h"
#include "support/test_support.h"

namespace qbx::records {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

long long MsSince(Clock::time_point t) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count();
}

// A lock as the lock-file class writes it, for a program on another machine. Its process id is
// one that lives here, so it cannot be judged by it.
void WriteForeignLock(const std::string& lockPath, time_t modified) {
    std::ofstream(lockPath) << getpid() << "\nquibblix\nfar-away-machine\n";
    const timespec times[2] = {{modified, 0}, {modified, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, lockPath.c_str(), times, 0), 0);
}

// The machine a lock file names: its third line.
std::string LockHost(const std::string& lockPath) {
    std::ifstream in(lockPath);
    std::string line;
    for (int i = 0; i < 3 && std::getline(in, line); ++i) {
    }
    return line;
}

std::string ThisHost() {
    char name[256] = {};
    gethostname(name, sizeof name - 1);
    return name;
}

TEST(SharedRecords, AnotherMachinesDeadLockIsTakenOverAfterABoundedWait) {
    test::TempDir dir;
    const std::string path = dir.Path() + "/" + kScoreFileName;
    // Its clock may be far ahead or behind this one's; neither makes the wait longer or shorter.
    for (time_t modified : {time(nullptr), time(nullptr) + 3600, time(nullptr) - 3600}) {
        WriteForeignLock(path + ".lock", modified);
        const auto start = Clock::now();
        {
            RecordLock lock(path);
            EXPECT_TRUE(lock.Held()) << modified;
            EXPECT_EQ(LockHost(path + ".lock"), ThisHost());
        }
        // Never before it has stayed unchanged that long on this machine's clock.
        EXPECT_GE(MsSince(start), RecordLock::kDeadAfterMs - 100) << modified;
        EXPECT_FALSE(fs::exists(path + ".lock"));
        EXPECT_FALSE(fs::exists(path + ".lock.rmlock"));
    }
}

TEST(SharedRecords, AnotherMachinesLiveLockIsWaitedForWhateverItsClockSays) {
    test::TempDir dir;
    const std::string path = dir.Path() + "/" + kScoreFileName;
    // An hour-old time on a lock its owner is still using: the other machine's clock is behind.
    WriteForeignLock(path + ".lock", time(nullptr) - 3600);
    bool ownerLetGo = false;
    std::thread owner([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        // The owner is done, and finds its own lock still there to remove.
        ownerLetGo = LockHost(path + ".lock") == "far-away-machine" && fs::remove(path + ".lock");
    });
    {
        RecordLock lock(path);
        EXPECT_TRUE(lock.Held());
    }
    owner.join();
    EXPECT_TRUE(ownerLetGo);

    // A lock that changes hands between other machines' games is never taken for dead.
    std::thread others([&] {
        for (int k = 0; k < 25; ++k) {
            WriteForeignLock(path + ".lock.new", time(nullptr) + k);
            fs::rename(path + ".lock.new", path + ".lock");
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
        }
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    {
        RecordLock lock(path);
        EXPECT_FALSE(lock.Held());
    }
    others.join();
    EXPECT_TRUE(fs::exists(path + ".lock"));
}

// A child process that becomes a machine of its own name. False where host namespaces cannot
// be made (no privilege for them).
bool BecomeMachine(const std::string& name) {
    return unshare(CLONE_NEWUTS) == 0 && sethostname(name.c_str(), name.size()) == 0;
}

bool CanMakeMachines() {
    const pid_t pid = fork();
    if (pid == 0) _exit(BecomeMachine("probe") ? 0 : 1);
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Two machines whose games end at the same moment, ten times each, while a third machine that
// was killed holding the lock of the score table left it behind: every result lands, and the
// tables stay whole.
TEST(SharedRecords, TwoMachinesEndingTogetherLoseNothingAndADeadMachinesLockIsTakenOver) {
    if (!CanMakeMachines()) GTEST_SKIP() << "host namespaces cannot be made here (needs root)";
    test::TempDir shared;

    int held[2];
    ASSERT_EQ(pipe(held), 0);
    const pid_t crashed = fork();
    ASSERT_GE(crashed, 0);
    if (crashed == 0) {
        close(held[0]);
        if (!BecomeMachine("machine-c")) _exit(3);
        RecordLock lock(shared.Path() + "/" + kScoreFileName);
        if (!lock.Held() || write(held[1], "h", 1) != 1) _exit(3);
        for (;;) pause();
    }
    close(held[1]);
    char byte = 0;
    ASSERT_EQ(read(held[0], &byte, 1), 1);
    close(held[0]);
    kill(crashed, SIGKILL);
    waitpid(crashed, nullptr, 0);
    ASSERT_EQ(LockHost(shared.Path() + "/" + kScoreFileName + ".lock"), "machine-c");

    int go[2];
    ASSERT_EQ(pipe(go), 0);
    std::vector<pid_t> machines;
    for (int c = 0; c < 2; ++c) {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            close(go[1]);
            if (!BecomeMachine(c == 0 ? "machine-a" : "machine-b")) _exit(3);
            if (read(go[0], &byte, 1) < 0) _exit(3);  // wait for the start
            test::EnterTenResults(shared.Path(), c);
            _exit(0);
        }
        machines.push_back(pid);
    }
    close(go[0]);
    close(go[1]);  // both start now
    for (pid_t pid : machines) {
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    for (const char* file : {kScoreFileName, kLevelFileName}) {
        const std::string text = *ReadRecordFile(shared.Path() + "/" + file);
        RecordRows rows(20);
        ReadTable(text, rows);
        EXPECT_EQ(text, WriteTable(rows)) << file;
        std::set<std::string> names;
        for (const RecordRow& r : rows) names.insert(r.name);
        EXPECT_EQ(names.size(), 20u) << file << "\n" << text;
        EXPECT_FALSE(fs::exists(shared.Path() + "/" + file + ".lock")) << file;
    }
}

}  // namespace
}  // namespace qbx::records
