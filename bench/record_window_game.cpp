// The windowed game as the program runs it, recording its replay, played by a stand-in player
// that presses the keys a player would: it walks under one bubble after another, fires, and walks
// out of the way of the bubbles coming down. Every input reaches the game as a window's would, so
// the replay kept is like a player's.
//
//   quibblix_record_window --records DIR [--seconds S]
//
// The game begins with the menu's Play; the replay goes to DIR/replays. After S seconds of play
// (default 600) the program ends as its Exit command does; a game lost before then ends it too,
// once the "Game Over" box has been closed and the high scores shown.
#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "app/stand_in.h"
#include "app/windowed_game.h"
#include "backends/qt/qt_services.h"
#include "engine/input.h"
#include "forms/quibblix.h"

namespace {

using qbx::FrmGame;
using qbx::InputEvent;

// Keys as a held key comes from the window: a press, the keyboard's repeats after a delay, and
// the release.
class Keyboard {
public:
    Keyboard(qbx::QtServices& svc, FrmGame& g) : svc_(svc), g_(g) {}

    void Hold(int16_t code, bool down, int64_t nowMs) {
        if (down == (held_ == code)) return;
        if (down && held_) Send(held_, false, false);
        if (down) {
            held_ = code;
            nextRepeat_ = nowMs + kRepeatDelayMs;
        } else {
            held_ = 0;
        }
        Send(code, down, false);
    }
    void Release() {
        if (held_) Send(std::exchange(held_, 0), false, false);
    }
    void Tap(int16_t code) {
        Send(code, true, false);
        Send(code, false, false);
    }
    void Repeat(int64_t nowMs) {
        if (!held_ || nowMs < nextRepeat_) return;
        nextRepeat_ = nowMs + kRepeatEveryMs;
        Send(held_, true, true);
    }
    int16_t Held() const { return held_; }

private:
    static constexpr int64_t kRepeatDelayMs = 660, kRepeatEveryMs = 40;
    void Send(int16_t code, bool down, bool repeat) {
        if (!g_.IsVisible()) return;
        InputEvent in;
        in.kind = down ? InputEvent::Kind::KeyDown : InputEvent::Kind::KeyUp;
        in.form = g_.Name();
        in.code = code;
        in.repeat = repeat;
        svc_.Input(in, [this, code, down, repeat] {
            if (!g_.IsVisible()) return;
            if (down)
                g_.KeyDown(code, 0, repeat);
            else
                g_.KeyUp(code, 0);
        });
    }
    qbx::QtServices& svc_;
    FrmGame& g_;
    int16_t held_ = 0;
    int64_t nextRepeat_ = 0;
};

constexpr int16_t kLeft = 37, kRight = 39, kFire = 32;
constexpr int kHorizon = 100;  // bubble ticks looked ahead

// A bubble's box over the next bubble ticks, moved as the bubbles' timer moves it (blockers and
// slowed bubbles left out: the margin covers them).
struct Path {
    std::vector<std::array<float, 2>> at;  // left, top per tick
    float width = 0, height = 0;
};

std::vector<Path> Predict(FrmGame& g) {
    std::vector<Path> paths;
    auto& c = g.C();
    const float floorLine = c.shpBottom->Top, rightWall = g.OuterWidth() - 90.0f;
    for (int i = 0; i <= c.BubblePic.UBound(); ++i) {
        const qbx::Image* b = c.BubblePic.Get(i);
        if (!b || !b->Visible) continue;
        const qbx::BubbleState& r = g.Bubbles[i];
        Path p;
        p.width = b->Width;
        p.height = b->Height;
        float left = b->Left, top = b->Top;
        std::string h = r.HorizontalDirection, v = r.VerticalDirection;
        const double peak = r.PeakTop;
        const float slowLine = static_cast<float>(peak + peak / 10.0);
        for (int t = 0; t < kHorizon; ++t) {
            left += h == "LEFT" ? -20.0f : h == "RIGHT" ? 20.0f : 0.0f;
            if (rightWall <= left + p.width) h = "LEFT";
            if (left < 0) h = "RIGHT";
            if (v == "DOWNSLOW" || v == "UPSLOW") left += h == "LEFT" ? -5.0f : 5.0f;
            if (v == "DOWN") top += 30;
            if (v == "DOWNSLOW") top += 15;
            if (std::fabs(top + p.height - (floorLine + 60)) < 50) v = "UP";
            if (v == "UP") top -= 30;
            if (v == "UPSLOW") top -= 15;
            if (v == "UP" && top < slowLine) v = "UPSLOW";
            if (v == "UPSLOW" && top < peak) v = "DOWNSLOW";
            if (v == "DOWNSLOW" && top > slowLine) v = "DOWN";
            p.at.push_back({left, top});
        }
        paths.push_back(std::move(p));
    }
    return paths;
}

// How many bubble ticks the character keeps clear of every bubble, with a margin, walking `dir`
// (-1, 0, 1) for `steps` ticks and then standing; kHorizon when it stays clear throughout.
int ClearFor(const std::vector<Path>& paths, const qbx::Image& ch, float maxLeft, int dir,
             int steps, float& end) {
    constexpr float kMargin = 150;
    float x = ch.Left;
    for (int t = 0; t < kHorizon; ++t) {
        // The walking timer steps 30 twips every 16 ms: about 19 a bubble tick.
        if (t < steps) x = std::clamp(x + dir * 18.75f, 0.0f, maxLeft);
        for (const Path& p : paths) {
            const auto [left, top] = p.at[t];
            if (ch.Top + ch.Height > top + 60 - kMargin && x + ch.Width > left + 60 - kMargin &&
                ch.Top + 60 < top + p.height + kMargin && x + 60 < left + p.width + kMargin)
                return t;
        }
    }
    end = x;
    return kHorizon;
}

}  // namespace

int main(int argc, char** argv) {
    std::string records;
    double seconds = 600;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--records" && i + 1 < argc) {
            records = argv[++i];
        } else if (a == "--seconds" && i + 1 < argc) {
            seconds = std::strtod(argv[++i], nullptr);
        } else {
            std::cerr << "usage: quibblix_record_window --records DIR [--seconds S]\n";
            return 2;
        }
    }
    if (records.empty() || !(seconds > 0)) {
        std::cerr << "usage: quibblix_record_window --records DIR [--seconds S]\n";
        return 2;
    }
    qbx::WindowOptions o;
    o.recordsDir = records;
    o.mute = true;
    o.noMusic = true;

    QTimer player, guide;
    std::optional<Keyboard> keys;
    int nextTarget = 0;
    int64_t playedFrom = -1, boxSeen = -1, scoresSeen = -1;
    return qbx::RunWindowed(o, argc, argv, [&](qbx::Quibblix& app, qbx::QtServices& svc) {
        FrmGame& g = app.game;
        keys.emplace(svc, g);
        const auto now = [&svc] { return svc.TheClock().NowMs(); };
        // The menu's Play, clicked once the menu is on screen.
        QTimer::singleShot(1500, [&app, &svc] {
            InputEvent in{
                .kind = InputEvent::Kind::Click, .form = app.menu.Name(), .control = "cmdPlay"};
            svc.Input(in, [&app] { app.menu.ClickButton(*app.menu.C().cmdPlay); });
        });
        player.setTimerType(Qt::PreciseTimer);
        QObject::connect(&player, &QTimer::timeout, [&, now] {
            if (!g.IsVisible() || QApplication::activeModalWidget()) return;
            if (playedFrom < 0) playedFrom = now();
            const qbx::Player& p = g.players[0];
            if (!p.imgCharacter) return;
            const qbx::Image& ch = *p.imgCharacter;
            const float x = ch.Left;
            const float maxLeft = g.OuterWidth() - 90.0f - ch.Width - 30;
            const auto paths = Predict(g);
            // The bubble aimed at is kept until the arrow is fired.
            int after = nextTarget;
            const std::optional<int> aim = qbx::AimUnderABubble(g, after, 60, true);
            // Without a bubble to aim at, under the nearest one as it will be soon.
            float goal = x;
            if (aim) {
                goal = static_cast<float>(*aim);
            } else {
                float nearest = 1e9f;
                for (const Path& q : paths) {
                    const float at = q.at[30][0] + q.width / 2 - ch.Width / 2;
                    if (std::fabs(at - x) < nearest) {
                        nearest = std::fabs(at - x);
                        goal = std::clamp(at, 0.0f, maxLeft);
                    }
                }
            }
            const bool arrowUp = p.arrow && p.arrow->Visible;
            // Of the ways that keep clear, the one that ends nearest the goal (standing still
            // first when it does as well).
            // The way that keeps clear longest; of those clear throughout, the one that ends
            // nearest the goal, standing still first when it does as well.
            int bestDir = 0, bestClear = -1;
            float bestScore = 1e9f;
            for (int dir : {0, -1, 1})
                for (int steps = dir == 0 ? kHorizon : 5; steps <= kHorizon; steps += 5) {
                    float end = x;
                    const int clear = ClearFor(paths, ch, maxLeft, dir, steps, end);
                    const float score = std::fabs(end - goal) + (dir == 0 ? 0.0f : 1.0f);
                    if (clear > bestClear || (clear == bestClear && score < bestScore)) {
                        bestClear = clear;
                        bestScore = score;
                        bestDir = dir;
                    }
                }
            if (bestDir == 0 && !arrowUp && std::fabs(x - goal) <= 60) {
                keys->Release();
                keys->Tap(kFire);
                nextTarget = after;
            } else if (bestDir != 0) {
                keys->Hold(bestDir < 0 ? kLeft : kRight, true, now());
            } else {
                keys->Release();
            }
            keys->Repeat(now());
        });
        player.start(10);
        // The end: the time is up, or the lost game's box closed and its scores seen.
        QObject::connect(&guide, &QTimer::timeout, [&, now, seconds] {
            const int64_t t = now();
            if (playedFrom >= 0 && t - playedFrom >= static_cast<int64_t>(seconds * 1000) &&
                !QApplication::activeModalWidget()) {
                svc.Dispatch([&app] { app.Exit(); });
                return;
            }
            if (QWidget* box = QApplication::activeModalWidget()) {
                if (boxSeen < 0) boxSeen = t;
                if (t - boxSeen >= 2000) {
                    box->close();
                    boxSeen = -1;
                }
                return;
            }
            if (playedFrom >= 0 && !g.IsLoaded()) {
                if (scoresSeen < 0) scoresSeen = t;
                if (t - scoresSeen >= 2000) svc.Dispatch([&app] { app.Exit(); });
            }
        });
        guide.start(100);
    });
}
