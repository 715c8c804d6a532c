// Record files on disk: creation on first read, bounded reads, all-or-nothing writes (also when
// the writer is killed), the fallback directory, the user's name, and two games ending at once.
#include "records/record_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <thread>

#include "records/record_table.h"
#include "support/test_support.h"

namespace qbx::records {
namespace {

namespace fs = std::filesystem;

Environment EnvOf(std::map<std::string, std::string> vars) {
    return [vars](const std::string& n) { return vars.count(n) ? vars.at(n) : std::string(); };
}

TEST(RecordFile, ReadCreatesAMissingFileAndReadsNoMoreThanItNeeds) {
    test::TempDir dir;
    const std::string path = dir.Path() + "/" + kScoreFileName;
    EXPECT_EQ(ReadRecordFile(path), std::optional<std::string>(""));
    EXPECT_TRUE(fs::is_regular_file(path));

    {
        std::ofstream out(path, std::ios::binary);
        const std::string row(1 << 20, 'x');
        for (int i = 0; i < 50; ++i) out << row;
    }
    EXPECT_EQ(ReadRecordFile(path)->size(), kMaxReadBytes);
}

TEST(RecordFile, WhatCannotBeReadIsNotReadAndNothingBlocks) {
    test::TempDir dir;
    fs::create_directory(dir.Path() + "/isdir");
    EXPECT_FALSE(ReadRecordFile(dir.Path() + "/isdir"));
    ASSERT_EQ(mkfifo((dir.Path() + "/fifo").c_str(), 0644), 0);  // opening it would block
    EXPECT_FALSE(ReadRecordFile(dir.Path() + "/fifo"));
    std::ofstream(dir.Path() + "/locked") << "\"A\"\r\n";
    fs::permissions(dir.Path() + "/locked", fs::perms::none);  // also when run as root
    EXPECT_FALSE(ReadRecordFile(dir.Path() + "/locked"));
    EXPECT_FALSE(ReadRecordFile(dir.Path() + "/missing/" + kScoreFileName));
}

TEST(RecordFile, WriteReplacesTheFileWithoutLeavingTemporaryFiles) {
    test::TempDir dir;
    const std::string path = dir.Path() + "/" + kScoreFileName;
    std::ofstream(path) << std::string(10000, 'x');
    ASSERT_TRUE(WriteRecordFile(path, "\"A\"\r\n\"1\"\r\n"));
    EXPECT_EQ(fs::file_size(path), 10u);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);
}

TEST(RecordFile, ProgramDirectoryWhenWritableElseTheUsersDataDirectory) {
    test::TempDir dir;
    EXPECT_EQ(RecordDir(dir.Path() + "/", EnvOf({})), dir.Path());
    const std::string program = dir.Path() + "/program";
    fs::create_directory(program);
    fs::permissions(program, fs::perms::owner_read | fs::perms::owner_exec);
    const std::string data = dir.Path() + "/data";
    EXPECT_EQ(RecordDir(program, EnvOf({{"XDG_DATA_HOME", data}})), data + "/quibblix");
    EXPECT_TRUE(fs::is_directory(data + "/quibblix"));
    // A relative XDG_DATA_HOME does not count.
    EXPECT_EQ(RecordDir(program, EnvOf({{"XDG_DATA_HOME", "rel"}, {"HOME", dir.Path()}})),
              dir.Path() + "/.local/share/quibblix");
    // An installed copy under /usr keeps its records in the user's directory, also when run by
    // root, who could write beside it.
    for (const char* installed : {"/usr/games", "/usr/local/bin/", "/usr"})
        EXPECT_EQ(RecordDir(installed, EnvOf({{"XDG_DATA_HOME", data}})), data + "/quibblix")
            << installed;
}

TEST(UserName, VariablesInOrderThenTheAccount) {
    EXPECT_EQ(UserNameFrom(EnvOf({{"USERNAME", " player1 "}})), "PLAYER1");
    EXPECT_EQ(UserNameFrom(EnvOf({{"USERNAME", "player1"}, {"LOGIN", "guest"}})), "GUEST");
    EXPECT_EQ(UserNameFrom(EnvOf({{"LOGIN", "guest"}, {"NWUSERNAME", "boss"}})), "BOSS");
    EXPECT_EQ(UserNameFrom(EnvOf({{"NWUSERNAME", "  "}, {"USER", "ann"}, {"LOGNAME", "bob"}})),
              "ANN");
    EXPECT_EQ(UserNameFrom(EnvOf({{"LOGNAME", "bob"}})), "BOB");
    std::string account = AccountName();
    ASSERT_FALSE(account.empty());
    for (char& ch : account) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    EXPECT_EQ(UserNameFrom(EnvOf({})), account);
    // Made safe for the file: no double quote, no line break; other letters upper-cased too.
    EXPECT_EQ(UserNameFrom(EnvOf({{"USER", "o\"brien\nx"}})), "O'BRIEN\xEF\xBF\xBDX");
    EXPECT_EQ(UserNameFrom(EnvOf({{"USER", "j\xC3\xBCrgen"}})), "J\xC3\x9CRGEN");
}

// Two games ending at the same moment in two processes: every result must land in both
// tables, which takes the lock around read, update and write.
TEST(RecordLock, TwoGamesEndingTogetherBothLand) {
    test::TempDir shared;
    int go[2];
    ASSERT_EQ(pipe(go), 0);
    std::vector<pid_t> children;
    for (int c = 0; c < 2; ++c) {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            char byte;
            close(go[1]);
            if (read(go[0], &byte, 1) < 0) _exit(3);  // wait for the start
            test::EnterTenResults(shared.Path(), c);
            _exit(0);
        }
        children.push_back(pid);
    }
    close(go[0]);
    close(go[1]);  // both start now
    for (pid_t pid : children) {
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    for (const char* file : {kScoreFileName, kLevelFileName}) {
        RecordRows rows(20);
        ReadTable(*ReadRecordFile(shared.Path() + "/" + file), rows);
        std::set<std::string> names;
        for (const RecordRow& r : rows) names.insert(r.name);
        EXPECT_EQ(names.size(), 20u) << file << "\n" << WriteTable(rows);
        EXPECT_EQ(rows[0].name, "B9") << file;
        EXPECT_FALSE(fs::exists(shared.Path() + "/" + file + ".lock")) << file;
    }
}

// A program killed between creating the lock file and naming itself in it leaves an empty
// lock: the next game takes it over rather than waiting and going on without the lock. One that
// a living program still holds stays.
TEST(RecordLock, AnEmptyLockIsTakenOverOnlyWhenNoProgramHoldsIt) {
    test::TempDir dir;
    const std::string path = dir.Path() + "/" + kScoreFileName;
    const std::string lockPath = path + ".lock";
    auto makeEmptyLock = [&] {
        std::ofstream(lockPath).close();
        const timespec old[2] = {{time(nullptr) - 2, 0}, {time(nullptr) - 2, 0}};
        ASSERT_EQ(utimensat(AT_FDCWD, lockPath.c_str(), old, 0), 0);
    };

    makeEmptyLock();
    {
        RecordLock lock(path);
        EXPECT_TRUE(lock.Held());
    }
    EXPECT_FALSE(fs::exists(lockPath));

    makeEmptyLock();
    const int holder = open(lockPath.c_str(), O_RDONLY);
    ASSERT_EQ(flock(holder, LOCK_EX | LOCK_NB), 0);
    {
        RecordLock lock(path);
        EXPECT_FALSE(lock.Held());
    }
    EXPECT_TRUE(fs::exists(lockPath));
    close(holder);
}

// The text of a whole table that names its version in every row, of a length that changes
// with the version, so that a file cut short or mixed from two versions shows.
std::string Version(int k) {
    RecordRows rows;
    for (int i = 0; i < 20; ++i)
        rows.push_back(
            {"V" + std::to_string(k) + "-" + std::string(static_cast<size_t>(k % 50), 'x'),
             std::to_string(k * 20 + i)});
    return WriteTable(rows);
}

// The version a file holds when it holds a whole table of one, else -1.
int VersionIn(const std::string& text) {
    const std::vector<std::string> fields = ReadFields(text, 1);
    if (fields.empty() || fields[0].size() < 2 || fields[0][0] != 'V') return -1;
    const int k = std::atoi(fields[0].c_str() + 1);
    return text == Version(k) ? k : -1;
}

// Killed at any moment while it replaces the record files, a program leaves each of them
// holding either the table it held before or the one being written, whole.
TEST(RecordFile, AWriterKilledAtAnyMomentLeavesTheOldTableOrTheNew) {
    test::TempDir dir;
    const std::string paths[2] = {dir.Path() + "/" + kScoreFileName,
                                  dir.Path() + "/" + kLevelFileName};
    std::mt19937 rng(12345);
    int seen[2] = {0, 0};
    for (int round = 0; round < 300; ++round) {
        // The writer says it is under way once it has replaced both files with the round's
        // first version; it is killed while it writes the versions after that.
        const int first = std::max(seen[0], seen[1]) + 1;
        int ready[2];
        ASSERT_EQ(pipe(ready), 0);
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            close(ready[0]);
            for (int k = first;; ++k) {
                for (const std::string& p : paths)
                    if (!WriteRecordFile(p, Version(k))) _exit(3);
                if (k == first && write(ready[1], "r", 1) != 1) _exit(3);
            }
        }
        close(ready[1]);
        char byte;
        const bool started = read(ready[0], &byte, 1) == 1;
        close(ready[0]);
        if (started) std::this_thread::sleep_for(std::chrono::microseconds(rng() % 4000));
        kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);
        ASSERT_TRUE(started && WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
        for (int f = 0; f < 2; ++f) {
            const std::optional<std::string> text = ReadRecordFile(paths[f]);
            ASSERT_TRUE(text);
            const int k = VersionIn(*text);
            ASSERT_GE(k, first) << "round " << round << ", " << paths[f] << " holds:\n" << *text;
            seen[f] = k;
        }
    }
}

// Killed while entering results, a game loses none of the results entered before, and the
// lock it leaves behind does not hold up the next game.
TEST(RecordLock, AGameKilledWhileEnteringResultsLosesNothingEntered) {
    test::TempDir dir;
    std::mt19937 rng(678);
    long long best = 0;
    for (int round = 0; round < 100; ++round) {
        int ready[2];
        ASSERT_EQ(pipe(ready), 0);
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            close(ready[0]);
            // The killed game's own temporary directory goes with the test's.
            setenv("TMPDIR", dir.Path().c_str(), 1);
            test::Headless h;
            h.svc.SetProgramDir(dir.Path());
            h.app.scores.EnsureLoaded();
            for (int k = 1;; ++k) {
                h.app.scores.UserName = "P" + std::to_string(k % 30);
                h.app.game.Score = static_cast<int32_t>(best + k);
                h.app.game.Level = static_cast<int16_t>(k % 30000);
                h.app.scores.CalculateHighScores();
                h.app.scores.CalculateHighLevels();
                // Under way: the first result is in, whatever lock the last game left.
                if (k == 1 && write(ready[1], "r", 1) != 1) _exit(3);
            }
        }
        close(ready[1]);
        char byte;
        ASSERT_EQ(read(ready[0], &byte, 1), 1);
        close(ready[0]);
        std::this_thread::sleep_for(std::chrono::microseconds(rng() % 10000));
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        for (const char* file : {kScoreFileName, kLevelFileName}) {
            const std::string text = ReadRecordFile(dir.Path() + "/" + file).value_or("?");
            RecordRows rows(20);
            ReadTable(text, rows);
            ASSERT_TRUE(text.empty() || text == WriteTable(rows))
                << "round " << round << ", " << file << " holds:\n"
                << text;
            if (file == std::string(kScoreFileName) && !text.empty()) {
                ASSERT_GT(NumericValue(rows[0].value), static_cast<double>(best))
                    << "round " << round;
                best = static_cast<long long>(NumericValue(rows[0].value));
            }
        }
    }

    // The next game takes over the lock the killed one left.
    {
        RecordLock lock(dir.Path() + "/" + kScoreFileName);
        EXPECT_TRUE(lock.Held());
    }
    test::Headless h;
    h.svc.SetProgramDir(dir.Path());
    h.app.scores.EnsureLoaded();
    h.app.scores.UserName = "LAST";
    h.app.game.Score = static_cast<int32_t>(best + 1);
    h.app.scores.CalculateHighScores();
    EXPECT_EQ(h.app.scores.ScoreTable()[0], (RecordRow{"LAST", std::to_string(best + 1)}));
}

}  // namespace
}  // namespace qbx::records
