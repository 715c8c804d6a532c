// The real window of one screen: a fixed-size top-level window with an optional menu bar and a
// client area painted from the screen's controls. Input goes to the screen through a host.
#pragma once

#include <QCursor>
#include <QImage>
#include <QPointF>
#include <QRegion>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/controls.h"
#include "engine/input.h"
#include "engine/screen.h"

class QAction;
class QLabel;
class QMenu;
class QMenuBar;
class QTimer;

namespace qbx {

class Screen;
class ScreenView;

// Runs a call into the core on behalf of a view (ticks, keys, clicks, menu commands, the close
// box), so the backend can count nested handlers, collect garbage and schedule repaints.
class ViewHost {
public:
    virtual ~ViewHost() = default;
    virtual void Dispatch(const std::function<void()>& call) = 0;
    // An input about to be dispatched, for a replay being recorded.
    virtual void Noted(const InputEvent& /*e*/) {}
    // Every input from a window or a pad comes here: noted, then dispatched, unless the host
    // takes it for itself (a replay being watched keeps the player's input from the screens).
    virtual void Input(const InputEvent& e, const std::function<void()>& call) {
        Noted(e);
        Dispatch(call);
    }
    // A window of the screen has just been painted.
    virtual void ViewPainted(const Screen& /*s*/) {}
    // Whether input from the windows goes elsewhere than the screens (a replay being watched):
    // the menus are then shown disabled.
    virtual bool InputWithheld() const { return false; }
    // Whether the windows fill the screen; the player's choice, told by the window that took it.
    virtual bool WantsFullScreen() const { return false; }
    virtual void FullScreenChosen(bool /*on*/, const ScreenView& /*from*/) {}
};

// Virtual-key code for a Qt key (0 when the game has no code for it). Letters and digits keep
// their character codes; keypad digits and operators get the numeric-pad codes 96-111.
int16_t VirtualKey(int qtKey, Qt::KeyboardModifiers modifiers);
// Modifier bits as the screens see them: 1 Shift, 2 Ctrl, 4 Alt.
int16_t ShiftBits(Qt::KeyboardModifiers modifiers);
// A fully transparent 32x32 cursor with its hot spot at (0, 0): the screens' own pointer, which
// hides the pointer over the field. Needs a QGuiApplication.
QCursor BlankCursor();
// Forgets which keys are held down (the application lost the keyboard: their releases go
// elsewhere).
void ForgetHeldKeys();

// A caption as labels and buttons paint it: CR LF, or a lone CR or LF, breaks the line.
QString CaptionText(const std::string& caption);
// The drawText flags of a label: its alignment, text from the top, wrapped in its width.
int LabelTextFlags(Align a);

// The client area: paints the controls and turns keys and clicks into calls on the screen.
// It keeps what each visible control looked like when last compared, so only the parts of the
// window where something changed are painted again.
class ClientArea : public QWidget {
public:
    explicit ClientArea(ScreenView& view);

    // Compares the controls with the last comparison and adds the area of every change to the
    // pending region. Returns whether anything is pending.
    bool CollectChanges();
    // Paints the pending region now and empties it.
    void PaintPending();
    // Empties the pending region and returns it in widget pixels.
    QRegion TakePending();
    // Everything is to be painted again (the screen was detached, a mouse press shows).
    void MarkAll();
    // Forgets every look and painted copy: the controls it knew are gone.
    void Forget();

    // Where the game's pixels land: the window's whole scale from the corner, or, when the
    // area is larger than the window's size (the full screen), the largest scale that fits,
    // centred.
    struct Placement {
        qreal scale;
        QPointF offset;
        bool whole;  // the window's own size and scale
    };
    Placement Place() const;

protected:
    void paintEvent(QPaintEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void ForwardKey(QKeyEvent* e, bool down, bool repeat);
    void focusInEvent(QFocusEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    // Over a label that takes the mouse, a double click; elsewhere a second press.
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    // Tab and Shift+Tab belong to the screen's own focus order, not to Qt's.
    bool focusNextPrevChild(bool next) override;

private:
    // How one visible control shows: where (pixels at scale 1) and a digest of everything else
    // that is drawn (picture, caption, font, colours, focus).
    struct Look {
        const Control* control;
        QRect rect;
        uint64_t content;
        friend bool operator==(const Look&, const Look&) = default;
    };
    void TakeLooks(std::vector<Look>& out) const;
    uint64_t ContentOf(const Control& c) const;
    QRegion Changes(const std::vector<Look>& before, const std::vector<Look>& after) const;
    void PaintLabel(QPainter& p, const Look& look, size_t index, qreal pictureRatio);
    void PaintControl(QPainter& p, const Control& c, qreal pictureRatio);
    void PaintButton(QPainter& p, const Button& b, bool focused);
    // Where a point of the widget falls on the screen, in pixels at scale 1.
    QPoint ScreenPoint(QPoint pos) const;
    Button* ButtonAt(QPoint pos) const;
    // The topmost visible label that takes the mouse there, unless a button is over it.
    Label* LabelAt(QPoint pos) const;
    const QImage& PictureImage(PictureRef pic, qreal ratio);
    const QFont& FontFor(const FontSetting& f);

    ScreenView& view_;
    // The button under a mouse press, by name: a click fires on release over the same button,
    // and the button may have been destroyed in between.
    std::string pressed_;
    uint64_t pressedGeneration_ = 0;
    bool pressedOver_ = false;  // the pointer is still over the pressed button
    std::string pressedLabel_;  // the label under a mouse press, clicked on release over it

    std::vector<Look> looks_, scratch_;  // back to front, in the order they are painted
    QRegion pending_;                    // in pixels at scale 1

    qreal cacheRatio_ = 0;
    std::unordered_map<PictureRef, QImage> pictures_;
    struct CachedFont {
        std::string family;
        float points;
        bool bold;
        QFont font;
    };
    std::vector<CachedFont> fonts_;
    // A label as it was last painted, with what lay behind it: the device's own pixels, laid
    // out and drawn once, copied back while neither the label nor anything behind it changes.
    struct LabelPixels {
        uint64_t key;
        QImage pixels;
    };
    std::unordered_map<const Control*, LabelPixels> labels_;
    uint64_t labelsGeneration_ = 0;
    QRegion paintRegion_;  // of the paint under way, in widget pixels
};

class ScreenView : public QWidget {
public:
    // host may be null (a view drawn for a shot): input then goes to the screen directly.
    ScreenView(Screen& screen, ViewHost* host, int scale = 1);
    ~ScreenView() override;

    Screen* Scr() const { return screen_; }
    ViewHost* Host() const { return host_; }
    int Scale() const { return scale_; }
    QWidget* Client() const;
    QMenuBar* MenuBar() const { return menuBar_; }
    // Client size in logical pixels, scale included.
    QSize ClientSize() const;
    // The action of a menu item, by its control name; null when there is none.
    QAction* ActionFor(std::string_view itemName) const;

    // Brings the title, the menu's captions and states and the pointer up to date with the
    // screen, and schedules a repaint of what changed for the next display frame.
    void Sync();
    // Paints what changed at the next display frame: at once when the last frame is older
    // than a frame, never more often than the display refreshes.
    void ScheduleFrame();
    // Paints a scheduled frame now (a handler that pumps events shows what it has done).
    void FlushFrame();
    // Shows the window (centred the first time), raises it and gives it the keyboard.
    void ShowScreen();
    // The screen was unloaded: forget it. The window draws nothing and ignores input from now on.
    void Detach();
    // Shows another screen of the same design from now on, in the same place (a program started
    // again takes over the windows of the one before).
    void Reattach(Screen& screen);
    // A line or two across the top of the window, over the screen's controls; none when empty.
    void SetBanner(const QString& text);
    // Lays the banner across the client area's width, as it is now.
    void PlaceBanner();
    // Fills the screen with the window, or gives it back its own size.
    void SetFullScreen(bool on);
    bool FullScreen() const { return fullScreen_; }

    // Runs a call into the core through the host.
    void Dispatch(const std::function<void()>& call);
    // An input for the screen, through the host.
    void Input(const InputEvent& e, const std::function<void()>& call);
    // The screen's window lost the keyboard (a replay records it as such).
    void KeyboardLost();

protected:
    void closeEvent(QCloseEvent* e) override;
    // Tells the screen when its window loses the keyboard to another window.
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    struct MenuEntry {
        MenuItem* item;
        QAction* action;
        QMenu* menu;  // for a top-level item with children
        std::string caption;
        bool enabled;
        bool visible;
    };
    void BuildMenu();
    void SyncMenu();
    void SyncPointer();

    void PaintFrame();
    void FillScreen();

    Screen* screen_;
    ViewHost* host_;
    int scale_;
    ClientArea* client_ = nullptr;
    QTimer* frame_ = nullptr;  // single-shot, until the next frame
    int64_t lastFrameNs_ = 0;
    QMenuBar* menuBar_ = nullptr;
    QLabel* banner_ = nullptr;
    std::vector<MenuEntry> menu_;
    std::string title_;
    std::optional<Pointer> pointer_;  // none before the first sync
    bool shownOnce_ = false;
    bool fullScreen_ = false;
    // Whether the window system has said the window fills the screen since it was asked to.
    bool fullScreenSeen_ = false;
    std::optional<QPoint> windowedAt_;  // where the window was before it filled the screen
};

}  // namespace qbx
