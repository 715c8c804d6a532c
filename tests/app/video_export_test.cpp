// quibblix --export-video run as a player runs it: the video ffprobe finds in the file, and what
// is said and left behind when it cannot be made.
#include "app/video_export.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "replay/replay_file.h"
#include "support/temp_dir.h"

namespace qbx {
namespace {

namespace fs = std::filesystem;

const std::string kReplay =
    std::string(QUIBBLIX_SOURCE_DIR) + "/tests/replay/data/one-player-1.0.0.qbr";

std::string Quoted(const std::string& s) {
    std::string out = "'";
    for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::string ReadAll(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

struct Outcome {
    int status = -1;
    std::string err;
};

// The program with these arguments (and PATH, when given), its standard error kept.
Outcome Export(const test::TempDir& dir, const std::string& args, const std::string& path = "") {
    const std::string errFile = dir.Path() + "/stderr.txt";
    std::string cmd = path.empty() ? "" : "env PATH=" + Quoted(path) + " ";
    cmd += Quoted(QUIBBLIX_PROGRAM) + " " + args + " </dev/null >/dev/null 2>" + Quoted(errFile);
    Outcome r;
    const int raw = std::system(cmd.c_str());
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.err = ReadAll(errFile);
    fs::remove(errFile);
    return r;
}

std::string Probe(const std::string& args) {
    std::string out;
    if (FILE* p = ::popen(("ffprobe -v error " + args + " 2>/dev/null").c_str(), "r")) {
        char buf[256];
        while (size_t n = std::fread(buf, 1, sizeof buf, p)) out.append(buf, n);
        ::pclose(p);
    }
    while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) out.pop_back();
    return out;
}

// The files a failed export may have left in a directory.
std::vector<std::string> Left(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    return names;
}

uint64_t ReplayLengthMs() {
    replay::Header h;
    std::string error;
    EXPECT_TRUE(replay::ReadHeaderFile(kReplay, h, error)) << error;
    return h.lengthMs;
}

bool HaveEncoder() {
    return !FindEncoder().empty() && std::system("command -v ffprobe >/dev/null 2>&1") == 0;
}

TEST(VideoExport, FramesCoverTheWholePlayAtTheSpeed) {
    EXPECT_EQ(VideoFrames(1000, 1), 60);
    EXPECT_EQ(VideoFrames(1001, 1), 61);  // the last moment gets a frame of its own
    EXPECT_EQ(VideoFrames(1000, 2), 30);
    EXPECT_EQ(VideoFrames(1000, 0.25), 240);
    EXPECT_EQ(VideoFrames(0, 1), 1);
}

TEST(VideoExport, TheEncoderIsFoundOnThePathOnlyWhereItCanRun) {
    test::TempDir dir;
    const std::string a = dir.Path() + "/a", b = dir.Path() + "/b";
    fs::create_directories(a);
    fs::create_directories(b);
    std::ofstream(a + "/ffmpeg") << "#!/bin/sh\n";  // not executable
    std::ofstream(b + "/ffmpeg") << "#!/bin/sh\n";
    fs::permissions(b + "/ffmpeg", fs::perms::owner_all);
    fs::create_directories(dir.Path() + "/c/ffmpeg");  // a directory of that name
    EXPECT_EQ(FindEncoder(a + ":" + dir.Path() + "/c:" + b), b + "/ffmpeg");
    EXPECT_EQ(FindEncoder(a), "");
    EXPECT_EQ(FindEncoder(":" + a), "");
}

// A video that a browser plays: VP9 and Opus in WebM, 60 frames a second for exactly the length
// of play, the size following --scale, and the progress told on standard error.
TEST(VideoExport, ExportsTheReplayAsVp9AndOpusInWebm) {
    if (!HaveEncoder()) GTEST_SKIP() << "ffmpeg and ffprobe are not installed";
    test::TempDir dir;
    const uint64_t lengthMs = ReplayLengthMs();
    ASSERT_GT(lengthMs, 1000u);
    ASSERT_LT(lengthMs, 60000u) << "keep the test's replay short";

    const std::string one = dir.Path() + "/one.webm";
    const Outcome r = Export(dir, "--export-video " + Quoted(one) + " " + Quoted(kReplay));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Left(dir.Path()), std::vector<std::string>{"one.webm"});
    EXPECT_EQ(Probe("-show_entries format=format_name -of default=nw=1:nk=1 " + Quoted(one)),
              "matroska,webm");
    EXPECT_EQ(Probe("-select_streams v -show_entries stream=codec_name,r_frame_rate -of csv=p=0 " +
                    Quoted(one)),
              "vp9,60/1");
    EXPECT_EQ(Probe("-select_streams a -show_entries stream=codec_name -of csv=p=0 " + Quoted(one)),
              "opus");
    const int64_t frames = VideoFrames(lengthMs, 1);
    EXPECT_EQ(Probe("-count_frames -select_streams v -show_entries stream=nb_read_frames "
                    "-of csv=p=0 " +
                    Quoted(one)),
              std::to_string(frames));
    const double duration =
        std::atof(Probe("-show_entries format=duration -of csv=p=0 " + Quoted(one)).c_str());
    EXPECT_NEAR(duration, static_cast<double>(lengthMs) / 1000, 1.0 / kVideoFps);
    // The encoder was not left to guess: the picture moves and the sound is heard somewhere.
    const std::string size1 =
        Probe("-select_streams v -show_entries stream=width,height -of csv=p=0 " + Quoted(one));

    // Progress on a pipe: a line now and then, ending at 100 %, never rewritten in place.
    EXPECT_EQ(r.err.find('\r'), std::string::npos);
    const size_t lines = static_cast<size_t>(std::count(r.err.begin(), r.err.end(), '\n'));
    EXPECT_GE(lines, 3u) << r.err;
    EXPECT_LE(lines, 21u) << r.err;
    EXPECT_NE(r.err.find("quibblix: exporting " + one + ": 100%\n"), std::string::npos) << r.err;

    // Twice the size, four times as fast: a quarter of the frames.
    const std::string two = dir.Path() + "/two.webm";
    const Outcome r2 = Export(
        dir, "--export-video " + Quoted(two) + " " + Quoted(kReplay) + " --scale 2 --speed 4");
    ASSERT_EQ(r2.status, 0) << r2.err;
    int w1 = 0, h1 = 0, w2 = 0, h2 = 0;
    ASSERT_EQ(std::sscanf(size1.c_str(), "%d,%d", &w1, &h1), 2) << size1;
    const std::string size2 =
        Probe("-select_streams v -show_entries stream=width,height -of csv=p=0 " + Quoted(two));
    ASSERT_EQ(std::sscanf(size2.c_str(), "%d,%d", &w2, &h2), 2) << size2;
    EXPECT_GT(w1, 600);
    EXPECT_EQ(w2, 2 * w1);
    EXPECT_EQ(h2, 2 * h1);
    EXPECT_EQ(Probe("-count_frames -select_streams v -show_entries stream=nb_read_frames "
                    "-of csv=p=0 " +
                    Quoted(two)),
              std::to_string(VideoFrames(lengthMs, 4)));
    const double d2 =
        std::atof(Probe("-show_entries format=duration -of csv=p=0 " + Quoted(two)).c_str());
    EXPECT_NEAR(d2, static_cast<double>(lengthMs) / 4000, 1.0 / kVideoFps);
}

// Whatever stands in the way: one line, status 2, and nothing written where the video would go.
TEST(VideoExport, WhatCannotBeExportedIsSaidInOneLineAndLeavesNothing) {
    test::TempDir dir;
    const std::string out = dir.Path() + "/out";
    fs::create_directories(out);
    const auto oneLine = [](const Outcome& r, const std::string& words) {
        EXPECT_EQ(r.status, 2) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_EQ(r.err.rfind("quibblix: ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find(words), std::string::npos) << r.err;
    };

    // No encoder on the PATH: what to install.
    const std::string bare = dir.Path() + "/bare";
    fs::create_directories(bare);
    oneLine(Export(dir, "--export-video " + Quoted(out + "/v.webm") + " " + Quoted(kReplay), bare),
            "install the package ffmpeg");
    EXPECT_TRUE(Left(out).empty());

    // An encoder that gives up: its own words, and no partial video.
    const std::string broken = dir.Path() + "/broken";
    fs::create_directories(broken);
    std::ofstream(broken + "/ffmpeg")
        << "#!/bin/sh\necho 'Unknown encoder libvpx-vp9' >&2\nexit 1\n";
    fs::permissions(broken + "/ffmpeg", fs::perms::owner_all);
    oneLine(Export(dir, "--export-video " + Quoted(out + "/v.webm") + " " + Quoted(kReplay),
                   broken + ":/usr/bin:/bin"),
            "the encoder failed: Unknown encoder libvpx-vp9");
    EXPECT_TRUE(Left(out).empty());

    if (!HaveEncoder()) GTEST_SKIP() << "ffmpeg is not installed";
    // A place that cannot be written.
    oneLine(Export(dir,
                   "--export-video " + Quoted(out + "/no/such/dir/v.webm") + " " + Quoted(kReplay)),
            "cannot write the video");
    oneLine(Export(dir, "--export-video " + Quoted(out) + " " + Quoted(kReplay)), "a directory");
    // The replay itself is never written over.
    const std::string copy = out + "/game.qbr";
    fs::copy_file(kReplay, copy);
    oneLine(Export(dir, "--export-video " + Quoted(copy) + " " + Quoted(copy)),
            "the replay being exported");
    EXPECT_EQ(ReadAll(copy), ReadAll(kReplay));
    fs::remove(copy);
    // Replays that cannot be read: missing, and from a newer format.
    oneLine(Export(dir, "--export-video " + Quoted(out + "/v.webm") + " " +
                            Quoted(out + "/missing.qbr")),
            "cannot read the replay");
    std::string newer = ReadAll(kReplay);
    newer[8] = '\x09';
    newer[9] = '\x00';
    std::ofstream(dir.Path() + "/newer.qbr", std::ios::binary) << newer;
    oneLine(Export(dir, "--export-video " + Quoted(out + "/v.webm") + " " +
                            Quoted(dir.Path() + "/newer.qbr")),
            "newer version");
    EXPECT_TRUE(Left(out).empty());
}

}  // namespace
}  // namespace qbx
