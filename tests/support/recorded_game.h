// A game recorded in a test as the program records one.
#pragma once

#include <memory>
#include <string>

#include "app/game_replays.h"
#include "support/test_support.h"

namespace qbx::test {

// Starts the program and plays script through the driver, recording it into file, or into dir
// where the program keeps its replays; the recorder, finished, tells what it wrote.
inline std::unique_ptr<replay::GameRecorder> RecordGame(Headless& h, const std::string& file,
                                                        const std::string& dir,
                                                        const std::string& script) {
    auto rec = MakeRecorder(h.app, h.svc, "1.0.0", file, dir);
    h.svc.SetInputLog(rec.get());
    h.app.Start();
    h.Ok(script);
    rec->Finish();
    h.svc.SetInputLog(nullptr);
    return rec;
}

}  // namespace qbx::test
