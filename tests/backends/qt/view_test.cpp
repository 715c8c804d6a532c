// The Qt backend on the offscreen platform: keys, clicks, the menu bar, the close box, message
// boxes and shots.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QEventLoop>
#include <QImage>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/art_pictures.h"
#include "backends/qt/qt_services.h"
#include "backends/qt/screen_view.h"
#include "backends/qt/shot.h"
#include "engine/design_helpers.h"
#include "engine/program.h"
#include "engine/screen.h"
#include "forms/pictures.h"

// Qt's own entry to the shortcut machinery, as a key typed on a real keyboard goes through it
// before the key reaches the widget.
Q_GUI_EXPORT bool qt_sendShortcutOverrideEvent(QObject* o, ulong timestamp, int k,
                                               Qt::KeyboardModifiers mods, const QString& text,
                                               bool autorep, ushort count);

namespace qbx {
namespace {

using namespace design;

constexpr Rgb kBack{0, 128, 0}, kGrey{192, 192, 192};

// A screen that records what reached its handlers.
class ProbeScreen : public Screen {
public:
    ProbeScreen(Program& p, std::string name, bool keyPreview = false)
        : Screen(p, std::move(name),
                 ScreenDesign{" Probe", 3000, 1500, kBack, keyPreview, true, Pointer::Default},
                 {Mnu("mnuFile", "&File", ""), Mnu("mnuGo", "&Go", "mnuFile", 'G'),
                  Mnu("mnuLine", "-", "mnuFile"), Mnu("mnuPause", "&Pause Game", "mnuFile", 'P'),
                  Tmr("tmrA", 10), Tmr("tmrB", 10),
                  // Front to back; the green shape is in front of cmdOne in the list, but
                  // buttons are drawn above everything all the same.
                  Shp("shpOverButton", -1, 150, 150, 600, 450, true, ShapeKind::Rectangle, {}, 0,
                      true, {0, 255, 0}),
                  Btn("cmdOne", 150, 150, 1200, 450, "One", {"Verdana", 8.25f, false}, kGrey, 0),
                  Btn("cmdTwo", 1500, 150, 1200, 450, "Two", {"Verdana", 8.25f, false}, kGrey, 1),
                  Shp("shpFront", -1, 0, 900, 600, 300, true, ShapeKind::Rectangle, {}, 0, true,
                      {255, 0, 0}),
                  Shp("shpBack", -1, 0, 900, 1200, 300, true, ShapeKind::Rectangle, {}, 0, true,
                      {0, 0, 255}),
                  Img("imgArrow", -1, 2700, 150, 120, 5250, true, "regarrow")}) {}

    void Form_KeyDown(int16_t k, int16_t s) override { downs.emplace_back(k, s); }
    void Form_KeyUp(int16_t k, int16_t s) override { ups.emplace_back(k, s); }
    void Form_Unload(int16_t& cancel) override {
        ++unloadRequests;
        if (refuseUnload) cancel = 1;
    }

    template <class T>
    T& Get(std::string_view name) {
        EnsureLoaded();
        return *static_cast<T*>(Find(name));
    }

    std::vector<std::pair<int, int>> downs, ups;
    std::vector<std::string> clicks, menus;
    int unloadRequests = 0;
    bool refuseUnload = false;

protected:
    void BindControls() override {
        for (Button* b : Buttons()) b->onClick = [this, b] { clicks.push_back(b->DisplayName()); };
        for (MenuItem* m : MenuItems()) m->onClick = [this, m] { menus.push_back(m->name); };
    }
    void UnbindControls() override {}
};

void FlushDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

class QtBackend : public ::testing::Test {
protected:
    QtBackend() {
        svc.Attach(program);
        program.SetArtist(&artist);
    }
    ~QtBackend() override { FlushDeletes(); }

    ScreenView& ShownView(ProbeScreen& s) {
        s.Show();
        ScreenView* v = svc.ViewOf(s);
        EXPECT_NE(v, nullptr);
        return *v;
    }

    QtServices svc;
    Program program{svc, &GamePictures()};
    ArtPictures artist;
};

TEST(Cursor, TheScreensOwnPointerIsClear) {
    const QImage img = BlankCursor().pixmap().toImage();
    EXPECT_EQ(BlankCursor().hotSpot(), QPoint(0, 0));
    ASSERT_EQ(img.size(), QSize(32, 32));
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) ASSERT_EQ(qAlpha(img.pixel(x, y)), 0);
}

// ---- keys ----

// Every key the game reads arrives as the code its handlers test, from the main keys or the
// keypad, with the modifiers as the menu shortcuts test them; keys it has no use for arrive as
// nothing or as codes of their own.
TEST(KeyMapping, TheGamesKeysArriveAsItsCodesFromEitherKeyboardBlock) {
    const std::pair<int, int16_t> gameKeys[] = {
        {Qt::Key_A, 'A'},
        {Qt::Key_D, 'D'},
        {Qt::Key_W, 'W'},
        {Qt::Key_S, 'S'},
        {Qt::Key_N, 'N'},
        {Qt::Key_X, 'X'},
        {Qt::Key_Left, vk::Left},
        {Qt::Key_Right, vk::Right},
        {Qt::Key_Up, vk::Up},
        {Qt::Key_Down, vk::Down},
        {Qt::Key_Space, vk::Space},
        {Qt::Key_Escape, vk::Escape},
        {Qt::Key_Return, vk::Enter},
        {Qt::Key_Enter, vk::Enter},
        {Qt::Key_Tab, vk::Tab},
        {Qt::Key_Backtab, vk::Tab},
    };
    for (const auto& [key, code] : gameKeys) {
        EXPECT_EQ(VirtualKey(key, Qt::NoModifier), code) << std::hex << key;
        EXPECT_EQ(VirtualKey(key, Qt::KeypadModifier), code) << std::hex << key;
    }
    // A letter is the same key whatever the modifiers; the modifiers travel as their own bits.
    EXPECT_EQ(VirtualKey(Qt::Key_N, Qt::ControlModifier), 'N');
    EXPECT_EQ(ShiftBits(Qt::ControlModifier), vk::CtrlMask);
    EXPECT_EQ(ShiftBits(Qt::ShiftModifier | Qt::AltModifier), vk::ShiftMask | vk::AltMask);
    EXPECT_EQ(ShiftBits(Qt::KeypadModifier), 0);
    // A shifted digit is its digit's key, and the two minus keys stay apart.
    EXPECT_EQ(VirtualKey(Qt::Key_Exclam, Qt::ShiftModifier), VirtualKey(Qt::Key_1, {}));
    EXPECT_NE(VirtualKey(Qt::Key_Minus, Qt::KeypadModifier), VirtualKey(Qt::Key_Minus, {}));
    EXPECT_EQ(VirtualKey(Qt::Key_unknown, {}), 0);
}

void SendKey(QWidget* w, QEvent::Type type, int key, Qt::KeyboardModifiers mods,
             bool autoRepeat = false) {
    QKeyEvent e(type, key, mods, QString(), autoRepeat);
    QCoreApplication::sendEvent(w, &e);
}

TEST_F(QtBackend, KeysReachTheScreenHeldKeysRepeatOnlyTheirKeyDownAndTabMovesTheFocus) {
    ProbeScreen s(program, "frmProbe", /*keyPreview=*/true);
    QWidget* client = ShownView(s).Client();
    SendKey(client, QEvent::KeyPress, Qt::Key_A, Qt::ControlModifier);
    SendKey(client, QEvent::KeyPress, Qt::Key_Left, Qt::NoModifier);
    SendKey(client, QEvent::KeyPress, Qt::Key_Left, Qt::NoModifier, true);
    SendKey(client, QEvent::KeyRelease, Qt::Key_Left, Qt::NoModifier, true);
    SendKey(client, QEvent::KeyPress, Qt::Key_Left, Qt::NoModifier, true);
    SendKey(client, QEvent::KeyRelease, Qt::Key_Left, Qt::NoModifier);
    EXPECT_EQ(s.downs, (std::vector<std::pair<int, int>>{{65, 2}, {37, 0}, {37, 0}, {37, 0}}));
    EXPECT_EQ(s.ups, (std::vector<std::pair<int, int>>{{37, 0}}));

    // Tab and Shift+Tab move the screen's focus, not Qt's; Space held down clicks the focused
    // button once, when it comes up; Enter held down clicks once.
    ASSERT_EQ(s.FocusedButton(), &s.Get<Button>("cmdOne"));
    SendKey(client, QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
    EXPECT_EQ(s.FocusedButton(), &s.Get<Button>("cmdTwo"));
    SendKey(client, QEvent::KeyPress, Qt::Key_Backtab, Qt::ShiftModifier);
    SendKey(client, QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier);
    SendKey(client, QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, true);
    EXPECT_TRUE(s.clicks.empty());
    SendKey(client, QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, true);
    SendKey(client, QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, true);
    SendKey(client, QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier);
    EXPECT_EQ(s.clicks, std::vector<std::string>{"cmdOne"});
    for (bool repeat : {false, true, true})
        SendKey(client, QEvent::KeyPress, Qt::Key_Return, {}, repeat);
    SendKey(client, QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier);
    EXPECT_EQ(s.clicks, (std::vector<std::string>{"cmdOne", "cmdOne"}));
}

// A real keyboard's event, with its key code: the X server's repeats of a held key come as
// presses alone (detectable auto-repeat), not marked as repeats by the toolkit.
void SendRealKey(QWidget* w, QEvent::Type type, int key, quint32 keyCode) {
    QKeyEvent e(type, key, Qt::NoModifier, keyCode, 0, 0);
    QCoreApplication::sendEvent(w, &e);
}

TEST_F(QtBackend, APressOfAKeyAlreadyDownIsARepeatInWhicheverWindowItComes) {
    ProbeScreen s(program, "frmProbe", /*keyPreview=*/true);
    QWidget* client = ShownView(s).Client();
    constexpr quint32 kReturn = 36, kSpace = 65;
    for (int i = 0; i < 3; ++i) SendRealKey(client, QEvent::KeyPress, Qt::Key_Return, kReturn);
    EXPECT_EQ(s.clicks, std::vector<std::string>{"cmdOne"});
    for (int i = 0; i < 3; ++i) SendRealKey(client, QEvent::KeyPress, Qt::Key_Space, kSpace);
    SendRealKey(client, QEvent::KeyRelease, Qt::Key_Space, kSpace);
    EXPECT_EQ(s.clicks, (std::vector<std::string>{"cmdOne", "cmdOne"}));

    // Still held when another window has the keyboard, Enter repeats there without a click;
    // let go and pressed again, it clicks.
    ProbeScreen other(program, "frmOther", /*keyPreview=*/true);
    QWidget* otherClient = ShownView(other).Client();
    SendRealKey(otherClient, QEvent::KeyPress, Qt::Key_Return, kReturn);
    EXPECT_TRUE(other.clicks.empty());
    SendRealKey(otherClient, QEvent::KeyRelease, Qt::Key_Return, kReturn);
    SendRealKey(otherClient, QEvent::KeyPress, Qt::Key_Return, kReturn);
    EXPECT_EQ(other.clicks, std::vector<std::string>{"cmdOne"});
    SendRealKey(otherClient, QEvent::KeyRelease, Qt::Key_Return, kReturn);
}

// On Wayland each virtual keyboard brings its own layout, so one key code can stand for
// another key from one moment to the next; a key let go under another layout is still let go.
TEST_F(QtBackend, AKeyCodeThatNowMeansAnotherKeyIsANewPress) {
    ProbeScreen s(program, "frmProbe", /*keyPreview=*/true);
    QWidget* client = ShownView(s).Client();
    constexpr quint32 kCode = 9;
    SendRealKey(client, QEvent::KeyPress, Qt::Key_Tab, kCode);
    ASSERT_EQ(s.FocusedButton(), &s.Get<Button>("cmdTwo"));
    // The Tab's release was never seen; the same code now presses Enter, and held, repeats it.
    SendRealKey(client, QEvent::KeyPress, Qt::Key_Return, kCode);
    SendRealKey(client, QEvent::KeyPress, Qt::Key_Return, kCode);
    EXPECT_EQ(s.clicks, std::vector<std::string>{"cmdTwo"});
    // Then Space, let go as Space.
    SendRealKey(client, QEvent::KeyPress, Qt::Key_Space, kCode);
    SendRealKey(client, QEvent::KeyRelease, Qt::Key_Space, kCode);
    EXPECT_EQ(s.clicks, (std::vector<std::string>{"cmdTwo", "cmdTwo"}));
    // Enter let go as another key: the code is up, and its next press is a press.
    SendRealKey(client, QEvent::KeyPress, Qt::Key_Return, kCode);
    SendRealKey(client, QEvent::KeyRelease, Qt::Key_Escape, kCode);
    SendRealKey(client, QEvent::KeyPress, Qt::Key_Return, kCode);
    SendRealKey(client, QEvent::KeyRelease, Qt::Key_Return, kCode);
    EXPECT_EQ(s.clicks, std::vector<std::string>(4, "cmdTwo"));
}

TEST_F(QtBackend, AMenuShortcutRunsTheCommandAndIsNotAlsoAKey) {
    ProbeScreen s(program, "frmProbe", /*keyPreview=*/true);
    ScreenView& view = ShownView(s);
    QApplication::setActiveWindow(&view);
    QCoreApplication::processEvents();
    QWidget* client = view.Client();
    auto press = [&](int key, Qt::KeyboardModifiers mods) {
        // As a keyboard does: the shortcut map first, then the widget.
        if (qt_sendShortcutOverrideEvent(client, 0, key, mods, QString(), false, 1)) return;
        SendKey(client, QEvent::KeyPress, key, mods);
    };
    press(Qt::Key_G, Qt::ControlModifier);
    EXPECT_EQ(s.menus, std::vector<std::string>{"mnuGo"});
    EXPECT_TRUE(s.downs.empty());

    // A disabled command leaves its key to the screen.
    s.Get<MenuItem>("mnuGo").Enabled = false;
    svc.Dispatch([] {});
    press(Qt::Key_G, Qt::ControlModifier);
    EXPECT_EQ(s.menus.size(), 1u);
    EXPECT_EQ(s.downs, (std::vector<std::pair<int, int>>{{71, 2}}));
}

// ---- mouse ----

QPoint CentreOf(const Control& c, int scale) {
    return QPoint((TwipsToPx(c.Left) + TwipsToPx(c.Width) / 2) * scale,
                  (TwipsToPx(c.Top) + TwipsToPx(c.Height) / 2) * scale);
}

void SendMouse(QWidget* w, QEvent::Type type, QPoint at) {
    QMouseEvent e(type, QPointF(at), QPointF(w->mapToGlobal(at)), Qt::LeftButton,
                  type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                  Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

void Click(QWidget* w, QPoint down, QPoint up) {
    SendMouse(w, QEvent::MouseButtonPress, down);
    SendMouse(w, QEvent::MouseButtonRelease, up);
}

TEST_F(QtBackend, AClickOnAVisibleEnabledButtonReachesTheScreen) {
    ProbeScreen s(program, "frmProbe");
    QWidget* client = ShownView(s).Client();
    Button& one = s.Get<Button>("cmdOne");
    Button& two = s.Get<Button>("cmdTwo");
    Click(client, CentreOf(two, 1), CentreOf(two, 1));
    EXPECT_EQ(s.clicks, std::vector<std::string>{"cmdTwo"});
    EXPECT_EQ(s.FocusedButton(), &two);
    Click(client, CentreOf(one, 1), CentreOf(two, 1));  // released on another button
    two.Visible = false;
    Click(client, CentreOf(two, 1), CentreOf(two, 1));
    one.Enabled = false;
    Click(client, CentreOf(one, 1), CentreOf(one, 1));
    EXPECT_EQ(s.clicks.size(), 1u);

    // In a window scaled by two, clicks are found all the same.
    QtServices scaledSvc(2);
    Program scaled(scaledSvc);
    scaledSvc.Attach(scaled);
    ProbeScreen t(scaled, "frmScaled");
    t.Show();
    ScreenView* view = scaledSvc.ViewOf(t);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->ClientSize(), QSize(400, 200));
    Click(view->Client(), CentreOf(t.Get<Button>("cmdTwo"), 2),
          CentreOf(t.Get<Button>("cmdTwo"), 2));
    EXPECT_EQ(t.clicks, std::vector<std::string>{"cmdTwo"});
}

// A list's rows: labels that take the mouse, one of them partly under a button.
class RowsScreen : public Screen {
public:
    explicit RowsScreen(Program& p)
        : Screen(p, "frmRows",
                 ScreenDesign{" Rows", 3000, 1500, kBack, false, false, Pointer::Default},
                 {Btn("cmdOver", 150, 150, 600, 300, "Over", {"Verdana", 8.25f, false}, kGrey, 0),
                  Lbl("lblRow", 1, 150, 150, 2400, 300, true, "one", {"Arial", 9.75f, true}, {}),
                  Lbl("lblRow", 2, 150, 600, 2400, 300, true, "two", {"Arial", 9.75f, true}, {})}) {
    }
    Label& Row(int i) {
        EnsureLoaded();
        return *Arr<Label>("lblRow").Get(i);
    }
    std::vector<std::string> got;

protected:
    void BindControls() override {
        for (int i = 1; i <= 2; ++i) {
            Arr<Label>("lblRow")(i).onClick = [this, i] {
                got.push_back("click" + std::to_string(i));
            };
            Arr<Label>("lblRow")(i).onDblClick = [this, i] {
                got.push_back("double" + std::to_string(i));
            };
        }
        Ctl<Button>("cmdOver")->onClick = [this] { got.push_back("button"); };
    }
    void UnbindControls() override {}
};

TEST_F(QtBackend, ARowTakesClicksAndDoubleClicksAndAButtonOverItKeepsItsOwn) {
    RowsScreen s(program);
    s.Show();
    ASSERT_NE(svc.ViewOf(s), nullptr);
    QWidget* client = svc.ViewOf(s)->Client();
    const QPoint one = CentreOf(s.Row(1), 1), two = CentreOf(s.Row(2), 1);
    const QPoint button = CentreOf(*static_cast<Button*>(s.Find("cmdOver")), 1);
    Click(client, one, one);
    Click(client, one, two);  // released on another row
    // A double click comes as a press, a release, a double click and a release.
    auto doubleClick = [&](QPoint at) {
        Click(client, at, at);
        SendMouse(client, QEvent::MouseButtonDblClick, at);
        SendMouse(client, QEvent::MouseButtonRelease, at);
    };
    doubleClick(two);
    EXPECT_EQ(s.got, (std::vector<std::string>{"click1", "click2", "double2"}));
    // Over the row, the button takes its clicks, two for a double click.
    s.got.clear();
    doubleClick(button);
    s.Row(2).Visible = false;
    doubleClick(two);
    EXPECT_EQ(s.got, (std::vector<std::string>{"button", "button"}));
}

// ---- the window ----

TEST_F(QtBackend, TheWindowAndItsMenuBarFollowTheScreenAndItsCloseBoxAsksIt) {
    ProbeScreen s(program, "frmProbe");
    ScreenView& view = ShownView(s);
    EXPECT_EQ(view.windowTitle(), QString(" Probe"));  // the leading space stays
    EXPECT_EQ(view.Client()->size(), QSize(200, 100));
    QAction* go = view.ActionFor("mnuGo");
    QAction* pause = view.ActionFor("mnuPause");
    ASSERT_TRUE(go && pause);
    EXPECT_EQ(go->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_G));
    EXPECT_TRUE(view.ActionFor("mnuLine")->isSeparator());
    ASSERT_EQ(view.MenuBar()->actions().size(), 1);
    pause->trigger();
    EXPECT_EQ(s.menus, std::vector<std::string>{"mnuPause"});

    // The title and the items follow the screen after any handler.
    s.caption = " Probe - Paused";
    s.Get<MenuItem>("mnuPause").Caption = "Un&pause Game";
    s.Get<MenuItem>("mnuGo").Enabled = false;
    svc.Dispatch([] {});
    EXPECT_EQ(view.windowTitle(), QString(" Probe - Paused"));
    EXPECT_EQ(pause->text(), QString("Un&pause Game"));
    EXPECT_FALSE(go->isEnabled());
    // The close box asks the screen, which may refuse.
    int nothingLoaded = 0;
    svc.OnNothingLoaded([&] { ++nothingLoaded; });
    QPointer<ScreenView> closing = &view;
    s.refuseUnload = true;
    closing->close();
    EXPECT_TRUE(s.IsLoaded());
    EXPECT_TRUE(closing->isVisible());
    s.refuseUnload = false;
    closing->close();
    EXPECT_EQ(s.unloadRequests, 2);
    EXPECT_FALSE(s.IsLoaded());
    EXPECT_EQ(nothingLoaded, 1);
    FlushDeletes();
    EXPECT_TRUE(closing.isNull());
}

TEST_F(QtBackend, AMessageBoxShowsTheTextUnderTheTitleWithOnlyAnOkButton) {
    ProbeScreen s(program, "frmProbe");
    ScreenView& view = ShownView(s);
    QString seen;
    QTimer::singleShot(0, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            seen = box->windowTitle() + "|" + box->text() + "|" +
                   QString::number(box->buttons().size()) + (box->parent() == &view ? "" : "|?");
            box->button(QMessageBox::Ok)->click();
        }
    });
    QTimer::singleShot(3000, [] {  // never hang the run if the box was not found
        if (QWidget* w = QApplication::activeModalWidget()) w->close();
    });
    svc.MsgBox("Line one\r\nLine two", "Probe says");
    EXPECT_EQ(seen, QString("Probe says|Line one\nLine two|1"));
}

// ---- shots ----

struct Shot : QtBackend {
    QImage Take(ProbeScreen& s, double ratio = 1.0) {
        const QString file = dir.filePath("shot.png");
        EXPECT_EQ(ShotScreen(s, file.toStdString(), ratio), "");
        return QImage(file);
    }
    QTemporaryDir dir;
};

TEST_F(Shot, HasTheWindowsSizeAndPaintsBackToFrontWithButtonsOnTop) {
    ProbeScreen s(program, "frmProbe");
    EXPECT_EQ(ShotScreen(s, dir.filePath("x.png").toStdString()), "screen not loaded");
    const int top = ShownView(s).MenuBar()->height();
    ASSERT_GT(top, 0);
    QImage img = Take(s);
    EXPECT_EQ(img.size(), QSize(200, 100 + top));
    EXPECT_EQ(Take(s, 2.0).size(), QSize(400, 2 * (100 + top)));
    EXPECT_EQ(img.pixelColor(199, top + 99), QColor(0, 128, 0));
    EXPECT_EQ(img.pixelColor(5, top + 65), QColor(255, 0, 0));   // front shape
    EXPECT_EQ(img.pixelColor(60, top + 65), QColor(0, 0, 255));  // only the back one
    // The green shape lies in front of cmdOne in the list, under it on the screen.
    EXPECT_EQ(img.pixelColor(20, top + 20), QColor(192, 192, 192));
    s.BringToFront(s.Get<Shape>("shpBack"));
    EXPECT_EQ(Take(s).pixelColor(5, top + 65), QColor(0, 0, 255));
    s.Get<Shape>("shpBack").Visible = false;
    EXPECT_EQ(Take(s).pixelColor(60, top + 65), QColor(0, 128, 0));
}

TEST_F(Shot, AnImageShowsOnlyThePartOfItsPictureInsideItsSize) {
    ProbeScreen s(program, "frmProbe");
    s.Get<Image>("imgArrow").Height = 150;  // 10 of the picture's 350 pixel rows
    const int top = ShownView(s).MenuBar()->height() + 10, left = 180;
    for (double ratio : {1.0, 2.0}) {
        QImage img = Take(s, ratio);
        auto painted = [&](int fromRow, int toRow) {
            for (int y = static_cast<int>(fromRow * ratio); y < toRow * ratio; ++y)
                for (int x = static_cast<int>(left * ratio); x < (left + 8) * ratio; ++x)
                    if (img.pixelColor(x, y) != QColor(0, 128, 0)) return true;
            return false;
        };
        EXPECT_TRUE(painted(top, top + 10)) << "ratio " << ratio;
        EXPECT_FALSE(painted(top + 10, top + 90)) << "ratio " << ratio;
    }
}

}  // namespace
}  // namespace qbx
