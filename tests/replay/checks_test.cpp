// Version 3 of the replay format: the rules' version in the header, and the checks of the
// game's state among the inputs, read back as written, left out of the formats before them,
// and refused with a reason when damaged.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "replay/replay_file.h"

namespace qbx::replay {
namespace {

using K = InputEvent::Kind;
using namespace std::string_literals;

Header Version3() {
    Header h;
    h.version = 3;
    h.startedMs = 1'700'000'000'123;
    h.score = 1540;
    h.level = 9;
    h.programVersion = "1.2.0";
    h.rulesVersion = 0xfedcba98;
    h.player = "ALICE";
    return h;
}

InputEvent Check(int64_t atMs, uint32_t hash, std::vector<int32_t> values) {
    InputEvent e{.kind = K::Check, .atMs = atMs, .seed = hash};
    e.values = std::move(values);
    return e;
}

TEST(ReplayVersion3, TheRulesVersionAndTheChecksReadBackAsWritten) {
    constexpr int32_t lo = std::numeric_limits<int32_t>::min();
    constexpr int32_t hi = std::numeric_limits<int32_t>::max();
    // Values that stand still, jump from one end of their range to the other, and checks of
    // other lengths (a game of two has more).
    const std::vector<InputEvent> events = {
        {.kind = K::Click, .form = "frmMenu", .control = "cmdPlay"},
        Check(1000, 0, {5, 1, 0, -3}),
        {.kind = K::Tick, .atMs = 1000, .form = "frmGame", .control = "tmrBubbles"},
        Check(2000, 0xffffffff, {5, 1, 0, -3}),
        Check(3000, 0x12345678, {lo, hi, lo, hi, 7}),
        Check(4000, 1, {hi, lo}),
        Check(5000, 2, {}),
        Check(6000, 3, {9}),
        {.kind = K::Seed, .atMs = 6000, .seed = 42},
    };
    Replay r;
    std::string error;
    ASSERT_TRUE(ReadReplay(EncodeReplay(Version3(), events, 3), r, error)) << error;
    Header want = Version3();
    want.events = static_cast<uint32_t>(events.size());
    EXPECT_EQ(r.header, want);
    EXPECT_EQ(r.events, events);
    EXPECT_EQ(EncodeHeader(r.header).size(), kHeaderSize2);

    // The formats before checks have no code for them: the checks are left out and not counted.
    Header two = Version3();
    two.version = 2;
    ASSERT_TRUE(ReadReplay(EncodeReplay(two, events), r, error)) << error;
    EXPECT_EQ(r.header.rulesVersion, 0u);
    EXPECT_EQ(r.header.events, 3u);
    ASSERT_EQ(r.events.size(), 3u);
    EXPECT_EQ(r.events[1].kind, K::Tick);

    // A check that stands still costs a few bytes before compression, not one per value.
    std::vector<InputEvent> still, none;
    for (int s = 1; s <= 600; ++s) {
        still.push_back(Check(s * 1000, 0x9e3779b9u * static_cast<uint32_t>(s),
                              std::vector<int32_t>(20, 1234)));
        still.push_back({.kind = K::Tick, .atMs = s * 1000, .form = "f", .control = "t"});
        none.push_back(still.back());
    }
    EXPECT_LT(EncodeReplay(Version3(), still).size() - EncodeReplay(Version3(), none).size(),
              600u * 12);
}

// The first chunk of a file with the given header, holding raw bytes no writer makes.
std::string WithRawChunk(Header h, const std::string& raw, uint32_t events) {
    h.events = events;
    std::string out = EncodeHeader(h);
    z_stream z{};
    deflateInit(&z, 9);
    std::string packed(raw.size() + 256, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(raw.data()));
    z.avail_in = static_cast<uInt>(raw.size());
    z.next_out = reinterpret_cast<Bytef*>(packed.data());
    z.avail_out = static_cast<uInt>(packed.size());
    deflate(&z, Z_SYNC_FLUSH);
    packed.resize(packed.size() - z.avail_out);
    deflateEnd(&z);
    auto le = [&out](uint32_t v) {
        for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xff));
    };
    le(static_cast<uint32_t>(packed.size()));
    le(static_cast<uint32_t>(raw.size()));
    le(static_cast<uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(packed.data()), static_cast<uInt>(packed.size()))));
    return out + packed;
}

TEST(ReplayVersion3, DamagedChecksAndNewerFormatsAreRefusedWithAReason) {
    const std::string check = "\x11\x00"s;  // a check's code and its time
    const std::string hash = "\x01\x02\x03\x04";
    struct Case {
        std::string raw;
        const char* why;
    };
    const Case cases[] = {
        {check + "\x01\x02", "bad event"},                             // the hash cut short
        {check + hash + "\x41" + std::string(65, '\0'), "bad event"},  // 65 values
        {check + hash + "\xff\xff\xff\xff\xff\xff\xff\xff\xff\x7f", "bad event"},  // a huge count
        {check + hash + "\x02\x04", "bad event"},  // a value missing
        {check + hash + "\x01\xff", "bad event"},  // a value cut inside
        {check + hash + "\x01\xff\xff\xff\xff\xff\xff\xff\xff\xff\x7f", "bad event"},  // too long
        // Each value within range, their sum not.
        {check + hash + "\x01\xfe\xff\xff\xff\x0f" + check + hash + "\x01\x02", "bad event"},
        {check + hash + "\x01\xfe\xff\xff\xff\x1f", "bad event"},  // past the largest value
    };
    for (const Case& c : cases) {
        Replay r;
        std::string error;
        EXPECT_FALSE(ReadReplay(WithRawChunk(Version3(), c.raw, 10), r, error)) << c.raw.size();
        EXPECT_NE(error.find(c.why), std::string::npos) << error;
        EXPECT_EQ(error.find('\n'), std::string::npos);
    }
    Replay r;
    std::string error;
    // The largest value a check may hold reads; a check in a file of version 2 does not.
    ASSERT_TRUE(ReadReplay(WithRawChunk(Version3(), check + hash + "\x01\xfe\xff\xff\xff\x0f", 1),
                           r, error))
        << error;
    EXPECT_EQ(r.events.at(0).values, std::vector<int32_t>{std::numeric_limits<int32_t>::max()});
    EXPECT_EQ(r.events.at(0).seed, 0x04030201u);
    // As many values as a check may hold.
    ASSERT_TRUE(ReadReplay(
        WithRawChunk(Version3(), check + hash + "\x40" + std::string(64, '\x02'), 1), r, error))
        << error;
    EXPECT_EQ(r.events.at(0).values, std::vector<int32_t>(64, 1));
    Header two = Version3();
    two.version = 2;
    EXPECT_FALSE(ReadReplay(WithRawChunk(two, check + hash + "\x00"s, 1), r, error));

    // A format newer than this program's: refused from its header, whatever follows.
    std::string newer = EncodeReplay(Version3(), {});
    newer[SlotOf(HeaderField::Version).at] = kFormatVersion + 1;
    EXPECT_FALSE(ReadReplay(newer, r, error));
    EXPECT_NE(error.find("newer version of the replay format (4; this program reads up to 3)"),
              std::string::npos)
        << error;
}

}  // namespace
}  // namespace qbx::replay
