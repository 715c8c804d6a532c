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

TEST(KeyMapping, QtKeysBecomeTheGamesKeyCodes) {
    struct Case {
        int key;
        Qt::KeyboardModifiers mods;
        int code, shift;
    };
    const Case cases[] = {
        {Qt::Key_A, Qt::ControlModifier, 65, 2},
        {Qt::Key_Z, Qt::ShiftModifier | Qt::AltModifier, 90, 5},
        {Qt::Key_7, Qt::KeypadModifier, 103, 0},
        {Qt::Key_Escape, Qt::NoModifier, 27, 0},
        {Qt::Key_Enter, Qt::KeypadModifier, 13, 0},
        {Qt::Key_Backtab, Qt::ShiftModifier, 9, 1},
        {Qt::Key_Right, Qt::KeypadModifier, 39, 0},
        {Qt::Key_Exclam, Qt::ShiftModifier, 49, 1},
        {Qt::Key_Minus, Qt::KeypadModifier, 109, 0},
        {Qt::Key_Minus, Qt::NoModifier, 189, 0},
        {Qt::Key_unknown, Qt::NoModifier, 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(VirtualKey(c.key, c.mods), c.code) << "Qt key " << std::hex << c.key;
        EXPECT_EQ(ShiftBits(c.mods), c.shift) << "Qt key " << std::hex << c.key;
    }
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
