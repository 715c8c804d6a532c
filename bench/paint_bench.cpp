// One full repaint of the game screen in the middle of level 14, drawn by the window's own
// painting code into an image of the window's pixel format, at pixel ratios 1 and 2.
#include <benchmark/benchmark.h>

#include <QImage>
#include <QWidget>
#include <cmath>

#include "app/art_pictures.h"
#include "backends/qt/screen_view.h"
#include "play_field.h"

namespace qbx::bench {
namespace {

void BM_RepaintGameScreen(benchmark::State& state) {
    const qreal ratio = static_cast<qreal>(state.range(0));
    // 28 bubbles in the air, four power-ups falling, the recent list full.
    BusyField field(28, 5);
    if (!field.Reached()) {
        state.SkipWithError("level 14 did not reach a busy field");
        return;
    }
    field.StandCharacterInView();
    const ArtPictures artist;
    field.h.app.program.SetArtist(&artist);
    // A window of its own, never shown and without a host, as a screen shot draws it.
    ScreenView view(field.g, nullptr);
    view.ensurePolished();
    QWidget& client = *view.Client();
    QImage image(static_cast<int>(std::lround(client.width() * ratio)),
                 static_cast<int>(std::lround(client.height() * ratio)), QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    client.render(&image);  // the pictures are rendered once and kept, as in the window
    for (auto _ : state) {
        client.render(&image);
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["bubbles"] = field.VisibleBubbles();
    state.counters["powerups"] = field.VisiblePowerups();
    state.counters["recent"] = field.FilledHistory();
}
BENCHMARK(BM_RepaintGameScreen)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace qbx::bench
