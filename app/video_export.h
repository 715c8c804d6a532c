// A replay as a video: played headless on the virtual clock, each frame painted by the window's
// own painting code at 60 frames a second of the replay's time, its sound mixed as the window's
// mixer would, and both piped to the ffmpeg program, which encodes VP9 and Opus in WebM.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>

namespace qbx {

class PictureArtist;

inline constexpr int kVideoFps = 60;
inline constexpr int kVideoSampleRate = 48000;
inline constexpr double kSlowestExport = 0.25, kFastestExport = 16;

// What to say when the encoder is not installed.
inline constexpr const char* kEncoderHint =
    "exporting a video needs the ffmpeg program: install the package ffmpeg "
    "(sudo apt install ffmpeg)";

// The Replays screen's line where no video can be made.
inline constexpr const char* kEncoderScreenHint = "Install the ffmpeg package to export videos.";

// The ffmpeg program found on a PATH-like list of directories, or "" when none has it.
std::string FindEncoder(const std::string& searchPath);
// The same on this process's PATH.
std::string FindEncoder();

struct VideoSettings {
    int scale = 1;     // pixels per pixel of the game's window
    double speed = 1;  // replay milliseconds per millisecond of video
};

// How far the export has come, from 0 to 1; false stops it (nothing is written).
using ExportProgress = std::function<bool(double done)>;

// Frames and samples for a length of play at a speed: the whole of it, at least one frame.
int64_t VideoFrames(uint64_t lengthMs, double speed);

// Exports replayFile to outFile through the encoder at encoderPath. The video is written under
// a temporary name beside outFile and renamed to it once complete, so a failed or stopped export
// leaves nothing behind. Needs a QApplication. False with one line saying why.
bool ExportVideo(const std::string& replayFile, const std::string& outFile,
                 const VideoSettings& settings, const std::string& encoderPath,
                 const PictureArtist& artist, const ExportProgress& progress, std::string& error);

// quibblix --export-video OUT FILE: a progress line on err while it works (rewritten in place
// on a terminal); 0 once written, 2 with one line when it cannot be, 1 when stopped by a signal.
int ExportVideoCommand(const std::string& outFile, const std::string& replayFile,
                       const VideoSettings& settings, char* argv0, std::ostream& err,
                       bool errIsTerminal);

// The Replays screen's Export Video: a file dialog, then the export with a modal progress
// dialog that can cancel it; what went wrong in a message box. Needs a QApplication.
void ExportInWindow(const std::string& replayFile, const std::string& encoderPath,
                    const PictureArtist& artist);

}  // namespace qbx
