// Record files on disk, through QtCore's safe-save and lock-file classes.
#include "records/record_file.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QLockFile>
#include <QSaveFile>
#include <QString>
#include <QSysInfo>
#include <chrono>
#include <filesystem>
#include <optional>

#include "records/record_table.h"

namespace qbx::records {

namespace {

constexpr mode_t kAnyRead = S_IRUSR | S_IRGRP | S_IROTH;
constexpr mode_t kAnyWrite = S_IWUSR | S_IWGRP | S_IWOTH;

QString ToQ(const std::string& path) {
    return QString::fromStdString(path);
}

bool WritableDir(const std::string& dir) {
    struct stat st {};
    if (stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
    return (st.st_mode & kAnyWrite) != 0 && access(dir.c_str(), W_OK | X_OK) == 0;
}

// /usr holds what the system installs, shared read-only between machines: a program there never
// keeps records beside itself, even run by an account that could write there (root).
bool UnderUsr(const std::string& dir) {
    return dir == "/usr" || dir.rfind("/usr/", 0) == 0;
}

std::string AccountHome() {
    const passwd* pw = getpwuid(geteuid());
    return pw && pw->pw_dir ? std::string(pw->pw_dir) : std::string();
}

}  // namespace

std::string RecordDir(const std::string& programDir, const Environment& env) {
    std::string dir = programDir;
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    if (dir.empty()) dir.push_back('.');
    if (!UnderUsr(dir) && WritableDir(dir)) return dir;

    std::string base = env("XDG_DATA_HOME");
    if (base.empty() || base.front() != '/') {  // a relative value is to be ignored
        std::string home = env("HOME");
        if (home.empty()) home = AccountHome();
        base = home + "/.local/share";
    }
    const std::string fallback = base + "/quibblix";
    std::error_code ec;
    std::filesystem::create_directories(fallback, ec);
    return fallback;
}

std::optional<std::string> ReadRecordFile(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) {
        // None yet: create it empty. A FIFO or device is never opened, since opening one could
        // block the game.
        QFile create(ToQ(path));
        if (create.open(QIODevice::WriteOnly | QIODevice::Append)) create.close();
        if (stat(path.c_str(), &st) != 0) return std::nullopt;
    }
    if (!S_ISREG(st.st_mode) || (st.st_mode & kAnyRead) == 0) return std::nullopt;

    QFile file(ToQ(path));
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    const QByteArray data = file.read(static_cast<qint64>(kMaxReadBytes));
    if (file.error() != QFileDevice::NoError) return std::nullopt;
    return std::string(data.constData(), static_cast<size_t>(data.size()));
}

bool WriteRecordFile(const std::string& path, const std::string& text) {
    struct stat st {};
    if (stat(path.c_str(), &st) == 0 && (!S_ISREG(st.st_mode) || (st.st_mode & kAnyWrite) == 0))
        return false;
    QSaveFile file(ToQ(path));
    if (!file.open(QIODevice::WriteOnly)) return false;
    const auto size = static_cast<qint64>(text.size());
    if (file.write(text.data(), size) != size) {
        file.cancelWriting();  // the temporary file goes; the old file stays
        return false;
    }
    return file.commit();
}

namespace {

// A lock file that names no owner is left by a program that died between creating it and
// writing its owner into it; the lock-file class would take it for held. It is ownerless when it is
// empty or unreadable, older than a moment (a living program writes its owner at once), and no
// process holds the file lock that every owner keeps on it.
void RemoveOwnerlessLock(QLockFile& lock, const std::string& lockPath) {
    qint64 pid = 0;
    QString host, app;
    if (lock.getLockInfo(&pid, &host, &app)) return;
    struct stat st {};
    if (stat(lockPath.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return;
    const auto modified = std::chrono::system_clock::time_point(
        std::chrono::duration_cast<std::chrono::system_clock::duration>(
            std::chrono::seconds(st.st_mtim.tv_sec) +
            std::chrono::nanoseconds(st.st_mtim.tv_nsec)));
    if (std::chrono::system_clock::now() - modified <
        std::chrono::milliseconds(RecordLock::kOwnerGraceMs))
        return;
    const int fd = open(lockPath.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return;
    // The file opened must be the one looked at: another program may have replaced it since.
    struct stat opened {};
    if (flock(fd, LOCK_EX | LOCK_NB) == 0 && fstat(fd, &opened) == 0 &&
        opened.st_ino == st.st_ino && opened.st_dev == st.st_dev)
        unlink(lockPath.c_str());
    close(fd);
}

// A lock file as it was seen: which file it was and what it said.
struct LockSighting {
    dev_t dev = 0;
    ino_t ino = 0;
    timespec modified{};
    std::string owner;

    bool operator==(const LockSighting& o) const {
        return dev == o.dev && ino == o.ino && modified.tv_sec == o.modified.tv_sec &&
               modified.tv_nsec == o.modified.tv_nsec && owner == o.owner;
    }
};

std::optional<LockSighting> LookAtLock(const std::string& lockPath) {
    struct stat st {};
    if (lstat(lockPath.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    QFile f(ToQ(lockPath));
    if (!f.open(QIODevice::ReadOnly)) return std::nullopt;
    const QByteArray bytes = f.read(4096);
    return LockSighting{st.st_dev, st.st_ino, st.st_mtim, bytes.toStdString()};
}

// Whether the lock names its owner on another machine sharing the directory. Such an owner's
// process id means nothing here, so whether it lives is judged by watching the lock instead.
bool HeldFromAnotherHost(const QLockFile& lock) {
    qint64 pid = 0;
    QString host, app;
    return lock.getLockInfo(&pid, &host, &app) && !host.isEmpty() &&
           host != QSysInfo::machineHostName();
}

// Removes a lock of another machine that has stayed as it was seen, unless it has changed
// since: a second remover, or the next owner, may have been quicker. The removal itself is
// guarded by the lock-file class's own removal lock, so two removers never both act.
void RemoveDeadLock(const std::string& lockPath, const LockSighting& seen) {
    QLockFile removal(ToQ(lockPath + ".rmlock"));
    removal.setStaleLockTime(RecordLock::kStaleMs);
    if (!removal.tryLock(0)) return;
    if (LookAtLock(lockPath) == seen) unlink(lockPath.c_str());
}

}  // namespace

RecordLock::RecordLock(const std::string& recordPath)
    : lock_(std::make_unique<QLockFile>(ToQ(recordPath + ".lock"))) {
    // A lock is never judged by its file's time against this machine's clock: on a directory
    // shared by several machines that time comes from another clock, which may be well ahead
    // or behind, and a living owner's lock would look stale.
    lock_->setStaleLockTime(0);
    const std::string lockPath = recordPath + ".lock";
    const auto start = std::chrono::steady_clock::now();
    const auto deadline = start + std::chrono::milliseconds(kWaitMs);
    std::optional<LockSighting> watched;
    auto watchedSince = start;
    while (!lock_->tryLock(kRetryMs)) {
        if (lock_->error() != QLockFile::LockFailedError) return;
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) return;
        RemoveOwnerlessLock(*lock_, lockPath);
        // Entering a result holds the lock for a moment; another machine's lock that stays
        // the same for kDeadAfterMs on this machine's own clock was left by one that crashed.
        if (!HeldFromAnotherHost(*lock_)) {
            watched.reset();
            continue;
        }
        const std::optional<LockSighting> seen = LookAtLock(lockPath);
        if (!seen || !watched || !(*seen == *watched)) {
            watched = seen;
            watchedSince = now;
        } else if (now - watchedSince >= std::chrono::milliseconds(kDeadAfterMs)) {
            RemoveDeadLock(lockPath, *watched);
            watched.reset();
        }
    }
}

RecordLock::~RecordLock() = default;  // QLockFile unlocks when destroyed

bool RecordLock::Held() const {
    return lock_->isLocked();
}

std::string AccountName() {
    const passwd* pw = getpwuid(geteuid());
    return pw && pw->pw_name ? std::string(pw->pw_name) : std::string();
}

namespace {
std::string Normalised(const std::string& raw) {
    return QString::fromUtf8(raw.data(), static_cast<qsizetype>(raw.size()))
        .toUpper()
        .trimmed()
        .toStdString();
}
}  // namespace

std::string TypedPlayerName(const std::string& typed) {
    QString name = QString::fromStdString(CleanField(Normalised(typed)));
    // Cut by characters, never inside a surrogate pair.
    if (name.size() > kMaxTypedNameChars) {
        qsizetype n = kMaxTypedNameChars;
        if (name.at(n - 1).isHighSurrogate()) --n;
        name.truncate(n);
    }
    return name.trimmed().toStdString();
}

std::string UserNameFrom(const Environment& env) {
    const auto normalise = Normalised;
    std::string name;
    for (const char* variable : kUserNameVariables) {
        name = normalise(env(variable));
        if (!name.empty()) break;
    }
    if (name.empty()) name = normalise(AccountName());
    return CleanField(name);
}

}  // namespace qbx::records
