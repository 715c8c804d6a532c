// Record files on disk: creation on first read, bounded reads, all-or-nothing writes, the
// fallback directory, the user's name, and two games ending at once.
#include "records/record_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

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

// Two games ending at the same moment in two processes: every result must land, which takes
// the lock around read, update and write.
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
            {
                test::Headless h;
                h.svc.SetProgramDir(shared.Path());
                h.app.scores.EnsureLoaded();
                for (int k = 0; k < 10; ++k) {
                    h.app.scores.UserName = std::string(c == 0 ? "A" : "B") + std::to_string(k);
                    h.app.game.Score = 1000 + 2 * k + c;
                    h.app.scores.CalculateHighScores();
                }
            }
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
    RecordRows rows(20);
    ReadTable(*ReadRecordFile(shared.Path() + "/" + kScoreFileName), rows);
    std::set<std::string> names;
    for (const RecordRow& r : rows) names.insert(r.name);
    EXPECT_EQ(names.size(), 20u) << WriteTable(rows);
    EXPECT_EQ(rows[0], (RecordRow{"B9", "1019"}));
}

}  // namespace
}  // namespace qbx::records
