// The menu bar of a window, built from the screen's menu items and kept in step with their
// captions, states and visibility.
#include <QAction>
#include <QApplication>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <algorithm>

#include "backends/qt/screen_view.h"
#include "engine/screen.h"

namespace qbx {

QAction* ScreenView::ActionFor(std::string_view itemName) const {
    for (const MenuEntry& m : menu_)
        if (m.item->name == itemName) return m.action;
    return nullptr;
}

void ScreenView::BuildMenu() {
    const std::vector<MenuItem*>& items = screen_->MenuItems();
    auto clickOf = [this](MenuItem* m) {
        return [this, m] {
            // Once the screen is unloaded its menu items are gone; the window follows soon.
            if (!screen_) return;
            Screen* s = screen_;
            Input({.kind = InputEvent::Kind::Menu, .form = s->Name(), .control = m->DisplayName()},
                  [s, m] { s->ClickMenu(*m); });
        };
    };
    for (MenuItem* top : items) {
        if (!top->parent.empty()) continue;
        const QString text = QString::fromStdString(top->Caption);
        bool hasChildren = std::any_of(items.begin(), items.end(),
                                       [top](const MenuItem* m) { return m->parent == top->name; });
        if (!hasChildren) {
            QAction* a = menuBar_->addAction(text);
            connect(a, &QAction::triggered, this, clickOf(top));
            menu_.push_back({top, a, nullptr, top->Caption, true, true});
            continue;
        }
        QMenu* menu = menuBar_->addMenu(text);
        // An open menu has the keyboard, as another window would: the screen hears of it the
        // same way.
        connect(menu, &QMenu::aboutToShow, this, [this] { KeyboardLost(); });
        // A menu closed with Esc leaves the menu bar holding the keyboard, waiting for a
        // second Esc; the keys go back to the screen instead.
        connect(menu, &QMenu::aboutToHide, this, [this] {
            QTimer::singleShot(0, this, [this] {
                if (!QApplication::activePopupWidget() && menuBar_->hasFocus())
                    client_->setFocus(Qt::PopupFocusReason);
            });
        });
        // A top-level item's own Click runs as its menu drops down.
        if (top->onClick) connect(menu, &QMenu::aboutToShow, this, clickOf(top));
        menu_.push_back({top, menu->menuAction(), menu, top->Caption, true, true});
        for (MenuItem* m : items) {
            if (m->parent != top->name) continue;
            QAction* a = m->separator ? menu->addSeparator()
                                      : menu->addAction(QString::fromStdString(m->Caption));
            if (!m->separator) {
                int key = m->shortcutKey;
                if (key >= 112 && key <= 135) key = Qt::Key_F1 + (key - 112);
                if (key > 0) a->setShortcut(QKeySequence(Qt::CTRL | static_cast<Qt::Key>(key)));
                if (m->checkable) {
                    a->setCheckable(true);
                    a->setChecked(m->Checked);
                }
                connect(a, &QAction::triggered, this, clickOf(m));
            }
            menu_.push_back({m, a, nullptr, m->Caption, true, true});
        }
    }
}

void ScreenView::SyncMenu() {
    for (MenuEntry& e : menu_) {
        if (e.caption != e.item->Caption && !e.item->separator) {
            e.caption = e.item->Caption;
            if (e.menu)
                e.menu->setTitle(QString::fromStdString(e.caption));
            else
                e.action->setText(QString::fromStdString(e.caption));
        }
        if (e.enabled != e.item->Enabled) {
            e.enabled = e.item->Enabled;
            e.action->setEnabled(e.enabled);
        }
        // A checked command shows its screen's state, whatever clicking it did to the action.
        if (e.action->isCheckable() && e.action->isChecked() != e.item->Checked)
            e.action->setChecked(e.item->Checked);
        if (e.visible != e.item->Visible) {
            e.visible = e.item->Visible;
            e.action->setVisible(e.visible);
        }
    }
}

}  // namespace qbx
