// Writing replay files: the inputs encoded, compressed chunk by chunk, and the header kept
// up to date.
#include <zlib.h>

#include <algorithm>
#include <memory>

#include "replay/replay_codec.h"
#include "replay/replay_file.h"

namespace qbx::replay {

using namespace detail;
using K = InputEvent::Kind;

class Deflater {
public:
    Deflater() { deflateInit(&z_, 9); }
    ~Deflater() { deflateEnd(&z_); }
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;

    std::string Chunk(const std::string& raw) {
        std::string packed;
        char buf[16384];
        z_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(raw.data()));
        z_.avail_in = static_cast<uInt>(raw.size());
        do {
            z_.next_out = reinterpret_cast<Bytef*>(buf);
            z_.avail_out = sizeof buf;
            deflate(&z_, Z_SYNC_FLUSH);
            packed.append(buf, sizeof buf - z_.avail_out);
        } while (z_.avail_out == 0);
        std::string out;
        PutLE(out, packed.size(), 4);
        PutLE(out, raw.size(), 4);
        PutLE(out, Crc(packed), 4);
        return out + packed;
    }

private:
    z_stream z_{};
};

uint32_t EventEncoder::NameId(const std::string& name, std::string& out) {
    auto it = names_.find(name);
    if (it != names_.end()) return it->second;
    const auto id = static_cast<uint32_t>(names_.size());
    names_.emplace(name, id);
    out.push_back(static_cast<char>(kDefineName));
    PutVar(out, name.size());
    out += name;
    return id;
}

void EventEncoder::Add(const InputEvent& e, std::string& out) {
    if (!Takes(e)) return;
    const bool withControl =
        e.kind == K::Tick || e.kind == K::Click || e.kind == K::Menu || e.kind == K::DblClick;
    const bool withForm = withControl || e.kind == K::KeyDown || e.kind == K::KeyUp ||
                          e.kind == K::Close || e.kind == K::Deactivate;
    uint32_t id = 0;
    if (withForm) {
        // Built in a buffer kept between inputs: a tick a hundred times a second allocates
        // nothing here.
        key_.assign(e.form);
        if (withControl) key_.append(1, '.').append(e.control);
        id = NameId(key_, out);
    }
    const uint64_t delta = static_cast<uint64_t>(std::max<int64_t>(0, e.atMs - lastMs_));
    lastMs_ = std::max(lastMs_, e.atMs);
    if (e.kind == K::Tick && id < 0x80) {
        out.push_back(static_cast<char>(kShortTick | id));
        PutVar(out, delta);
        return;
    }
    uint8_t code = static_cast<uint8_t>(static_cast<int>(e.kind) + 1);
    if (e.kind == K::KeyDown && e.repeat) code |= kRepeatFlag;
    out.push_back(static_cast<char>(code));
    PutVar(out, delta);
    if (withForm) PutVar(out, id);
    switch (e.kind) {
        case K::KeyDown:
        case K::KeyUp:
            PutVar(out, static_cast<uint16_t>(e.code) & 0x7fff);
            out.push_back(static_cast<char>(e.shift & 7));
            break;
        case K::PadPress:
        case K::PadRelease:
        case K::Sound:
        case K::Music:
            out.push_back(static_cast<char>(e.value));
            break;
        case K::PadMove:
            out.push_back(static_cast<char>(e.axis));
            PutVar(out, ZigZag(e.value));
            break;
        case K::Seed:
            PutVar(out, e.seed);
            break;
        case K::Check:
            // Most values stand still from one second to the next: a run of zeros, which the
            // compression all but removes.
            PutLE(out, e.seed & 0xffffffff, 4);
            PutVar(out, std::min(e.values.size(), kMaxCheckValues));
            for (size_t i = 0; i < e.values.size() && i < kMaxCheckValues; ++i)
                PutVar(out,
                       ZigZag(int64_t{e.values[i]} - (i < lastCheck_.size() ? lastCheck_[i] : 0)));
            lastCheck_.assign(
                e.values.begin(),
                e.values.begin() + static_cast<long>(std::min(e.values.size(), kMaxCheckValues)));
            break;
        default:
            break;
    }
    if (version_ >= 2 && (e.kind == K::PadPress || e.kind == K::PadRelease ||
                          e.kind == K::PadMove || e.kind == K::PadGone))
        out.push_back(static_cast<char>(e.pad & 1));
}

Writer::Writer() = default;

Writer::~Writer() {
    if (file_) std::fclose(file_);
}

bool Writer::Open(const std::string& path, const Header& h, bool onlyNew) {
    if (file_) std::fclose(file_);
    file_ = std::fopen(path.c_str(), onlyNew ? "wbx" : "wb");
    if (!file_) return false;
    encoder_ = EventEncoder{h.version};
    deflater_ = std::make_unique<Deflater>();
    pending_.clear();
    events_ = 0;
    const std::string head = EncodeHeader(h);
    return std::fwrite(head.data(), 1, head.size(), file_) == head.size() &&
           std::fflush(file_) == 0;
}

void Writer::Add(const InputEvent& e) {
    if (!file_ || !encoder_.Takes(e)) return;
    encoder_.Add(e, pending_);
    ++events_;
}

bool Writer::Flush(const Header& given) {
    if (!file_) return false;
    bool ok = true;
    if (!pending_.empty()) {
        const std::string chunk = deflater_->Chunk(pending_);
        pending_.clear();
        ok = std::fseek(file_, 0, SEEK_END) == 0 &&
             std::fwrite(chunk.data(), 1, chunk.size(), file_) == chunk.size() &&
             std::fflush(file_) == 0;
    }
    // The header follows the chunk, so it never claims inputs the file does not hold.
    Header h = given;
    h.events = events_;
    const std::string head = EncodeHeader(h);
    ok = ok && std::fseek(file_, 0, SEEK_SET) == 0 &&
         std::fwrite(head.data(), 1, head.size(), file_) == head.size() && std::fflush(file_) == 0;
    return ok;
}

bool Writer::Close(const Header& h) {
    if (!file_) return false;
    const bool ok = Flush(h);
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    return ok && closed;
}

std::string EncodeReplay(const Header& given, const std::vector<InputEvent>& events,
                         size_t eventsPerChunk) {
    Header h = given;
    EventEncoder enc(h.version);
    h.events = static_cast<uint32_t>(std::count_if(
        events.begin(), events.end(), [&](const InputEvent& e) { return enc.Takes(e); }));
    std::string out = EncodeHeader(h);
    Deflater deflater;
    std::string raw;
    size_t n = 0;
    for (const InputEvent& e : events) {
        if (!enc.Takes(e)) continue;
        enc.Add(e, raw);
        if (++n % std::max<size_t>(1, eventsPerChunk) == 0) {
            out += deflater.Chunk(raw);
            raw.clear();
        }
    }
    if (!raw.empty()) out += deflater.Chunk(raw);
    return out;
}

}  // namespace qbx::replay
