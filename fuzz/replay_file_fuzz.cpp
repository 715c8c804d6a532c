// Reads arbitrary bytes as a replay file and, when they read, plays its inputs against the whole
// program on the virtual clock with its records in a temporary directory: a replay from anyone
// must never crash the reader or the game, nor hang either.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "backends/headless/headless_services.h"
#include "engine/gamepad.h"
#include "forms/quibblix.h"
#include "fuzz_temp_dir.h"
#include "replay/replay_file.h"

namespace {

// Inputs played per fuzz input: about a minute of play, so that one input stays quick.
constexpr size_t kMaxPlayed = 20000;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    qbx::replay::Replay r;
    std::string error;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (!qbx::replay::ReadReplay(bytes, r, error)) {
        if (error.empty() || error.find('\n') != std::string::npos) std::abort();
        return 0;
    }
    if (r.events.size() > r.header.events) std::abort();

    static const qbx::fuzz::TempDir records;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(records.path, ec))
        std::filesystem::remove_all(entry.path(), ec);
    qbx::HeadlessServices svc(7);
    qbx::Quibblix app(svc);
    svc.Attach(app.program);
    svc.SetProgramDir(records.path);
    svc.SetEnv("NWUSERNAME", "FUZZ");
    qbx::Gamepad pad(app.program);
    app.program.Run([&] {
        app.Start();
        svc.PlayRecorded(r.events, std::min(r.events.size(), kMaxPlayed), pad);
    });
    return 0;
}
