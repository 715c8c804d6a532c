// Recording every game into its own replay file, and keeping the directory small.
#include "replay/game_recorder.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <filesystem>
#include <system_error>

#include "engine/screen.h"

namespace qbx::replay {

namespace fs = std::filesystem;

namespace {

// Letters, digits, '-' and '_' of a player's name, for a file name that needs no quoting.
std::string FileSafe(const std::string& text, size_t max) {
    std::string out;
    for (char c : text) {
        if (out.size() >= max) break;
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '-' || c == '_';
        out.push_back(plain ? c : '_');
    }
    return out.empty() ? std::string("player") : out;
}

// The path itself when free, else with -2, -3, ... before the extension.
std::string FreePath(const std::string& dir, const std::string& stem, const std::string& keep) {
    std::error_code ec;
    for (int n = 1; n < 1000; ++n) {
        std::string p = dir + "/" + stem;
        if (n > 1) p.append("-").append(std::to_string(n));
        p += kReplayExtension;
        if (p == keep || !fs::exists(p, ec)) return p;
    }
    return dir + "/" + stem + kReplayExtension;
}

}  // namespace

std::string ReplayFileStem(int64_t wallClockMs, const std::string& player) {
    const std::time_t t = static_cast<std::time_t>(wallClockMs / 1000);
    std::tm local{};
    localtime_r(&t, &local);
    char when[32];
    std::strftime(when, sizeof when, "%Y-%m-%d_%H-%M-%S", &local);
    return std::string(when) + "_" + FileSafe(player, 32);
}

void GameRecorder::Noted(const InputEvent& e) {
    lastMs_ = e.atMs;
    if (!writer_.IsOpen()) return;
    InputEvent rel = e;
    rel.atMs = KeptTime(std::max<int64_t>(0, e.atMs - startMs_));
    // Taken before the input is delivered: a play of the replay meets the check at the same
    // point, whatever handler is running.
    if (setup_.check && rel.atMs >= nextCheckMs_) {
        InputEvent check{.kind = InputEvent::Kind::Check, .atMs = rel.atMs};
        setup_.check(check);
        writer_.Add(check);
        nextCheckMs_ = (rel.atMs / kCheckEveryMs + 1) * kCheckEveryMs;
    }
    writer_.Add(rel);
    FlushIfDue(e.atMs);
}

void GameRecorder::ScreenLoaded(const Screen& s, bool loaded) {
    if (s.Name() != setup_.gameScreen) return;
    if (loaded)
        Begin();
    else
        Finish();
}

// The file of a game kept in the replay directory is made new, never over another's: games
// on machines sharing the directory may begin in the same second under the same name.
bool GameRecorder::OpenFile() {
    if (!setup_.file.empty()) return writer_.Open(path_, HeaderNow(false));
    for (int tries = 0; tries < 100; ++tries) {
        path_ = FreePath(setup_.dir, stem_, "");
        if (writer_.Open(path_, HeaderNow(false), true)) return true;
        if (errno != EEXIST) return false;
    }
    return false;
}

// Gives a finished game's file its final name, never taking one another game has just been
// given: the new name is linked, which fails where a file is, and the old one removed.
std::string GameRecorder::Rename(const std::string& stem) {
    for (int tries = 0; tries < 100; ++tries) {
        const std::string done = FreePath(setup_.dir, stem, path_);
        if (done == path_) return done;
        if (::link(path_.c_str(), done.c_str()) == 0) {
            ::unlink(path_.c_str());
            return done;
        }
        if (errno == EEXIST) continue;
        // A file system without hard links: a plain rename, which the free name makes safe
        // enough on one machine.
        std::error_code ec;
        fs::rename(path_, done, ec);
        return ec ? path_ : done;
    }
    return path_;
}

void GameRecorder::Begin() {
    Finish();
    // The input being delivered began the game: the replay opens with the inputs that begin one
    // in a program just started, at the same moment.
    startMs_ = lastMs_;
    lastFlushMs_ = lastMs_;
    nextCheckMs_ = kCheckEveryMs;
    startedWallMs_ = setup_.wallClockMs ? setup_.wallClockMs() : 0;
    two_ = setup_.twoPlayers && setup_.twoPlayers();
    if (!setup_.file.empty()) {
        path_ = setup_.file;
    } else {
        std::error_code ec;
        fs::create_directories(setup_.dir, ec);
        stem_ = ReplayFileStem(startedWallMs_, setup_.player);
    }
    if (!OpenFile()) {
        path_.clear();
        return;
    }
    InputEvent sound{.kind = InputEvent::Kind::Sound};
    sound.value = setup_.soundOn && setup_.soundOn() ? 1 : 0;
    writer_.Add(sound);
    InputEvent music{.kind = InputEvent::Kind::Music};
    music.value = setup_.musicOn && setup_.musicOn() ? 1 : 0;
    writer_.Add(music);
    for (const InputEvent& e : two_ ? setup_.openingTwo : setup_.opening) writer_.Add(e);
}

Header GameRecorder::HeaderNow(bool complete) const {
    Header h;
    h.complete = complete;
    h.startedMs = startedWallMs_;
    h.lengthMs = static_cast<uint64_t>(std::max<int64_t>(0, lastMs_ - startMs_));
    if (setup_.result) std::tie(h.score, h.level) = setup_.result();
    h.version = kFormatVersion;
    h.programVersion = setup_.programVersion;
    h.rulesVersion = setup_.rulesVersion;
    h.player = setup_.player;
    if (two_) {
        h.players = 2;
        if (setup_.player2) h.player2 = setup_.player2();
        if (setup_.result2) std::tie(h.score2, h.level2) = setup_.result2();
    }
    return h;
}

void GameRecorder::FlushIfDue(int64_t nowMs) {
    if (writer_.IsOpen() && nowMs - lastFlushMs_ >= kFlushEveryMs) {
        lastFlushMs_ = nowMs;
        Flush();
    }
}

void GameRecorder::Flush() {
    if (writer_.IsOpen()) writer_.Flush(HeaderNow(false));
}

void GameRecorder::Finish() {
    if (!writer_.IsOpen()) return;
    const Header h = HeaderNow(true);
    writer_.Close(h);
    std::string done = path_;
    if (setup_.file.empty()) {
        done = Rename(stem_ + "_" + std::to_string(h.score) + "_" + std::to_string(h.level));
    }
    written_.push_back(done);
    path_.clear();
    if (setup_.file.empty()) PruneReplays(setup_.dir, kKeptRecent, setup_.inTables);
}

std::vector<KeptReplay> ListReplays(const std::string& dir) {
    std::vector<KeptReplay> found;
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        if (!it->is_regular_file(ec) || it->path().extension() != kReplayExtension) continue;
        KeptReplay f{it->path().string(), {}};
        std::string error;
        if (ReadHeaderFile(f.path, f.header, error)) found.push_back(std::move(f));
    }
    std::sort(found.begin(), found.end(), [](const KeptReplay& a, const KeptReplay& b) {
        if (a.header.startedMs != b.header.startedMs)
            return a.header.startedMs > b.header.startedMs;
        return a.path > b.path;
    });
    return found;
}

std::vector<std::string> PruneReplays(const std::string& dir, size_t keepRecent,
                                      const std::function<bool(const Header&)>& inTables) {
    const std::vector<KeptReplay> found = ListReplays(dir);
    std::vector<std::string> removed;
    std::error_code ec;
    for (size_t i = keepRecent; i < found.size(); ++i) {
        if (inTables && inTables(found[i].header)) continue;
        if (fs::remove(found[i].path, ec)) removed.push_back(found[i].path);
    }
    return removed;
}

}  // namespace qbx::replay
