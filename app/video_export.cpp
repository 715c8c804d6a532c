// Exporting a replay to a video: the play, the pictures, the sound and the encoder's pipes.
#include "app/video_export.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QImage>
#include <QMessageBox>
#include <QPainter>
#include <QProgressDialog>
#include <QStandardPaths>
#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <ostream>
#include <system_error>
#include <thread>
#include <vector>

#include "app/art_pictures.h"
#include "app/end_signals.h"
#include "app/game_replays.h"
#include "app/instructions_layout.h"
#include "backends/headless/headless_services.h"
#include "backends/qt/screen_view.h"
#include "backends/qt/sound_output.h"
#include "engine/gamepad.h"
#include "forms/quibblix.h"
#include "replay/replay_file.h"
#include "sound/effects.h"

extern char** environ;

namespace qbx {

namespace {

constexpr int64_t kSamplesPerFrame = kVideoSampleRate / kVideoFps;

// Abandons the play from inside it: the export was stopped or the encoder went away.
struct ExportStopped {};

// The headless backend, telling the video's sound what the rules ask of it.
class ExportServices : public HeadlessServices {
public:
    std::function<void(Sound, int)> onEffect;
    std::function<void(const MusicCue&)> onMusic;

    void PlaySound(Sound effect, int variant) override {
        HeadlessServices::PlaySound(effect, variant);
        if (SoundOn() && onEffect) onEffect(effect, variant);
    }
    void PlayMusic(Music piece) override {
        HeadlessServices::PlayMusic(piece);
        cue_.piece = piece;
        cue_.paused = false;
        ++cue_.serial;
        Cue();
    }
    void PauseMusic(bool paused) override {
        HeadlessServices::PauseMusic(paused);
        cue_.paused = paused;
        Cue();
    }
    void SetSoundOn(bool on) override {
        HeadlessServices::SetSoundOn(on);
        Cue();
    }
    void SetMusicOn(bool on) override {
        HeadlessServices::SetMusicOn(on);
        Cue();
    }

private:
    void Cue() {
        cue_.audible = SoundOn() && MusicOn();
        if (onMusic) onMusic(cue_);
    }
    MusicCue cue_;
};

// The effects and the music as the window's mixer sums them, a block at a time.
class SoundTrack {
public:
    explicit SoundTrack(const SoundBank& bank) : music_(bank.MakeMusic(kVideoSampleRate)) {
        for (int k = 0; k < kSoundCount; ++k)
            effects_[static_cast<size_t>(k)] =
                bank.Render(static_cast<Sound>(k), 0, kVideoSampleRate);
        for (int size = 0; size < kPops; ++size)
            pops_[static_cast<size_t>(size)] = bank.Render(Sound::Pop, size, kVideoSampleRate);
        mixer_.SetMusic(music_.get());
    }
    void Effect(Sound effect, int variant) {
        const std::vector<float>& s = effect == Sound::Pop && variant >= 0 && variant < kPops
                                          ? pops_[static_cast<size_t>(variant)]
                                          : effects_[static_cast<size_t>(effect)];
        if (!s.empty()) mixer_.Start(s, 0);
    }
    void Cue(const MusicCue& c) {
        if (music_) music_->Set(c.piece, c.serial, c.paused, c.audible);
    }
    // The samples from where the last call ended up to sample `until`.
    std::vector<float> MixUntil(int64_t until) {
        std::vector<float> out;
        if (until <= mixed_) return out;
        out.resize(static_cast<size_t>(until - mixed_));
        mixer_.MixInto(out.data(), out.size(), 0);
        mixed_ = until;
        return out;
    }

private:
    static constexpr int kPops = 5;
    std::unique_ptr<MusicSource> music_;
    std::array<std::vector<float>, kSoundCount> effects_;
    std::array<std::vector<float>, kPops> pops_;
    Mixer mixer_;
    int64_t mixed_ = 0;
};

int Even(int n) {
    return n + (n & 1);
}

// The picture of the play as the window shows it: the game screen's client area, with any
// other screen the player brought up over it centred on top (made smaller if it would not fit).
class FrameRenderer {
public:
    FrameRenderer(Quibblix& app, int scale) : app_(app), scale_(scale) {
        const ScreenDesign& d = app.game.Design();
        // The encoder's colour format wants even sizes: a column or row of black is added.
        logical_ = QSize(Even(TwipsToPx(d.clientWidth)), Even(TwipsToPx(d.clientHeight)));
        frame_ = QImage(logical_ * scale, QImage::Format_RGB32);
        frame_.setDevicePixelRatio(scale);
    }
    QSize PixelSize() const { return frame_.size(); }

    const QImage& Render() {
        frame_.fill(Qt::black);
        if (Screen& game = app_.game; game.IsLoaded() && game.IsVisible())
            ViewOf(game).Client()->render(&frame_);
        Screen* top = app_.program.Active();
        if (top && top != &app_.game && top->IsLoaded()) {
            ScreenView& view = ViewOf(*top);
            const QSize size = view.ClientSize();
            const double fit = std::min({1.0, double(logical_.width()) / size.width(),
                                         double(logical_.height()) / size.height()});
            QImage over(size * scale_, QImage::Format_RGB32);
            over.setDevicePixelRatio(scale_);
            over.fill(Qt::black);
            view.Client()->render(&over);
            QPainter p(&frame_);
            p.setRenderHint(QPainter::SmoothPixmapTransform);
            const QSizeF placed = QSizeF(size) * fit;
            p.drawImage(QRectF(QPointF((logical_.width() - placed.width()) / 2,
                                       (logical_.height() - placed.height()) / 2),
                               placed),
                        over);
        }
        // A screen unloaded since is forgotten: loaded again, it gets a window of its own.
        for (auto it = views_.begin(); it != views_.end();)
            it = it->first->IsLoaded() ? std::next(it) : views_.erase(it);
        return frame_;
    }

private:
    ScreenView& ViewOf(Screen& s) {
        auto& v = views_[&s];
        if (!v) {
            // Never shown and without a host, like a shot's: nothing it does reaches the game.
            v = std::make_unique<ScreenView>(s, nullptr);
            v->ensurePolished();
        }
        v->Sync();
        return *v;
    }

    Quibblix& app_;
    int scale_;
    QSize logical_;
    QImage frame_;
    std::map<Screen*, std::unique_ptr<ScreenView>> views_;
};

bool WriteAll(int fd, const void* data, size_t n) {
    const auto* p = static_cast<const char*>(data);
    while (n > 0) {
        const ssize_t w = ::write(fd, p, n);
        if (w < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += w;
        n -= static_cast<size_t>(w);
    }
    return true;
}

// The ffmpeg program at work: the frames go down its standard input as they are painted, the
// sound (mixed beforehand) comes from a file, and what it says on its standard error is kept
// for a failure's message.
class Encoder {
public:
    ~Encoder() { Abort(); }

    bool Start(const std::string& program, const std::string& soundFile, const std::string& outFile,
               QSize size, std::string& error) {
        int video[2], talk[2];
        if (::pipe2(video, O_CLOEXEC) != 0) return Failed("no pipe", error);
        if (::pipe2(talk, O_CLOEXEC) != 0) {
            CloseBoth(video);
            return Failed("no pipe", error);
        }
        const std::string frameSize =
            std::to_string(size.width()) + "x" + std::to_string(size.height());
        const std::vector<std::string> args = {
            program, "-hide_banner", "-nostats", "-loglevel", "error", "-y",
            // The frames: QImage's 32-bit RGB, blue first in memory.
            "-f", "rawvideo", "-pix_fmt", "bgr0", "-video_size", frameSize, "-framerate",
            std::to_string(kVideoFps), "-i", "pipe:0",
            // The sound: the mixer's own samples, mono.
            "-f", "f32le", "-ar", std::to_string(kVideoSampleRate), "-ac", "1", "-i", soundFile,
            "-map", "0:v:0", "-map", "1:a:0",
            // Real-time VP9 keeps a minute of play under a minute of encoding on two cores; the
            // game's flat colours stay clean at this quality.
            "-c:v", "libvpx-vp9", "-pix_fmt", "yuv420p", "-deadline", "realtime", "-cpu-used", "8",
            "-row-mt", "1", "-tile-columns", "2", "-threads", "4", "-crf", "30", "-b:v", "0", "-g",
            "240", "-c:a", "libopus", "-b:a", "96k", "-f", "webm", outFile};
        std::vector<char*> argv;
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, video[0], 0);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_adddup2(&actions, talk[1], 2);
        const int rc = posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(video[0]);
        ::close(talk[1]);
        if (rc != 0) {
            pid_ = -1;
            ::close(video[1]);
            ::close(talk[0]);
            return Failed("cannot start " + program + ": " + std::strerror(rc), error);
        }
        videoFd_ = video[1];
        talkFd_ = talk[0];
        talker_ = std::thread([this] { Listen(); });
        return true;
    }

    bool WriteFrame(const QImage& frame) {
        return videoFd_ >= 0 &&
               WriteAll(videoFd_, frame.constBits(), static_cast<size_t>(frame.sizeInBytes()));
    }

    // Ends the frames and waits for the encoder; false with what it said when it failed.
    bool Finish(std::string& error) {
        CloseFd(videoFd_);
        const int status = Wait();
        if (talker_.joinable()) talker_.join();
        CloseFd(talkFd_);
        if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
        std::string said = said_;
        while (!said.empty() && (said.back() == '\n' || said.back() == '\r')) said.pop_back();
        if (const size_t nl = said.rfind('\n'); nl != std::string::npos) said = said.substr(nl + 1);
        error = "the encoder failed" + (said.empty() ? std::string() : ": " + said);
        return false;
    }

    void Abort() {
        if (pid_ > 0) ::kill(pid_, SIGTERM);
        CloseFd(videoFd_);
        Wait();
        if (talker_.joinable()) talker_.join();
        CloseFd(talkFd_);
    }

private:
    static bool Failed(const std::string& why, std::string& error) {
        error = why;
        return false;
    }
    static void CloseBoth(int fds[2]) {
        ::close(fds[0]);
        ::close(fds[1]);
    }
    static void CloseFd(int& fd) {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
    int Wait() {
        int status = -1;
        if (pid_ > 0) {
            while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
            }
            pid_ = -1;
        }
        return status;
    }
    void Listen() {
        char buf[512];
        for (;;) {
            const ssize_t n = ::read(talkFd_, buf, sizeof buf);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            said_.append(buf, static_cast<size_t>(n));
            if (said_.size() > 4096) said_.erase(0, said_.size() - 4096);
        }
    }

    pid_t pid_ = -1;
    int videoFd_ = -1, talkFd_ = -1;
    std::thread talker_;
    std::string said_;
};

// Writes to a pipe whose reader has gone fail with EPIPE instead of ending the program.
class NoBrokenPipeSignal {
public:
    NoBrokenPipeSignal() {
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        sigemptyset(&ignore.sa_mask);
        ::sigaction(SIGPIPE, &ignore, &previous_);
    }
    ~NoBrokenPipeSignal() { ::sigaction(SIGPIPE, &previous_, nullptr); }

private:
    struct sigaction previous_ {};
};

// A file beside the video, made now (so an unwritable place is known before any work) and
// removed unless it was renamed into place.
class PartFile {
public:
    bool Make(const std::string& outFile, std::string& error) {
        namespace fs = std::filesystem;
        const fs::path out(outFile);
        std::string dir = out.parent_path().string();
        if (dir.empty()) dir = ".";
        path_ = dir + "/." + out.filename().string() + ".XXXXXX";
        const int fd = ::mkstemp(path_.data());
        if (fd < 0) {
            error = std::strerror(errno);
            path_.clear();
            return false;
        }
        // Readable as any file the player makes, not only by the player.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
        ::close(fd);
        return true;
    }
    const std::string& Path() const { return path_; }
    bool MoveTo(const std::string& outFile, std::string& error) {
        if (std::rename(path_.c_str(), outFile.c_str()) != 0) {
            error = std::strerror(errno);
            return false;
        }
        path_.clear();
        return true;
    }
    ~PartFile() {
        if (!path_.empty()) ::unlink(path_.c_str());
    }

private:
    std::string path_;
};

bool IsProgram(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

// The replay played headless as the watched game would be, with the record files in a scratch
// directory of its own (each play must find the tables as the last left them untouched).
struct Replayed {
    ScratchDir scratch;
    ExportServices svc;
    Quibblix app{svc};
    Gamepad pad{app.program};

    Replayed(const replay::Replay& r, const PictureArtist* artist) {
        if (artist) app.program.SetArtist(artist);
        svc.Attach(app.program);
        PlayAgainAs(svc, r.header.player, scratch.Path());
        if (r.header.players == 2) svc.Answer(r.header.player2);
        if (artist) LayoutInstructions(app.instructions);
    }

    // Plays every input, telling at the replay time (ms from the first input) before each; the
    // rules ending the program end the play.
    void Play(const replay::Replay& r, const std::function<void(double)>& at) {
        const int64_t start = svc.Clock();
        svc.OnPlayTime([&](int64_t ms) { at(static_cast<double>(ms - start)); });
        struct Unhook {
            ExportServices& svc;
            ~Unhook() { svc.OnPlayTime(nullptr); }
        } unhook{svc};
        app.program.Run([&] {
            app.Start();
            svc.PlayRecorded(r.events, r.events.size(), pad);
        });
    }
};

}  // namespace

std::string FindEncoder(const std::string& searchPath) {
    size_t from = 0;
    for (;;) {
        const size_t colon = searchPath.find(':', from);
        std::string dir = searchPath.substr(from, colon - from);
        if (dir.empty()) dir = ".";
        if (const std::string p = dir + "/ffmpeg"; IsProgram(p)) return p;
        if (colon == std::string::npos) return "";
        from = colon + 1;
    }
}

std::string FindEncoder() {
    const char* path = std::getenv("PATH");
    return path && *path ? FindEncoder(path) : "";
}

int64_t VideoFrames(uint64_t lengthMs, double speed) {
    const double frames = std::ceil(static_cast<double>(lengthMs) * kVideoFps / (1000.0 * speed));
    return std::max<int64_t>(1, static_cast<int64_t>(frames));
}

bool ExportVideo(const std::string& replayFile, const std::string& outFile,
                 const VideoSettings& settings, const std::string& encoderPath,
                 const PictureArtist& artist, const ExportProgress& progress, std::string& error) {
    replay::Replay r;
    std::string why;
    if (!replay::ReadReplayFile(replayFile, r, why)) {
        error = "cannot read the replay '" + replayFile + "': " + why;
        return false;
    }
    std::error_code ec;
    const auto cannotWrite = [&](const std::string& reason) {
        error = "cannot write the video '" + outFile + "': " + reason;
        return false;
    };
    if (std::filesystem::is_directory(outFile, ec)) return cannotWrite("it is a directory");
    // Exporting over the replay itself would lose the game.
    if (std::filesystem::equivalent(outFile, replayFile, ec))
        return cannotWrite("it is the replay being exported");
    PartFile part;
    if (!part.Make(outFile, why)) return cannotWrite(why);
    ScratchDir work;
    if (work.Path().empty()) {
        error = "no scratch directory";
        return false;
    }
    const double speed = settings.speed;
    const int64_t frames = VideoFrames(r.header.lengthMs, speed);
    const int64_t samples = frames * kSamplesPerFrame;
    const double frameMs = 1000.0 * speed / kVideoFps;
    const auto sampleAt = [&](double ms) {
        return std::clamp<int64_t>(static_cast<int64_t>(ms / speed * kVideoSampleRate / 1000), 0,
                                   samples);
    };

    // First the sound, mixed whole into a file: the encoder reads ahead on each of its inputs
    // before it starts, and sound that came only with the frames would keep it waiting for
    // frames it is not yet reading.
    const std::string soundFile = work.Path() + "/sound.f32";
    {
        std::FILE* f = std::fopen(soundFile.c_str(), "wb");
        if (!f) {
            error = "cannot write the sound in " + work.Path();
            return false;
        }
        bool written = true;
        static const sound::Effects bank;
        SoundTrack sound(bank);
        Replayed heard(r, nullptr);
        heard.svc.onEffect = [&sound](Sound e, int variant) { sound.Effect(e, variant); };
        heard.svc.onMusic = [&sound](const MusicCue& c) { sound.Cue(c); };
        const auto mixTo = [&](double t) {
            const std::vector<float> block = sound.MixUntil(sampleAt(t));
            if (!block.empty())
                written = written &&
                          std::fwrite(block.data(), sizeof(float), block.size(), f) == block.size();
        };
        heard.Play(r, mixTo);
        mixTo(static_cast<double>(frames) * frameMs + 1);
        written = std::fclose(f) == 0 && written;
        if (!written) {
            error = "cannot write the sound in " + work.Path();
            return false;
        }
    }

    // Then the pictures, painted as the same play goes again.
    Replayed seen(r, &artist);
    FrameRenderer renderer(seen.app, settings.scale);
    NoBrokenPipeSignal quietPipes;
    Encoder encoder;
    if (!encoder.Start(encoderPath, soundFile, part.Path(), renderer.PixelSize(), error))
        return false;
    int64_t frame = 0;
    bool broken = false, stopped = false;
    // Every frame due before replay time t (ms from the first input), each showing the play as
    // it stood then.
    const auto paintTo = [&](double t) {
        while (frame < frames && static_cast<double>(frame) * frameMs < t) {
            if (!encoder.WriteFrame(renderer.Render())) {
                broken = true;
                throw ExportStopped{};
            }
            ++frame;
            if (EndSignalled() || (progress && !progress(static_cast<double>(frame) / frames))) {
                stopped = true;
                throw ExportStopped{};
            }
        }
    };
    try {
        seen.Play(r, paintTo);
        // What follows the last input, to the end.
        paintTo(static_cast<double>(frames) * frameMs + 1);
    } catch (const ExportStopped&) {
        if (stopped) {
            encoder.Abort();
            error = "the export was stopped; nothing was written";
            return false;
        }
    }
    if (!encoder.Finish(why) || broken) {
        error = why.empty() ? "the encoder stopped taking frames" : why;
        return false;
    }
    if (!part.MoveTo(outFile, why)) return cannotWrite(why);
    return true;
}

int ExportVideoCommand(const std::string& outFile, const std::string& replayFile,
                       const VideoSettings& settings, char* argv0, std::ostream& err,
                       bool errIsTerminal) {
    const std::string encoder = FindEncoder();
    if (encoder.empty()) {
        err << "quibblix: " << kEncoderHint << "\n";
        return 2;
    }
    // The pictures need Qt's painting but no display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int argc = 1;
    char* argv[] = {argv0, nullptr};
    // What Qt says while it starts (no runtime directory, and the like) is not the export's
    // business: its line on standard error is the one the player reads.
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    QApplication gui(argc, argv);
    qInstallMessageHandler(previous);
    const ArtPictures artist;
    int shown = -1;
    const auto progress = [&](double done) {
        const int percent = static_cast<int>(done * 100);
        // On a terminal the line is rewritten at each percent; elsewhere a line every five.
        if (errIsTerminal ? percent != shown : percent / 5 != shown / 5 || shown < 0) {
            shown = percent;
            err << "quibblix: exporting " << outFile << ": " << percent << "%"
                << (errIsTerminal ? "\r" : "\n") << std::flush;
        }
        return true;
    };
    std::string error;
    const bool ok = ExportVideo(replayFile, outFile, settings, encoder, artist, progress, error);
    if (errIsTerminal && shown >= 0) err << "\n";
    if (!ok) {
        err << "quibblix: " << error << "\n";
        return EndSignalled() ? 1 : 2;
    }
    return 0;
}

void ExportInWindow(const std::string& replayFile, const std::string& encoderPath,
                    const PictureArtist& artist) {
    // One export at a time: the progress dialog keeps the windows' input from the game, but a
    // second request may already be on its way.
    static bool busy = false;
    if (busy) return;
    busy = true;
    struct NotBusy {
        ~NotBusy() { busy = false; }
    } notBusy;

    QWidget* parent = QApplication::activeWindow();
    QString dir = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
    if (dir.isEmpty() || !QDir(dir).exists()) dir = QDir::homePath();
    const QString stem = QString::fromStdString(std::filesystem::path(replayFile).stem().string());
    QString out = QFileDialog::getSaveFileName(parent, QStringLiteral("Export Video"),
                                               dir + "/" + stem + ".webm",
                                               QStringLiteral("WebM video (*.webm)"));
    if (out.isEmpty()) return;
    if (!out.endsWith(QStringLiteral(".webm"), Qt::CaseInsensitive)) out += ".webm";

    QProgressDialog dialog(QStringLiteral("Exporting the video\u2026"), QStringLiteral("Cancel"), 0,
                           1000, parent);
    dialog.setWindowTitle(QStringLiteral("Quibblix"));
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setMinimumDuration(0);
    dialog.setAutoClose(false);
    dialog.setAutoReset(false);
    dialog.setValue(0);
    int shown = -1;
    const auto progress = [&](double done) {
        const int value = static_cast<int>(done * 1000);
        if (value != shown) {
            shown = value;
            dialog.setValue(value);
            QCoreApplication::processEvents();
        }
        return !dialog.wasCanceled();
    };
    std::string error;
    const bool ok =
        ExportVideo(replayFile, out.toStdString(), {}, encoderPath, artist, progress, error);
    const bool cancelled = dialog.wasCanceled();
    dialog.close();
    if (ok || cancelled) return;
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Quibblix"),
                    QStringLiteral("The video was not made: %1").arg(QString::fromStdString(error)),
                    QMessageBox::Ok, parent);
    box.exec();
}

}  // namespace qbx
