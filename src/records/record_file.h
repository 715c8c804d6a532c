// The two record files on disk: where they live, reading them within bounds, replacing them all
// at once, and the lock that lets two games ending together both keep their results.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

class QLockFile;

namespace qbx::records {

inline constexpr const char* kScoreFileName = "Quibblix-Scores.txt";
inline constexpr const char* kLevelFileName = "Quibblix-Levels.txt";

// The environment variables that name the user, tried in this order. The first three are the
// game's own; the last two are where Linux keeps the name.
inline constexpr const char* kUserNameVariables[] = {"NWUSERNAME", "LOGIN", "USERNAME", "USER",
                                                     "LOGNAME"};

using Environment = std::function<std::string(const std::string&)>;

// The directory that holds the record files: the program's directory when it can be written
// and is not under /usr; else $XDG_DATA_HOME/quibblix, else ~/.local/share/quibblix, created
// when missing. A directory without any write permission bit counts as read-only for every
// account, root included.
std::string RecordDir(const std::string& programDir, const Environment& env);

// Reads a record file: creates it empty when there is none (as opening it for appending
// would), then returns at most kMaxReadBytes of it. Returns nothing when it cannot be read: it
// is a directory or another non-regular file, has no read permission bit, or fails to open.
std::optional<std::string> ReadRecordFile(const std::string& path);

// Replaces a record file's contents with text through a temporary file and a rename, so the
// file always holds either the old table or the new one. Writes nothing into a directory or
// other non-regular file, nor into a file without any write permission bit. Returns whether
// the file was replaced.
bool WriteRecordFile(const std::string& path, const std::string& text);

// Holds the lock file next to a record file ("<file>.lock") while it lives. A lock left by a
// program that died is taken over, also one it died before naming itself in, and one that a
// machine sharing the directory left when it crashed; when the lock cannot be had in time the
// work goes on without it, as every record step does when it fails.
class RecordLock {
public:
    explicit RecordLock(const std::string& recordPath);
    ~RecordLock();
    RecordLock(const RecordLock&) = delete;
    RecordLock& operator=(const RecordLock&) = delete;
    bool Held() const;

    // Long enough to take over a lock that another machine left when it crashed.
    static constexpr int kWaitMs = 6000;
    // Another machine's lock that stays unchanged this long is taken for dead.
    static constexpr int kDeadAfterMs = 4000;
    // The guard that two removers of a dead lock take is itself taken over after this long.
    static constexpr int kStaleMs = 10000;
    // A lock file without its owner's name is taken over once it is this old.
    static constexpr int kOwnerGraceMs = 500;
    static constexpr int kRetryMs = 100;

private:
    std::unique_ptr<QLockFile> lock_;
};

// The login name of the account the program runs under, or "".
std::string AccountName();

// The name results are recorded under: the first of kUserNameVariables that is not blank,
// else the account's login name; upper-cased, without surrounding white space, and cleaned so
// that it is written and read back whole.
std::string UserNameFrom(const Environment& env);

// A name typed for a player, as results are recorded under it: upper-cased, without surrounding
// white space, cleaned, and at most kMaxTypedNameChars characters.
inline constexpr int kMaxTypedNameChars = 24;
std::string TypedPlayerName(const std::string& typed);

}  // namespace qbx::records
