// A game screen on the headless backend, with helpers to arrange the field.
#pragma once

#include <gtest/gtest.h>

#include "forms/game/frmGame.h"
#include "forms/pictures.h"
#include "support/test_support.h"

namespace qbx::test {

struct GameTest : ::testing::Test {
    Headless h;
    FrmGame& g = h.app.game;

    FrmGame::Controls& c() { return g.C(); }

    // A new game at the given level, as the menu starts one, left in its countdown.
    void StartLevel(int level) {
        g.Lives = 5;
        g.Level = static_cast<int16_t>(level);
        g.Score = 0;
        g.ExtraLives = 0;
        g.C().tmrBubbleSize->SetEnabled(true);
        g.Show();
    }

    // Level 1 set up, every bubble hidden, the character far to the left: a quiet field on
    // which a test places what it needs. Handlers are then called directly.
    void QuietField() {
        StartLevel(1);
        for (int i = 0; i <= c().BubblePic.UBound(); ++i) c().BubblePic(i).Visible = false;
        c().imgCharacter->Left = 0;
        c().lblCount->Visible = false;
        for (Timer* t : g.Timers()) t->SetEnabled(false);
    }

    // A level in play whose bubbles are all gone: the next bubble-size tick completes it.
    void EmptyFieldInPlay() {
        StartLevel(1);
        c().imgCharacter->Left = -5000;
        h.svc.Advance(2400);
        for (int i = 0; i <= c().BubblePic.UBound(); ++i) c().BubblePic(i).Visible = false;
    }

    // Bubble i shown at (left, top) with the given record.
    Image& Bubble(int i, float left, float top, int16_t size, const char* vertical,
                  const char* horizontal = "LEFT", int16_t peak = 2000,
                  const std::string& colour = "RED") {
        g.Bubbles[i] = BubbleState{horizontal, size, vertical, peak, colour};
        Image& b = c().BubblePic(i);
        b.SetPicture(Pic((colour == "RED" ? "ballreds" : "ballgreens") + std::to_string(size)));
        b.Left = left;
        b.Top = top;
        b.Visible = true;
        return b;
    }

    // Blocker i shown as a rectangle of the given place and size.
    Shape& Blocker(int i, float left, float top, float width, float height) {
        Shape& k = c().shpBlocker(i);
        k.Left = left;
        k.Top = top;
        k.Width = width;
        k.Height = height;
        k.Visible = true;
        return k;
    }

    // The arrow in flight with its upper end at top (it reaches down to the floor).
    Image& Arrow(float left, float top, bool visible = true) {
        Image& a = *c().arrow;
        a.Left = left;
        a.Top = top;
        a.Visible = visible;
        return a;
    }

    void Activate(const char* picture) { c().apwrup->SetPicture(LookupPicture(picture)); }
    PictureRef Pic(const std::string& name) { return LookupPicture(name); }
    void Ticks(int n) {
        for (int i = 0; i < n; ++i) g.tmrBubbles_Timer();
    }
};

}  // namespace qbx::test
