// Replay files: every input kind read back as written, a file cut off anywhere read up to its
// last whole chunk, and damaged or foreign bytes refused with a reason, never a crash.
#include "replay/replay_file.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace qbx::replay {
namespace {

using K = InputEvent::Kind;

Header SomeHeader() {
    Header h;
    h.startedMs = 1'700'000'000'123;
    h.lengthMs = 61'000;
    h.score = 12345;
    h.level = 7;
    h.programVersion = "1.0.0";
    h.player = "ALICE";
    return h;
}

// One of each kind, with the values at the edges of their fields.
std::vector<InputEvent> EveryKind() {
    std::vector<InputEvent> v;
    v.push_back({.kind = K::Sound, .value = 1});
    v.push_back({.kind = K::Click, .atMs = 0, .form = "frmMenu", .control = "cmdPlay"});
    v.push_back({.kind = K::Seed, .atMs = 0, .seed = ~uint64_t{0}});
    v.push_back({.kind = K::PumpEnd, .atMs = 2});
    v.push_back({.kind = K::Tick, .atMs = 10, .form = "frmGame", .control = "tmrBubbles"});
    v.push_back({.kind = K::KeyDown,
                 .atMs = 11,
                 .form = "frmGame",
                 .code = 37,
                 .shift = 7,
                 .repeat = true});
    v.push_back({.kind = K::KeyUp, .atMs = 12, .form = "frmGame", .code = 37});
    v.push_back({.kind = K::Menu, .atMs = 1'000'000, .form = "frmGame", .control = "mnuPause"});
    v.push_back({.kind = K::Close, .atMs = 1'000'001, .form = "frmGame"});
    v.push_back({.kind = K::Deactivate, .atMs = 1'000'001, .form = "frmGame"});
    v.push_back({.kind = K::PadPress, .atMs = 1'000'002, .value = 11});
    v.push_back({.kind = K::PadRelease, .atMs = 1'000'003, .value = 0});
    v.push_back({.kind = K::PadMove, .atMs = 1'000'004, .axis = 1, .value = -32768});
    v.push_back({.kind = K::PadMove, .atMs = 1'000'004, .axis = 0, .value = 32767});
    v.push_back({.kind = K::PadGone, .atMs = 1'000'005});
    v.push_back({.kind = K::Click, .atMs = 1'000'006, .form = "frmScores", .control = "cmd(3)"});
    v.push_back(
        {.kind = K::DblClick, .atMs = 1'000'007, .form = "frmReplays", .control = "lblPlayer(12)"});
    return v;
}

TEST(ReplayFile, EveryInputAndTheHeaderReadBackAsWritten) {
    const std::vector<InputEvent> events = EveryKind();
    Replay r;
    std::string error;
    ASSERT_TRUE(ReadReplay(EncodeReplay(SomeHeader(), events, 3), r, error)) << error;
    Header expected = SomeHeader();
    expected.events = static_cast<uint32_t>(events.size());
    EXPECT_EQ(r.header, expected);
    EXPECT_EQ(r.events, events);
    EXPECT_FALSE(r.cutOff);

    // Many timers beyond the first 128 names still read back (the long form of a tick).
    std::vector<InputEvent> many;
    for (int i = 0; i < 300; ++i)
        many.push_back(
            {.kind = K::Tick, .atMs = i, .form = "f", .control = "t" + std::to_string(i)});
    ASSERT_TRUE(ReadReplay(EncodeReplay(SomeHeader(), many, 1000), r, error)) << error;
    EXPECT_EQ(r.events, many);
}

// Files kept by earlier releases read as they were written: the header's layout never moves.
TEST(ReplayFile, FilesKeptByEarlierReleasesReadAsTheyWereWritten) {
    const std::string data = QUIBBLIX_SOURCE_DIR "/tests/replay/data/";
    Replay r;
    std::string error;
    ASSERT_TRUE(ReadReplayFile(data + "one-player-1.0.0.qbr", r, error)) << error;
    EXPECT_EQ(r.header.version, 1);
    EXPECT_EQ(r.header.programVersion, "1.0.0");
    EXPECT_EQ(r.header.player, "ALICE");
    EXPECT_EQ(r.header.score, 10);
    EXPECT_EQ(r.header.level, 1);
    EXPECT_TRUE(r.header.complete);
    EXPECT_EQ(r.header.events, 6749u);
    EXPECT_EQ(r.events.size(), 6749u);
    EXPECT_FALSE(r.cutOff);
    // Written again, the header is the same bytes.
    std::string bytes;
    {
        std::ifstream in(data + "one-player-1.0.0.qbr", std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    EXPECT_EQ(EncodeHeader(r.header), bytes.substr(0, kHeaderSize));

    ASSERT_TRUE(ReadReplayFile(data + "two-players-1.1.0.qbr", r, error)) << error;
    EXPECT_EQ(r.header.version, 2);
    EXPECT_EQ(r.header.players, 2);
    EXPECT_EQ(r.header.player, "ALICE");
    EXPECT_EQ(r.header.player2, "BOB");
    EXPECT_EQ(r.header.score, 10);
    EXPECT_EQ(r.header.score2, 0);
    EXPECT_EQ(r.header.level2, 1);
    EXPECT_EQ(r.events.size(), r.header.events);
    {
        std::ifstream in(data + "two-players-1.1.0.qbr", std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    EXPECT_EQ(EncodeHeader(r.header), bytes.substr(0, kHeaderSize2));
}

TEST(ReplayFile, TheHeaderCutsLongNamesOnACharacterBoundary) {
    Header h = SomeHeader();
    h.player = std::string(62, 'x') + "\xc3\xa9" + "tail";  // é straddles the 63rd byte
    h.programVersion = "1.0.0-very-long-version-name";
    Header back;
    std::string error;
    ASSERT_TRUE(ReadHeader(EncodeHeader(h), back, error)) << error;
    EXPECT_EQ(back.player, std::string(62, 'x'));
    EXPECT_EQ(back.programVersion, h.programVersion.substr(0, kVersionBytes - 1));
}

TEST(ReplayFile, ACutOffFileReadsUpToItsLastWholeChunk) {
    std::vector<InputEvent> events;
    for (int i = 0; i < 40; ++i)
        events.push_back(
            {.kind = K::Tick, .atMs = i * 10, .form = "frmGame", .control = "tmrBonus"});
    const std::string whole = EncodeReplay(SomeHeader(), events, 10);
    for (size_t cut = kHeaderSize; cut < whole.size(); ++cut) {
        Replay r;
        std::string error;
        ASSERT_TRUE(ReadReplay(std::string_view(whole).substr(0, cut), r, error))
            << "cut at " << cut << ": " << error;
        ASSERT_EQ(r.events.size() % 10, 0u) << "cut at " << cut;
        EXPECT_TRUE(std::equal(r.events.begin(), r.events.end(), events.begin()));
    }
    Replay r;
    std::string error;
    EXPECT_FALSE(ReadReplay(std::string_view(whole).substr(0, kHeaderSize - 1), r, error));
    EXPECT_NE(error.find("cut off"), std::string::npos) << error;
}

TEST(ReplayFile, DamagedOrForeignBytesAreRefusedWithAReason) {
    const std::string good = EncodeReplay(SomeHeader(), EveryKind(), 100);
    auto refused = [](const std::string& bytes, const std::string& why) {
        Replay r;
        std::string error;
        EXPECT_FALSE(ReadReplay(bytes, r, error)) << why;
        EXPECT_NE(error.find(why), std::string::npos) << error;
    };
    refused("", "not a replay");
    refused("#!/bin/sh\necho hello\n", "not a replay");

    std::string newer = good;
    newer[SlotOf(HeaderField::Version).at] = kFormatVersion + 1;
    refused(newer, "newer version");

    std::string header = good;
    header[SlotOf(HeaderField::Level).at] ^= 1;
    refused(header, "header is corrupted");

    // Every byte of the events changed in turn: refused, or (a chunk's length pointing past
    // the end) read as a file cut off before the inputs its header claims; never read as
    // other inputs.
    for (size_t at = kHeaderSize; at < good.size(); ++at) {
        std::string bad = good;
        bad[at] ^= 0x5a;
        Replay r;
        std::string error;
        if (ReadReplay(bad, r, error)) {
            EXPECT_TRUE(r.cutOff) << "byte " << at;
            EXPECT_LT(r.events.size(), r.header.events) << "byte " << at;
        }
    }

    // A chunk that claims to unpack to 4 GB is refused before anything is made that large.
    std::string huge = good;
    huge[kHeaderSize + 4] = huge[kHeaderSize + 5] = huge[kHeaderSize + 6] = '\xff';
    huge[kHeaderSize + 7] = '\xff';
    refused(huge, "corrupted");

    refused(good + std::string(kMaxFileBytes, '\0'), "larger than");
}

// A file whose chunks are whole and sealed but hold raw bytes no writer makes.
std::string WithRawChunk(const std::string& raw, uint32_t events) {
    Header h = SomeHeader();
    h.events = events;
    std::string out = EncodeHeader(h);
    // The first chunk of a zlib stream flushed to a byte boundary, as the writer makes it.
    z_stream z{};
    deflateInit(&z, 9);
    std::string packed(raw.size() + 256, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(raw.data()));
    z.avail_in = static_cast<uInt>(raw.size());
    z.next_out = reinterpret_cast<Bytef*>(packed.data());
    z.avail_out = static_cast<uInt>(packed.size());
    deflate(&z, Z_SYNC_FLUSH);
    const auto size = static_cast<uInt>(packed.size() - z.avail_out);
    packed.resize(size);
    deflateEnd(&z);
    auto le = [&out](uint32_t v) {
        for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xff));
    };
    le(static_cast<uint32_t>(packed.size()));
    le(static_cast<uint32_t>(raw.size()));
    le(static_cast<uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(packed.data()), static_cast<uInt>(size))));
    return out + packed;
}

TEST(ReplayFile, UnknownEventsNamesAndControlsAreRefused) {
    const std::string name = std::string("\x00\x10", 2) + "frmGame.tmrBonus";
    struct Case {
        std::string raw, why;
    };
    const Case cases[] = {
        {name + "\x1e\x00", "unknown event"},          // a kind past the last
        {name + "\x23\x00\x00", "unknown event"},      // a repeated key-up
        {name + "\x81\x00", "bad event"},              // a tick of a name never given
        {name + "\x05\x00\x07", "bad event"},          // a click naming nothing
        {name + "\x03\x00\x00\x25\x00", "bad event"},  // a key for a control, not a screen
        {name + "\x09\x00\x0c", "bad event"},          // a pad button that does not exist
        {name + "\x0a\x00\x02\x00", "bad event"},      // a third stick axis
        {name + "\x0e\x00\x02", "bad event"},          // the sound neither on nor off
        {name + "\x80\xff\xff\xff\xff\xff\xff\xff\xff\x7f", "bad event"},  // time overflows
        {std::string("\x00\x00", 2), "bad name"},                          // an empty name
        {std::string("\x00\x7f", 2) + "x", "bad name"},  // a name past the chunk's end
        {name + "\x80", "bad event"},                    // an input cut inside its chunk
        // At the edges: the first kind past the last, the first name number never given, and
        // a name one byte longer than a name may be.
        {name + static_cast<char>(InputEvent::kKinds + 1) + std::string("\x00", 1),
         "unknown event"},
        {name + "\x05\x00\x01", "bad event"},
        {std::string("\x00", 1) + static_cast<char>(kMaxNameBytes + 1) +
             std::string(kMaxNameBytes + 1, 'x'),
         "bad name"},
    };
    for (const Case& c : cases) {
        Replay r;
        std::string error;
        EXPECT_FALSE(ReadReplay(WithRawChunk(c.raw, 10), r, error)) << c.why;
        EXPECT_NE(error.find(c.why), std::string::npos) << error;
    }
    Replay r;
    std::string error;
    ASSERT_TRUE(ReadReplay(WithRawChunk(name + "\x80\x0a", 1), r, error)) << error;
    EXPECT_EQ(r.events.at(0).control, "tmrBonus");
    // A name of the longest length a name may have is read.
    const std::string longest = "frmGame." + std::string(kMaxNameBytes - 8, 't');
    ASSERT_TRUE(ReadReplay(
        WithRawChunk(
            std::string("\x00", 1) + static_cast<char>(longest.size()) + longest + "\x80\x0a", 1),
        r, error))
        << error;
    EXPECT_EQ(r.events.at(0).control, longest.substr(8));

    // A chunk that says it holds no bytes is refused, not taken for the end.
    Header claims = SomeHeader();
    claims.events = 10;
    std::string empty = EncodeHeader(claims);
    empty += std::string(4, '\0') + std::string("\x0a\x00\x00\x00", 4) + std::string(4, '\0');
    EXPECT_FALSE(ReadReplay(empty, r, error));
    EXPECT_NE(error.find("corrupted"), std::string::npos) << error;
}

TEST(ReplayFile, AWriterKeepsWhatItFlushedWhenItsProgramDies) {
    test::TempDir dir;
    const std::string path = dir.Path() + "/game.qbr";
    Writer w;
    ASSERT_TRUE(w.Open(path, SomeHeader()));
    const std::vector<InputEvent> events = EveryKind();
    for (size_t i = 0; i < 5; ++i) w.Add(events[i]);
    ASSERT_TRUE(w.Flush(SomeHeader()));
    for (size_t i = 5; i < events.size(); ++i) w.Add(events[i]);
    // Killed here: the file holds the first five and a header that claims them.
    Replay r;
    std::string error;
    ASSERT_TRUE(ReadReplayFile(path, r, error)) << error;
    EXPECT_EQ(r.header.events, 5u);
    EXPECT_EQ(r.events, std::vector<InputEvent>(events.begin(), events.begin() + 5));
    EXPECT_FALSE(r.header.complete);

    Header last = SomeHeader();
    last.complete = true;
    ASSERT_TRUE(w.Close(last));
    ASSERT_TRUE(ReadReplayFile(path, r, error)) << error;
    EXPECT_EQ(r.events, events);
    EXPECT_TRUE(r.header.complete);

    EXPECT_FALSE(ReadReplayFile(dir.Path() + "/none.qbr", r, error));
    EXPECT_FALSE(ReadReplayFile(dir.Path(), r, error));
}

}  // namespace
}  // namespace qbx::replay

namespace qbx::replay {
namespace {

// A game of two is version 2: player 2's name and result in the longer header, the pad of every
// pad action kept; a game of one stays version 1, whose pad actions all read as the first pad's.
TEST(ReplayVersion2, KeepsPlayerTwoAndThePadOfEachPadAction) {
    Header h;
    h.version = 2;
    h.players = 2;
    h.player = "ALICE";
    h.player2 = "BOB";
    h.score = 120;
    h.level = 3;
    h.score2 = -7;
    h.level2 = 2;
    const std::vector<InputEvent> events = {
        {.kind = K::PadPress, .atMs = 10, .value = 0, .pad = 1},
        {.kind = K::PadRelease, .atMs = 20, .value = 11, .pad = 0},
        {.kind = K::PadMove, .atMs = 30, .axis = 1, .value = -32768, .pad = 1},
        {.kind = K::PadGone, .atMs = 40, .pad = 1},
        {.kind = K::KeyDown, .atMs = 50, .form = "frmGame", .code = 38},
    };
    const std::string bytes = EncodeReplay(h, events);
    Replay r;
    std::string error;
    ASSERT_TRUE(ReadReplay(bytes, r, error)) << error;
    Header want = h;
    want.events = static_cast<uint32_t>(events.size());
    EXPECT_EQ(r.header, want);
    EXPECT_EQ(r.events, events);

    // Player 2's result is under the header's check sum.
    std::string changed = bytes;
    changed[SlotOf(HeaderField::Score2).at] ^= 1;
    EXPECT_FALSE(ReadReplay(changed, r, error));
    EXPECT_NE(error.find("header is corrupted"), std::string::npos);
    std::string players = bytes;
    players[SlotOf(HeaderField::Players).at] = 3;
    EXPECT_FALSE(ReadReplay(players, r, error));

    // Version 1 has no pad byte: the same actions read back as the first pad's.
    Header one;
    one.player = "ALICE";
    const std::string old = EncodeReplay(one, events);
    ASSERT_TRUE(ReadReplay(old, r, error)) << error;
    EXPECT_EQ(r.header.version, 1);
    EXPECT_EQ(r.header.players, 1);
    ASSERT_EQ(r.events.size(), events.size());
    for (const InputEvent& e : r.events) EXPECT_EQ(e.pad, 0);
    EXPECT_EQ(r.events[2].value, -32768);
}

}  // namespace
}  // namespace qbx::replay
