// The real window of one screen: a fixed-size top-level window with an optional menu bar and a
// client area painted from the screen's controls. Input goes to the screen through a host.
#pragma once

#include <QImage>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/controls.h"

class QAction;
class QMenu;
class QMenuBar;

namespace qbx {

class Screen;
class ScreenView;

// Runs a call into the core on behalf of a view (ticks, keys, clicks, menu commands, the close
// box), so the backend can count nested handlers, collect garbage and schedule repaints.
class ViewHost {
public:
    virtual ~ViewHost() = default;
    virtual void Dispatch(const std::function<void()>& call) = 0;
};

// Virtual-key code for a Qt key (0 when the game has no code for it). Letters and digits keep
// their character codes; keypad digits and operators get the numeric-pad codes 96-111.
int16_t VirtualKey(int qtKey, Qt::KeyboardModifiers modifiers);
// Modifier bits as the screens see them: 1 Shift, 2 Ctrl, 4 Alt.
int16_t ShiftBits(Qt::KeyboardModifiers modifiers);
// Twips to whole logical pixels (at scale 1), rounding half away from zero.
int TwipsToPx(float twips);

// The client area: paints the controls and turns keys and clicks into calls on the screen.
class ClientArea : public QWidget {
public:
    explicit ClientArea(ScreenView& view);

protected:
    void paintEvent(QPaintEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    // Tab and Shift+Tab belong to the screen's own focus order, not to Qt's.
    bool focusNextPrevChild(bool next) override;

private:
    void PaintControl(QPainter& p, const Control& c, qreal pictureRatio);
    void PaintButton(QPainter& p, const Button& b, bool focused);
    Button* ButtonAt(QPoint pos) const;
    const QImage& PictureImage(PictureRef pic, qreal ratio);
    const QFont& FontFor(const FontSpec& f);

    ScreenView& view_;
    // The button under a mouse press, by name: a click fires on release over the same button,
    // and the button may have been destroyed in between.
    std::string pressed_;
    uint64_t pressedGeneration_ = 0;
    bool pressedOver_ = false;  // the pointer is still over the pressed button

    qreal cacheRatio_ = 0;
    std::unordered_map<PictureRef, QImage> pictures_;
    struct CachedFont {
        std::string family;
        float points;
        bool bold;
        QFont font;
    };
    std::vector<CachedFont> fonts_;
};

class ScreenView : public QWidget {
public:
    // host may be null (a view drawn for a shot): input then goes to the screen directly.
    ScreenView(Screen& screen, ViewHost* host, int scale = 1);
    ~ScreenView() override;

    Screen* Scr() const { return screen_; }
    int Scale() const { return scale_; }
    QWidget* Client() const;
    QMenuBar* MenuBar() const { return menuBar_; }
    // Client size in logical pixels, scale included.
    QSize ClientSize() const;
    // The action of a menu item, by its control name; null when there is none.
    QAction* ActionFor(std::string_view itemName) const;

    // Brings the title, the menu's captions and states and the pointer up to date with the
    // screen, and schedules a repaint.
    void Sync();
    // Shows the window (centred the first time), raises it and gives it the keyboard.
    void ShowScreen();
    // The screen was unloaded: forget it. The window draws nothing and ignores input from now on.
    void Detach();

    // Runs a call into the core through the host.
    void Dispatch(const std::function<void()>& call);

protected:
    void closeEvent(QCloseEvent* e) override;

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

    Screen* screen_;
    ViewHost* host_;
    int scale_;
    ClientArea* client_ = nullptr;
    QMenuBar* menuBar_ = nullptr;
    std::vector<MenuEntry> menu_;
    std::string title_;
    int pointer_ = -1;
    bool shownOnce_ = false;
};

}  // namespace qbx
