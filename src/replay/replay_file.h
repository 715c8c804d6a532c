// The replay file: a fixed header, rewritten as the game goes, and the game's inputs in
// separately compressed chunks, so a file cut off anywhere reads up to its last whole chunk.
// The layout is described in the README ("Replays").
#pragma once

#include <cstdint>
#include <cstdio>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/input.h"

namespace qbx::replay {

// Version 1 holds a game of one player; version 2 a game of two: a longer header with player 2,
// and the pad of every pad action. Version 3, which every game is now written in, adds the
// rules' version to the header and a check of the game's state once a second among the inputs.
inline constexpr uint16_t kFormatVersion = 3;
inline constexpr uint16_t kChecksSince = 3;
inline constexpr size_t kHeaderSize = 128;
inline constexpr size_t kHeaderSize2 = 256;
inline constexpr size_t HeaderSizeOf(uint16_t version) {
    return version >= 2 ? kHeaderSize2 : kHeaderSize;
}

// The header's layout, the one place it is written down: each field's offset and size in
// bytes, and the first version that has it. Numbers are little-endian, texts UTF-8 padded
// with zeros; the header's last 4 bytes are the CRC-32 of all before them.
enum class HeaderField : uint8_t {
    Magic,
    Version,
    HeaderSize,
    Flags,  // bit 0: the game ended while it was recorded
    Started,
    Length,
    Events,
    Score,
    Level,
    ProgramVersion,
    Player,
    Players,
    Level2,
    Score2,
    Player2,
    RulesVersion,
};
struct HeaderSlot {
    HeaderField field;
    uint16_t at;
    uint16_t size;
    uint16_t since;
};
inline constexpr HeaderSlot kHeaderLayout[] = {
    {HeaderField::Magic, 0, 8, 1},       {HeaderField::Version, 8, 2, 1},
    {HeaderField::HeaderSize, 10, 2, 1}, {HeaderField::Flags, 12, 1, 1},
    {HeaderField::Started, 16, 8, 1},    {HeaderField::Length, 24, 8, 1},
    {HeaderField::Events, 32, 4, 1},     {HeaderField::Score, 36, 4, 1},
    {HeaderField::Level, 40, 2, 1},      {HeaderField::ProgramVersion, 44, 16, 1},
    {HeaderField::Player, 60, 64, 1},    {HeaderField::Players, 124, 1, 2},
    {HeaderField::Level2, 126, 2, 2},    {HeaderField::Score2, 128, 4, 2},
    {HeaderField::Player2, 132, 64, 2},  {HeaderField::RulesVersion, 196, 4, 3},
};
constexpr const HeaderSlot& SlotOf(HeaderField f) {
    return kHeaderLayout[static_cast<size_t>(f)];
}
// Each field where its name says, in the order of the bytes, none overlapping another or the
// check sum of the first version that has it.
constexpr bool LayoutIsSound() {
    size_t end = 0;
    for (size_t i = 0; i < std::size(kHeaderLayout); ++i) {
        const HeaderSlot& s = kHeaderLayout[i];
        if (static_cast<size_t>(s.field) != i || s.at < end || s.size == 0 ||
            s.at + s.size > HeaderSizeOf(s.since) - 4)
            return false;
        end = s.at + s.size;
    }
    return true;
}
static_assert(LayoutIsSound());
// What a reader takes on: a 10-minute game is about 50 KB, an hour's play well under 1 MB.
inline constexpr size_t kMaxFileBytes = 16u << 20;
inline constexpr size_t kMaxChunkBytes = 1u << 20;
inline constexpr size_t kMaxEvents = 8u << 20;
inline constexpr size_t kMaxNames = 4096;
inline constexpr size_t kMaxNameBytes = 64;
inline constexpr size_t kPlayerBytes = 64;
inline constexpr size_t kVersionBytes = 16;
// A check holds at most this many values.
inline constexpr size_t kMaxCheckValues = 64;
static_assert(SlotOf(HeaderField::Player).size == kPlayerBytes &&
              SlotOf(HeaderField::Player2).size == kPlayerBytes &&
              SlotOf(HeaderField::ProgramVersion).size == kVersionBytes);

struct Header {
    uint16_t version = 1;
    bool complete = false;  // the game ended while it was recorded
    int64_t startedMs = 0;  // wall-clock time the game began, ms since 1970 (UTC)
    uint64_t lengthMs = 0;  // from the first input to the last one written
    uint32_t events = 0;    // inputs written so far
    int32_t score = 0;      // the game's score and level when the header was last written
    int16_t level = 0;
    std::string programVersion;
    std::string player;
    // Version 2: how many played, and player 2's name and result.
    uint8_t players = 1;
    std::string player2;
    int32_t score2 = 0;
    int16_t level2 = 0;
    // Version 3: the version of the rules the game was played by (0 before).
    uint32_t rulesVersion = 0;

    bool operator==(const Header&) const = default;
};

struct Replay {
    Header header;
    std::vector<InputEvent> events;  // the first header.events inputs, at most
    bool cutOff = false;             // the file ends inside a chunk
};

// Reads a replay from its bytes; false with a one-line reason when it cannot be read. A cut-off
// chunk ends the reading without an error.
bool ReadReplay(std::string_view bytes, Replay& out, std::string& error);
// The same from a file, refusing one larger than kMaxFileBytes before reading it.
bool ReadReplayFile(const std::string& path, Replay& out, std::string& error);
// The header alone (for lists of replays).
bool ReadHeader(std::string_view bytes, Header& out, std::string& error);
bool ReadHeaderFile(const std::string& path, Header& out, std::string& error);

std::string EncodeHeader(const Header& h);

// Turns inputs into the bytes of a chunk. Names of screens and controls are written once, the
// first time they are used, and numbered; times are differences from the previous input.
class EventEncoder {
public:
    explicit EventEncoder(uint16_t version = 1) : version_(version) {}
    // Whether the format has a code for the input (checks came with version 3); Add leaves out
    // one it has not.
    bool Takes(const InputEvent& e) const {
        return e.kind != InputEvent::Kind::Check || version_ >= kChecksSince;
    }
    void Add(const InputEvent& e, std::string& out);

private:
    uint32_t NameId(const std::string& name, std::string& out);
    std::map<std::string, uint32_t, std::less<>> names_;
    std::string key_;
    std::vector<int32_t> lastCheck_;  // the values of the previous check
    int64_t lastMs_ = 0;
    uint16_t version_ = 1;
};

class Deflater;

// Writes one replay file as the game goes: inputs are kept in memory until Flush compresses
// them into a chunk, appends it and rewrites the header.
class Writer {
public:
    Writer();
    ~Writer();
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;

    // A new file only, when told so: one that another program (on another machine sharing the
    // directory) has just made is left alone, and errno says EEXIST.
    bool Open(const std::string& path, const Header& h, bool onlyNew = false);
    bool IsOpen() const { return file_ != nullptr; }
    void Add(const InputEvent& e);
    bool Flush(const Header& h);
    // Flushes and closes; the file stays as it is.
    bool Close(const Header& h);
    uint32_t Events() const { return events_; }

private:
    std::FILE* file_ = nullptr;
    EventEncoder encoder_;
    std::unique_ptr<Deflater> deflater_;
    std::string pending_;
    uint32_t events_ = 0;
};

// A whole replay in memory, one chunk per eventsPerChunk inputs (tests and fuzzing seeds).
std::string EncodeReplay(const Header& h, const std::vector<InputEvent>& events,
                         size_t eventsPerChunk = 1000);

}  // namespace qbx::replay
