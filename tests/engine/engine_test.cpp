// The window-system layer on the headless backend: pictures, control arrays, screens, timers,
// the virtual clock and key routing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <string_view>

#include "backends/headless/headless_services.h"
#include "engine/design_helpers.h"
#include "engine/gamepad.h"
#include "engine/input.h"
#include "engine/numbers.h"
#include "engine/program.h"
#include "engine/screen.h"
#include "engine/utf8.h"
#include "forms/pictures.h"

namespace qbx {
namespace {

using namespace design;

// A small screen with a button pair, an image array, a label and two timers.
class TestScreen : public Screen {
public:
    TestScreen(Program& p, bool keyPreview)
        : Screen(p, keyPreview ? "frmPreview" : "frmPlain",
                 ScreenDesign{" Test", 3000, 3000, {0, 0, 0}, keyPreview, false},
                 {Tmr("tmrA", 10), Tmr("tmrB", 10), Tmr("tmrSlow", 25),
                  Btn("cmdOne", 0, 0, 100, 100, "One", {}, {}, 1),
                  Btn("cmdTwo", 0, 0, 100, 100, "Two", {}, {}, 0),
                  Img("pic", 0, 10, 20, 150, 150, true, "ballreds1"),
                  Img("pic", 1, 30, 20, 150, 150, true, "ballreds1"),
                  Lbl("lblText", -1, 0, 0, 100, 100, true, "x", {}, {})}) {}

    void Form_Load() override { ++loads; }
    void Form_KeyDown(int16_t code, int16_t shift) override {
        keys.push_back("form:" + std::to_string(code) + "/" + std::to_string(shift));
    }
    int loads = 0;
    int keptVariable = 0;
    std::vector<std::string> keys;

protected:
    void BindControls() override {
        Ctl<Button>("cmdOne")->onClick = [this] { keys.push_back("click:one"); };
        Ctl<Button>("cmdTwo")->onClick = [this] { keys.push_back("click:two"); };
        Ctl<Button>("cmdTwo")->onKeyDown = [this](int16_t code, int16_t) {
            keys.push_back("two:" + std::to_string(code));
        };
    }
    void UnbindControls() override {}
};

struct Fixture : ::testing::Test {
    HeadlessServices svc{3};
    Program program{svc};
    TestScreen plain{program, false};
    TestScreen preview{program, true};
    Fixture() { svc.Attach(program); }
    Timer& T(Screen& s, const char* name) { return *static_cast<Timer*>(s.Find(name)); }
};

TEST_F(Fixture, PicturesAreSharedAndAssigningOneResizesKeepingTheCorner) {
    EXPECT_EQ(LookupPicture("ballreds4"), LookupPicture("ballreds4"));
    EXPECT_NE(LookupPicture("ballreds4"), LookupPicture("ballgreens4"));
    EXPECT_EQ(LookupPicture("nothing"), nullptr);
    plain.EnsureLoaded();
    auto& a = *static_cast<Image*>(plain.Find("pic(0)"));
    EXPECT_EQ(a.Picture, static_cast<Image*>(plain.Find("pic(1)"))->Picture);
    a.SetPicture(LookupPicture("regarrow"));
    EXPECT_EQ(a.Left, 10);
    EXPECT_EQ(a.Top, 20);
    EXPECT_EQ(a.Width, 120);
    EXPECT_EQ(a.Height, 5250);
}

TEST_F(Fixture, ControlArraysAndTheDrawingOrderOfLoadedElements) {
    plain.EnsureLoaded();
    ControlArray& pics = *plain.FindArray("pic");
    static_cast<Image*>(pics.Get(0))->SetPicture(LookupPicture("ballgreens2"));
    auto* copy = static_cast<Image*>(pics.Load(5));
    ASSERT_NE(copy, nullptr);
    EXPECT_FALSE(copy->Visible);
    EXPECT_EQ(copy->Picture, LookupPicture("ballgreens2"));
    EXPECT_EQ(copy->Left, 10);
    EXPECT_EQ(pics.UBound(), 5);
    EXPECT_EQ(pics.Count(), 3);
    EXPECT_EQ(pics.Get(3), nullptr);
    EXPECT_EQ(pics.Load(5), nullptr);  // already loaded
    EXPECT_EQ(pics.Load(-1), nullptr);
    auto& z = plain.ZOrder();
    auto at = [&](Control* c) { return std::find(z.begin(), z.end(), c) - z.begin(); };
    EXPECT_EQ(at(copy) + 1, at(plain.Find("pic(0)")));  // just in front of the one it copies
    pics.Unload(5);
    EXPECT_EQ(pics.UBound(), 1);
    EXPECT_EQ(std::find(z.begin(), z.end(), copy), z.end());
    pics.Unload(3);  // a hole: nothing happens
    Control* label = plain.Find("lblText");
    plain.BringToFront(*label);
    EXPECT_EQ(z.front(), label);
}

TEST_F(Fixture, ScreensLoadOnFirstTouchAndUnloadKeepsVariables) {
    plain.keptVariable = 42;
    plain.EnsureLoaded();
    plain.EnsureLoaded();
    EXPECT_EQ(plain.loads, 1);
    static_cast<Label*>(plain.Find("lblText"))->Caption = "changed";
    plain.Unload();
    EXPECT_FALSE(plain.IsLoaded());
    EXPECT_EQ(plain.Find("lblText"), nullptr);
    EXPECT_EQ(plain.keptVariable, 42);
    plain.Show();
    EXPECT_EQ(plain.loads, 2);
    EXPECT_EQ(static_cast<Label*>(plain.Find("lblText"))->Caption, "x");
}

TEST_F(Fixture, UnloadedControlsAreFreedWhenTheOutermostDeliveryIsOverHoweverItEnds) {
    plain.EnsureLoaded();
    {
        Program::Delivery outer(&program);
        {
            Program::Delivery inner(&program);
            plain.Unload();
        }
        // A handler further out may still hold them.
        EXPECT_GT(program.Buried(), 0u);
    }
    EXPECT_EQ(program.Buried(), 0u);

    // The program's end unwinds the deliveries and still frees what they buried; Run says so.
    plain.EnsureLoaded();
    const bool goesOn = program.Run([&] {
        Program::Delivery handler(&program);
        plain.Unload();
        svc.End();
    });
    EXPECT_FALSE(goesOn);
    EXPECT_EQ(program.Buried(), 0u);
    EXPECT_TRUE(program.Run([] {}));
}

TEST_F(Fixture, VirtualClockFiresInDueOrderWithTiesInDesignOrder) {
    plain.EnsureLoaded();
    std::vector<std::string> fired;
    for (const char* name : {"tmrA", "tmrB", "tmrSlow"})
        T(plain, name).onTimer = [&, name] { fired.push_back(name + std::to_string(svc.Clock())); };
    T(plain, "tmrB").SetEnabled(true);
    T(plain, "tmrA").SetEnabled(true);
    T(plain, "tmrSlow").SetEnabled(true);
    svc.Advance(25);
    EXPECT_EQ(fired,
              (std::vector<std::string>{"tmrA10", "tmrB10", "tmrA20", "tmrB20", "tmrSlow25"}));
    // Enabling an enabled timer keeps its phase; disabling and enabling restarts it.
    fired.clear();
    T(plain, "tmrA").SetEnabled(true);
    T(plain, "tmrB").SetEnabled(false);
    svc.Advance(3);
    T(plain, "tmrB").SetEnabled(true);
    svc.Advance(10);
    EXPECT_EQ(fired, (std::vector<std::string>{"tmrA30", "tmrB38"}));
}

TEST_F(Fixture, TimerIsNeverReenteredAndFiresOnceAfterASleep) {
    plain.EnsureLoaded();
    int a = 0, b = 0, depth = 0, maxDepth = 0;
    T(plain, "tmrB").onTimer = [&] { ++b; };
    T(plain, "tmrA").onTimer = [&] {
        ++a;
        maxDepth = std::max(maxDepth, ++depth);
        if (a == 1) {
            svc.Sleep(100);  // both timers fall due many times meanwhile
            svc.DoEvents();
        }
        --depth;
    };
    // A replay keeps the ticks really delivered: none of the running timer's own.
    struct Ticks : InputLog {
        void Noted(const InputEvent& e) override {
            if (e.kind == InputEvent::Kind::Tick) names.push_back(e.control);
        }
        void ScreenLoaded(const Screen&, bool) override {}
        std::vector<std::string> names;
    } log;
    svc.SetInputLog(&log);
    T(plain, "tmrA").SetEnabled(true);
    T(plain, "tmrB").SetEnabled(true);
    svc.Advance(10);
    svc.SetInputLog(nullptr);
    EXPECT_EQ(log.names, (std::vector<std::string>{"tmrA", "tmrB"}));
    EXPECT_EQ(maxDepth, 1);
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 1);  // the pump delivered tmrB once, not ten times
    EXPECT_EQ(svc.Clock(), 110);
    svc.Advance(10);  // back on the 10 ms grid
    EXPECT_EQ(a, 2);
    EXPECT_EQ(b, 2);
}

// With no button focused, the d-pad focuses the first one in the tab order, and South presses
// it; a press never lands on nothing.
TEST_F(Fixture, ThePadFindsAButtonWhenNoneHasTheFocus) {
    plain.Show();
    Gamepad pad(program);
    plain.SetFocus(nullptr);
    pad.Press(PadButton::DpDown);
    pad.Release(PadButton::DpDown);
    EXPECT_EQ(plain.FocusedButton(), plain.Find("cmdTwo"));
    plain.SetFocus(nullptr);
    pad.Press(PadButton::A);
    pad.Release(PadButton::A);
    EXPECT_EQ(plain.FocusedButton(), plain.Find("cmdTwo"));
    EXPECT_EQ(plain.keys, (std::vector<std::string>{"click:two"}));
}

TEST_F(Fixture, KeysRouteThroughPreviewAndFocusToTheActiveScreenOnly) {
    plain.Show();
    EXPECT_EQ(plain.FocusedButton(), plain.Find("cmdTwo"));  // lowest tab index
    plain.KeyDown('Q', 0);
    plain.KeyDown(vk::Enter, 0);
    plain.KeyDown(vk::Enter, 0, true);  // held: its repeats never click
    plain.KeyDown(vk::Space, 0);        // Space clicks once, when it comes up
    plain.KeyDown(vk::Space, 0, true);
    EXPECT_EQ(plain.keys, (std::vector<std::string>{"two:81", "two:13", "click:two", "two:13",
                                                    "two:32", "two:32"}));
    plain.KeyUp(vk::Space, 0);
    plain.KeyUp(vk::Space, 0);
    EXPECT_EQ(plain.keys.back(), "click:two");
    EXPECT_EQ(plain.keys.size(), 7u);
    plain.keys.clear();
    plain.KeyDown(vk::Space, 0);
    plain.KeyDown(vk::Tab, 0);
    plain.KeyUp(vk::Space, 0);  // the focus moved on while Space was down: no click
    EXPECT_EQ(plain.keys, (std::vector<std::string>{"two:32"}));
    plain.keys.clear();
    EXPECT_EQ(plain.FocusedButton(), plain.Find("cmdOne"));
    plain.KeyDown('Q', 0);  // cmdOne ignores keys: nothing reaches the screen
    EXPECT_TRUE(plain.keys.empty());
    plain.Find("cmdOne")->Visible = false;
    plain.Find("cmdTwo")->Visible = false;
    plain.KeyDown('Q', 2);  // no focus: the screen's own handler
    EXPECT_EQ(plain.keys, (std::vector<std::string>{"form:81/2"}));

    preview.Show();
    EXPECT_EQ(program.Active(), &preview);
    preview.KeyDown(vk::Enter, 0);
    EXPECT_EQ(preview.keys, (std::vector<std::string>{"form:13/0", "two:13", "click:two"}));
    preview.Hide();
    EXPECT_EQ(program.Active(), &plain);
    preview.KeyDown('Q', 0);  // a hidden screen takes no keys
    EXPECT_EQ(preview.keys.size(), 3u);
    plain.Unload();
    EXPECT_EQ(program.Active(), nullptr);
}

// A screen whose timer ticks are played from a recording, with buttons that load it again or
// leave it unloaded, and a timer in a control array.
class TickScreen : public Screen {
public:
    explicit TickScreen(Program& p)
        : Screen(p, "frmTicks", ScreenDesign{" Ticks", 3000, 3000, {0, 0, 0}, false, false},
                 {Tmr("tmrA", 10), Each(0), Each(1),
                  Btn("cmdReload", 0, 0, 100, 100, "Reload", {}, {}, 0),
                  Btn("cmdClose", 0, 0, 100, 100, "Close", {}, {}, 1)}) {}
    std::vector<std::string> fired;
    int loads = 0;

protected:
    static ControlDesign Each(int i) {
        ControlDesign d = Tmr("tmrEach", 10);
        d.index = i;
        return d;
    }
    void Form_Load() override {
        ++loads;
        for (Control* c : {Find("tmrA"), Find("tmrEach(0)"), Find("tmrEach(1)")})
            static_cast<Timer*>(c)->SetEnabled(true);
    }
    void BindControls() override {
        const std::string load = std::to_string(loads + 1);
        Ctl<Timer>("tmrA")->onTimer = [this, load] { fired.push_back("A" + load); };
        for (int i : {0, 1})
            static_cast<Timer*>(Find("tmrEach(" + std::to_string(i) + ")"))->onTimer =
                [this, load, i] { fired.push_back("Each" + std::to_string(i) + "-" + load); };
        Ctl<Button>("cmdReload")->onClick = [this] {
            Unload();
            Show();
        };
        Ctl<Button>("cmdClose")->onClick = [this] {
            Unload();
            static_cast<Screen&>(*other).Show();
        };
    }
    void UnbindControls() override {}

public:
    Screen* other = nullptr;
};

// Played ticks reach the timer of the screen as it is loaded now: the same timer tick after
// tick, the new one once the screen is loaded again, none while it is unloaded; the same for the
// elements of a control array of timers.
TEST_F(Fixture, PlayedTicksFollowTheScreenThroughUnloadsAndReloads) {
    TickScreen ticks(program);
    ticks.other = &plain;
    const auto tick = [](const char* control) {
        return InputEvent{.kind = InputEvent::Kind::Tick, .form = "frmTicks", .control = control};
    };
    const auto click = [](const char* control) {
        return InputEvent{.kind = InputEvent::Kind::Click, .form = "frmTicks", .control = control};
    };
    ticks.Show();
    // A timer of the same name on another screen, not loaded: not this screen's.
    const InputEvent plainTick{
        .kind = InputEvent::Kind::Tick, .form = "frmPlain", .control = "tmrA"};
    const std::vector<InputEvent> events = {
        tick("tmrA"),       tick("tmrEach(1)"), plainTick,          tick("tmrA"),
        click("cmdReload"), tick("tmrA"),       tick("tmrEach(0)"), tick("tmrEach(1)"),
        click("cmdClose"),  tick("tmrA"),       tick("tmrEach(1)"), click("cmdReload"),
    };
    Gamepad pad(program);
    const size_t astray = svc.PlayRecorded(events, events.size(), pad);
    EXPECT_EQ(ticks.fired,
              (std::vector<std::string>{"A1", "Each1-1", "A1", "A2", "Each0-2", "Each1-2"}));
    // The other screen's tick, and the two ticks and the click that came after the screen was
    // unloaded, had nowhere to go.
    EXPECT_EQ(astray, 4u);
    EXPECT_EQ(ticks.loads, 2);

    // Loaded again outside the recording, its new timers take the next recording's ticks.
    ticks.fired.clear();
    ticks.Show();
    const std::vector<InputEvent> more = {tick("tmrA"), tick("tmrEach(1)")};
    EXPECT_EQ(svc.PlayRecorded(more, more.size(), pad), 0u);
    EXPECT_EQ(ticks.fired, (std::vector<std::string>{"A3", "Each1-3"}));
}

TEST(RandomTest, UniformInUnitIntervalAndForceable) {
    Random r;
    r.Seed(99);
    for (int i = 0; i < 1000; ++i) {
        const float v = r.Rnd();
        ASSERT_TRUE(v >= 0.0f && v < 1.0f) << v;
    }
    r.Force(0.5f);
    EXPECT_EQ(r.Rnd(), 0.5f);
    EXPECT_NE(r.Rnd(), 0.5f);  // forced once only
}

TEST(Utf8, WellFormedSequencesOnly) {
    const char* good[] = {"",
                          "plain",
                          "\xC2\x80",
                          "\xDF\xBF",
                          "\xE0\xA0\x80",
                          "\xED\x9F\xBF",
                          "\xEE\x80\x80",
                          "\xEF\xBF\xBF",
                          "\xF0\x90\x80\x80",
                          "\xF4\x8F\xBF\xBF",
                          "caf\xC3\xA9"};
    for (const char* s : good) EXPECT_TRUE(ValidUtf8(s)) << s;
    const std::pair<const char*, const char*> bad[] = {
        {"\xC0\x80", "overlong two bytes"},
        {"\xC1\xBF", "overlong two bytes"},
        {"\xE0\x9F\xBF", "overlong three bytes"},
        {"\xF0\x8F\xBF\xBF", "overlong four bytes"},
        {"\xED\xA0\x80", "high surrogate"},
        {"\xED\xBF\xBF", "low surrogate"},
        {"\xF4\x90\x80\x80", "above U+10FFFF"},
        {"\xF5\x80\x80\x80", "lead byte past F4"},
        {"\x80", "lone continuation"},
        {"\xC3", "cut two-byte"},
        {"\xE2\x82", "cut three-byte"},
        {"\xF0\x9F\x98", "cut four-byte"},
        {"\xE2\x28\xA1", "bad continuation"},
        {"\xF0\x9F\x28\x80", "bad continuation"},
        {"\xFF", "never a lead"},
    };
    for (const auto& [s, why] : bad) EXPECT_FALSE(ValidUtf8(s)) << why;
    // Each sequence's length, and 0 where none starts; a cut one at the end is not read past.
    const std::string text = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\xE2\x82";
    EXPECT_EQ(Utf8SequenceLength(text, 0), 1u);
    EXPECT_EQ(Utf8SequenceLength(text, 1), 2u);
    EXPECT_EQ(Utf8SequenceLength(text, 3), 3u);
    EXPECT_EQ(Utf8SequenceLength(text, 6), 4u);
    EXPECT_EQ(Utf8SequenceLength(text, 10), 0u);
    EXPECT_EQ(Utf8SequenceLength(std::string_view(text).substr(0, 11), 10), 0u);
    EXPECT_EQ(Utf8SequenceLength(text, 2), 0u);
    EXPECT_EQ(Utf8SequenceLength(text, 12), 0u);
}

TEST(ToInt16, RoundsHalfToEvenAndSaturates) {
    const std::pair<double, int16_t> cases[] = {{0.5, 0},
                                                {1.5, 2},
                                                {2.5, 2},
                                                {-0.5, 0},
                                                {-1.5, -2},
                                                {-2.5, -2},
                                                {2.4999, 2},
                                                {2.5001, 3},
                                                {1571.4285, 1571},
                                                {32767.0, 32767},
                                                {32767.5, 32767},
                                                {32768.0, 32767},
                                                {1e300, 32767},
                                                {-32768.0, -32768},
                                                {-32768.5, -32768},
                                                {-32769.0, -32768},
                                                {-1e300, -32768},
                                                {HUGE_VAL, 32767},
                                                {-HUGE_VAL, -32768},
                                                {32766.5, 32766},
                                                {-32767.5, -32768}};
    for (const auto& [v, want] : cases) EXPECT_EQ(ToInt16(v), want) << v;
    EXPECT_EQ(ToInt16(std::nan("")), 0);
}

}  // namespace
}  // namespace qbx
