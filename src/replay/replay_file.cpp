// Reading replay files, within bounds.
#include "replay/replay_file.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>

#include "replay/replay_codec.h"

namespace qbx::replay {

using namespace detail;

namespace {

using K = InputEvent::Kind;

class Decoder {
public:
    Decoder(std::vector<InputEvent>& out, uint16_t version) : out_(out), version_(version) {}

    bool Chunk(std::string_view raw, size_t limit, std::string& error) {
        in_ = raw;
        at_ = 0;
        while (at_ < in_.size() && out_.size() < limit)
            if (!Next(error)) return false;
        return true;
    }

private:
    bool Var(uint64_t& v) {
        v = 0;
        for (int shift = 0; shift < 64; shift += 7) {
            if (at_ >= in_.size()) return false;
            const uint8_t b = static_cast<uint8_t>(in_[at_++]);
            v |= static_cast<uint64_t>(b & 0x7f) << shift;
            if (!(b & 0x80)) return true;
        }
        return false;
    }
    bool Byte(uint8_t& b) {
        if (at_ >= in_.size()) return false;
        b = static_cast<uint8_t>(in_[at_++]);
        return true;
    }
    bool Time(InputEvent& e) {
        uint64_t d = 0;
        if (!Var(d) || d > kMaxDeltaMs) return false;
        nowMs_ += static_cast<int64_t>(d);
        e.atMs = nowMs_;
        return true;
    }
    // A form name, or form.control split at its first dot.
    bool Name(InputEvent& e, bool withControl) {
        uint64_t id = 0;
        if (!Var(id) || id >= names_.size()) return false;
        const Split& n = split_[id];
        if (withControl != n.dotted) return false;
        e.form = n.form;
        if (withControl) e.control = n.control;
        return true;
    }

    // The hash, then the values, each the difference from the same value of the check before.
    bool Check(InputEvent& e) {
        if (at_ + 4 > in_.size()) return false;
        e.seed = GetLE(in_, at_, 4);
        at_ += 4;
        uint64_t n = 0;
        if (!Var(n) || n > kMaxCheckValues) return false;
        e.values.resize(n);
        for (size_t i = 0; i < n; ++i) {
            uint64_t d = 0;
            if (!Var(d)) return false;
            const int64_t v = (i < lastCheck_.size() ? lastCheck_[i] : 0) + UnZigZag(d);
            if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max())
                return false;
            e.values[i] = static_cast<int32_t>(v);
        }
        lastCheck_ = e.values;
        return true;
    }

    bool Next(std::string& error) {
        const size_t start = at_;
        uint8_t code = 0;
        Byte(code);
        InputEvent e;
        bool ok = true;
        if (code & kShortTick) {
            e.kind = K::Tick;
            const uint64_t id = code & 0x7f;
            ok = id < names_.size() && Time(e);
            if (ok) {
                const Split& n = split_[id];
                ok = n.dotted;
                if (ok) {
                    e.form = n.form;
                    e.control = n.control;
                }
            }
        } else if ((code & kKindMask) == kDefineName) {
            uint64_t len = 0;
            ok = Var(len) && len > 0 && len <= kMaxNameBytes && at_ + len <= in_.size() &&
                 names_.size() < kMaxNames;
            if (ok) {
                const std::string& n = names_.emplace_back(in_.substr(at_, len));
                const size_t dot = n.find('.');
                split_.push_back(dot == std::string::npos
                                     ? Split{n, {}, false}
                                     : Split{n.substr(0, dot), n.substr(dot + 1), true});
                at_ += len;
            }
            if (!ok) error = "a bad name at byte " + std::to_string(start) + " of a chunk";
            return ok;
        } else {
            const int kind = (code & kKindMask) - 1;
            if (kind < 0 || kind >= InputEvent::kKinds || (code & ~(kKindMask | kRepeatFlag))) {
                error = "an unknown event (code " + std::to_string(code) + ")";
                return false;
            }
            e.kind = static_cast<K>(kind);
            if ((code & kRepeatFlag) && e.kind != K::KeyDown) {
                error = "an unknown event (code " + std::to_string(code) + ")";
                return false;
            }
            e.repeat = (code & kRepeatFlag) != 0;
            ok = Time(e);
            uint64_t v = 0;
            uint8_t b = 0;
            switch (e.kind) {
                case K::Tick:
                case K::Click:
                case K::Menu:
                case K::DblClick:
                    ok = ok && Name(e, true);
                    break;
                case K::KeyDown:
                case K::KeyUp:
                    ok = ok && Name(e, false) && Var(v) && v <= 0x7fff && Byte(b) && b <= 7;
                    e.code = static_cast<int16_t>(v);
                    e.shift = static_cast<int16_t>(b);
                    break;
                case K::Close:
                case K::Deactivate:
                    ok = ok && Name(e, false);
                    break;
                case K::PadPress:
                case K::PadRelease:
                    ok = ok && Byte(b) && b < 12;
                    e.value = b;
                    break;
                case K::PadMove:
                    ok = ok && Byte(b) && b < 2 && Var(v) && v <= 0xffff;
                    e.axis = b;
                    e.value = static_cast<int>(UnZigZag(v));
                    break;
                case K::PadGone:
                case K::PumpEnd:
                    break;
                case K::Seed:
                    ok = ok && Var(e.seed);
                    break;
                case K::Sound:
                case K::Music:
                    ok = ok && Byte(b) && b <= 1;
                    e.value = b;
                    break;
                case K::Check:
                    ok = ok && version_ >= kChecksSince && Check(e);
                    break;
            }
            const bool padAction = e.kind == K::PadPress || e.kind == K::PadRelease ||
                                   e.kind == K::PadMove || e.kind == K::PadGone;
            if (ok && padAction && version_ >= 2) {
                ok = Byte(b) && b <= 1;
                e.pad = b;
            }
        }
        if (!ok) {
            error = "a bad event at byte " + std::to_string(start) + " of a chunk";
            return false;
        }
        out_.push_back(std::move(e));
        return true;
    }

    std::vector<InputEvent>& out_;
    std::vector<std::string> names_;
    std::vector<int32_t> lastCheck_;
    // Each name split at its first dot once, as every input naming it needs it.
    struct Split {
        std::string form, control;
        bool dotted = false;
    };
    std::vector<Split> split_;
    std::string_view in_;
    size_t at_ = 0;
    int64_t nowMs_ = 0;
    uint16_t version_;
};

// The chunks of a file are one zlib stream, flushed to a byte boundary at the end of each
// chunk: each chunk reads once those before it are read, and a chunk compresses against
// everything before it, not just its own second of play.
class Inflater {
public:
    Inflater() { ok_ = inflateInit(&z_) == Z_OK; }
    ~Inflater() { inflateEnd(&z_); }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;

    bool Chunk(std::string_view packed, size_t rawSize, std::string& raw) {
        if (!ok_) return false;
        // One byte to spare shows a chunk that unpacks to more than it says.
        raw.assign(rawSize + 1, '\0');
        z_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
        z_.avail_in = static_cast<uInt>(packed.size());
        z_.next_out = reinterpret_cast<Bytef*>(raw.data());
        z_.avail_out = static_cast<uInt>(raw.size());
        const int rc = inflate(&z_, Z_SYNC_FLUSH);
        const size_t produced = raw.size() - z_.avail_out;
        raw.resize(rawSize);
        ok_ = rc == Z_OK && z_.avail_in == 0 && produced == rawSize;
        return ok_;
    }

private:
    z_stream z_{};
    bool ok_ = false;
};

bool ReadWhole(const std::string& path, size_t limit, std::string& bytes, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open it";
        return false;
    }
    // As much as the file holds, and one byte more to see that it is larger than allowed: a
    // buffer the size of the limit would be cleared first, page by page, for a file a hundredth
    // of it.
    std::error_code sizeUnknown;
    const uintmax_t size = std::filesystem::file_size(path, sizeUnknown);
    bytes.resize(sizeUnknown || size > limit ? limit + 1 : static_cast<size_t>(size) + 1);
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<size_t>(in.gcount()));
    if (in.bad()) {
        error = "cannot read it";
        return false;
    }
    if (bytes.size() > limit) {
        error = "it is larger than " + std::to_string(limit >> 20) + " MB";
        return false;
    }
    return true;
}

}  // namespace

namespace {

using F = HeaderField;

void Put(std::string& out, F f, uint64_t v) {
    const HeaderSlot& s = SlotOf(f);
    for (size_t i = 0; i < s.size; ++i) out[s.at + i] = static_cast<char>((v >> (8 * i)) & 0xff);
}

void PutTextAt(std::string& out, F f, const std::string& text) {
    const HeaderSlot& s = SlotOf(f);
    std::string field;
    PutText(field, text, s.size);
    out.replace(s.at, s.size, field);
}

uint64_t Get(std::string_view in, F f) {
    return GetLE(in, SlotOf(f).at, SlotOf(f).size);
}

}  // namespace

std::string EncodeHeader(const Header& h) {
    const size_t size = HeaderSizeOf(h.version);
    std::string out(size, '\0');
    out.replace(SlotOf(F::Magic).at, sizeof kMagic, kMagic, sizeof kMagic);
    Put(out, F::Version, h.version);
    Put(out, F::HeaderSize, size);
    Put(out, F::Flags, h.complete ? 1 : 0);
    Put(out, F::Started, static_cast<uint64_t>(h.startedMs));
    Put(out, F::Length, h.lengthMs);
    Put(out, F::Events, h.events);
    Put(out, F::Score, static_cast<uint32_t>(h.score));
    Put(out, F::Level, static_cast<uint16_t>(h.level));
    PutTextAt(out, F::ProgramVersion, h.programVersion);
    PutTextAt(out, F::Player, h.player);
    if (h.version >= SlotOf(F::Players).since) {
        Put(out, F::Players, h.players);
        Put(out, F::Level2, static_cast<uint16_t>(h.level2));
        Put(out, F::Score2, static_cast<uint32_t>(h.score2));
        PutTextAt(out, F::Player2, h.player2);
    }
    if (h.version >= SlotOf(F::RulesVersion).since) Put(out, F::RulesVersion, h.rulesVersion);
    out.replace(size - 4, 4, [&] {
        std::string crc;
        PutLE(crc, Crc(std::string_view(out).substr(0, size - 4)), 4);
        return crc;
    }());
    return out;
}

bool ReadHeader(std::string_view bytes, Header& h, std::string& error) {
    if (bytes.size() < sizeof kMagic || std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0) {
        error = "it is not a replay";
        return false;
    }
    if (bytes.size() < SlotOf(F::HeaderSize).at) {
        error = "it is cut off inside its header";
        return false;
    }
    h.version = static_cast<uint16_t>(Get(bytes, F::Version));
    if (h.version > kFormatVersion) {
        error = "it is from a newer version of the replay format (" + std::to_string(h.version) +
                "; this program reads up to " + std::to_string(kFormatVersion) + ")";
        return false;
    }
    if (h.version == 0) {
        error = "its header is corrupted";
        return false;
    }
    const size_t size = HeaderSizeOf(h.version);
    if (bytes.size() < size) {
        error = "it is cut off inside its header";
        return false;
    }
    if (Get(bytes, F::HeaderSize) != size ||
        GetLE(bytes, size - 4, 4) != Crc(bytes.substr(0, size - 4))) {
        error = "its header is corrupted";
        return false;
    }
    auto text = [&](F f) { return GetText(bytes, SlotOf(f).at, SlotOf(f).size); };
    h.complete = (Get(bytes, F::Flags) & 1) != 0;
    h.startedMs = static_cast<int64_t>(Get(bytes, F::Started));
    h.lengthMs = Get(bytes, F::Length);
    h.events = static_cast<uint32_t>(Get(bytes, F::Events));
    h.score = static_cast<int32_t>(static_cast<uint32_t>(Get(bytes, F::Score)));
    h.level = static_cast<int16_t>(static_cast<uint16_t>(Get(bytes, F::Level)));
    h.programVersion = text(F::ProgramVersion);
    h.player = text(F::Player);
    h.players = 1;
    h.player2.clear();
    h.score2 = 0;
    h.level2 = 0;
    h.rulesVersion = 0;
    if (h.version >= SlotOf(F::RulesVersion).since)
        h.rulesVersion = static_cast<uint32_t>(Get(bytes, F::RulesVersion));
    if (h.version >= SlotOf(F::Players).since) {
        h.players = static_cast<uint8_t>(Get(bytes, F::Players));
        if (h.players < 1 || h.players > 2) {
            error = "its header is corrupted";
            return false;
        }
        h.level2 = static_cast<int16_t>(static_cast<uint16_t>(Get(bytes, F::Level2)));
        h.score2 = static_cast<int32_t>(static_cast<uint32_t>(Get(bytes, F::Score2)));
        h.player2 = text(F::Player2);
    }
    return true;
}

bool ReadReplay(std::string_view bytes, Replay& out, std::string& error) {
    out = Replay{};
    if (bytes.size() > kMaxFileBytes) {
        error = "it is larger than " + std::to_string(kMaxFileBytes >> 20) + " MB";
        return false;
    }
    if (!ReadHeader(bytes, out.header, error)) return false;
    if (out.header.events > kMaxEvents) {
        error = "it claims more inputs than a replay may hold";
        return false;
    }
    // Room for the inputs the header claims, as far as the file's size makes them believable
    // (a few inputs a byte), so the list is not copied as it grows.
    out.events.reserve(std::min<size_t>(out.header.events, 16 * bytes.size()));
    Decoder decoder(out.events, out.header.version);
    Inflater inflater;
    size_t at = HeaderSizeOf(out.header.version);
    std::string raw;
    while (at < bytes.size() && out.events.size() < out.header.events) {
        if (bytes.size() - at < kChunkHeadBytes) {
            out.cutOff = true;
            break;
        }
        const size_t packed = GetLE(bytes, at, 4), rawSize = GetLE(bytes, at + 4, 4);
        const uint32_t crc = static_cast<uint32_t>(GetLE(bytes, at + 8, 4));
        if (packed == 0 || packed > kMaxChunkBytes || rawSize == 0 || rawSize > kMaxChunkBytes) {
            error = "its chunk at byte " + std::to_string(at) + " is corrupted";
            return false;
        }
        if (bytes.size() - at - kChunkHeadBytes < packed) {
            out.cutOff = true;
            break;
        }
        const std::string_view body = bytes.substr(at + kChunkHeadBytes, packed);
        if (Crc(body) != crc || !inflater.Chunk(body, rawSize, raw)) {
            error = "its chunk at byte " + std::to_string(at) + " is corrupted";
            return false;
        }
        std::string why;
        if (!decoder.Chunk(raw, out.header.events, why)) {
            error = "its chunk at byte " + std::to_string(at) + " holds " + why;
            return false;
        }
        at += kChunkHeadBytes + packed;
    }
    return true;
}

bool ReadReplayFile(const std::string& path, Replay& out, std::string& error) {
    std::string bytes;
    return ReadWhole(path, kMaxFileBytes, bytes, error) && ReadReplay(bytes, out, error);
}

bool ReadHeaderFile(const std::string& path, Header& out, std::string& error) {
    std::string bytes;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open it";
        return false;
    }
    bytes.resize(kHeaderSize2);
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<size_t>(in.gcount()));
    return ReadHeader(bytes, out, error);
}

}  // namespace qbx::replay
