// What changed in the client area since the last comparison: each visible control's looks, and
// the region of the window that has to be painted again.
#include <QWidget>
#include <algorithm>
#include <unordered_map>
#include <vector>

#include "backends/qt/screen_view.h"
#include "backends/qt/view_parts.h"
#include "engine/screen.h"

namespace qbx {

namespace {

// The indices of a longest increasing run (not necessarily adjacent) of v.
std::vector<bool> InLongestIncreasing(const std::vector<int>& v) {
    std::vector<int> tails, tailAt, prev(v.size(), -1);
    for (size_t i = 0; i < v.size(); ++i) {
        auto it = std::lower_bound(tails.begin(), tails.end(), v[i]);
        const size_t k = static_cast<size_t>(it - tails.begin());
        if (it == tails.end()) {
            tails.push_back(v[i]);
            tailAt.push_back(static_cast<int>(i));
        } else {
            *it = v[i];
            tailAt[k] = static_cast<int>(i);
        }
        prev[i] = k > 0 ? tailAt[k - 1] : -1;
    }
    std::vector<bool> in(v.size(), false);
    for (int i = tailAt.empty() ? -1 : tailAt.back(); i >= 0; i = prev[static_cast<size_t>(i)])
        in[static_cast<size_t>(i)] = true;
    return in;
}

}  // namespace

uint64_t ClientArea::ContentOf(const Control& c) const {
    Digest d;
    d.Add(c.kind);
    switch (c.kind) {
        case Kind::Image:
            d.Add(static_cast<const Image&>(c).Picture);
            break;
        case Kind::Label: {
            const auto& l = static_cast<const Label&>(c);
            d.Add(l.Caption).Add(l.font).Add(l.fore).Add(l.back).Add(l.backOpaque).Add(l.align);
            d.Add(l.border);
            break;
        }
        case Kind::Shape: {
            const auto& sh = static_cast<const Shape&>(c);
            d.Add(sh.shape).Add(sh.borderColor).Add(sh.borderWidthPx).Add(sh.fillSolid);
            d.Add(sh.fillColor).Add(sh.backOpaque).Add(sh.backColor);
            break;
        }
        case Kind::Button: {
            const auto& b = static_cast<const Button&>(c);
            const Screen* s = view_.Scr();
            d.Add(b.Caption).Add(b.font).Add(b.back).Add(b.Enabled);
            d.Add(s && s->FocusedButton() == &b);
            d.Add(pressedOver_ && b.DisplayName() == pressed_);
            break;
        }
        case Kind::Timer:
        case Kind::Menu:
            break;
    }
    return d.h;
}

void ClientArea::TakeLooks(std::vector<Look>& out) const {
    out.clear();
    const Screen* s = view_.Scr();
    if (!s || !s->IsLoaded()) return;
    // ZOrder() runs front to back; paint from the back. Buttons always go above the rest.
    const std::vector<Control*>& z = s->ZOrder();
    for (auto it = z.rbegin(); it != z.rend(); ++it)
        if ((*it)->Visible && (*it)->kind != Kind::Button)
            out.push_back({*it, PxRect(**it), ContentOf(**it)});
    for (auto it = z.rbegin(); it != z.rend(); ++it)
        if ((*it)->Visible && (*it)->kind == Kind::Button)
            out.push_back({*it, PxRect(**it), ContentOf(**it)});
}

QRegion ClientArea::Changes(const std::vector<Look>& before, const std::vector<Look>& after) const {
    // One pixel more all round covers what smoothing spreads at fractional pixel ratios.
    auto grown = [](const QRect& r) { return r.adjusted(-1, -1, 1, 1); };
    QRegion dirty;
    if (before.size() == after.size() &&
        std::equal(before.begin(), before.end(), after.begin(),
                   [](const Look& a, const Look& b) { return a.control == b.control; })) {
        for (size_t i = 0; i < after.size(); ++i)
            if (!(before[i] == after[i])) dirty += grown(before[i].rect.united(after[i].rect));
        return dirty;
    }
    std::unordered_map<const Control*, size_t> was;
    was.reserve(before.size());
    for (size_t i = 0; i < before.size(); ++i) was.emplace(before[i].control, i);
    std::vector<int> order;  // former places of the controls still shown, in their new order
    std::vector<size_t> kept;
    std::vector<bool> stays(before.size(), false);
    for (size_t j = 0; j < after.size(); ++j) {
        auto it = was.find(after[j].control);
        if (it == was.end()) {
            dirty += grown(after[j].rect);
            continue;
        }
        const Look& old = before[it->second];
        stays[it->second] = true;
        if (!(old == after[j])) dirty += grown(old.rect.united(after[j].rect));
        order.push_back(static_cast<int>(it->second));
        kept.push_back(j);
    }
    for (size_t i = 0; i < before.size(); ++i)
        if (!stays[i]) dirty += grown(before[i].rect);
    // A control brought to the front shows differently only where it overlaps others: the
    // controls that keep their order among themselves need nothing more.
    const std::vector<bool> inOrder = InLongestIncreasing(order);
    for (size_t k = 0; k < order.size(); ++k)
        if (!inOrder[k]) dirty += grown(after[kept[k]].rect);
    return dirty;
}

bool ClientArea::CollectChanges() {
    TakeLooks(scratch_);
    if (scratch_ != looks_) {
        pending_ += Changes(looks_, scratch_);
        looks_.swap(scratch_);
    }
    const Screen* s = view_.Scr();
    const uint64_t generation = s && s->IsLoaded() ? s->Generation() : 0;
    if (generation != labelsGeneration_) {
        // Another load of the screen: none of the copies can show again.
        labels_.clear();
        labelsGeneration_ = generation;
    }
    return !pending_.isEmpty();
}

void ClientArea::MarkAll() {
    const int scale = view_.Scale();
    const QSize field = view_.ClientSize();
    pending_ = QRegion(0, 0, std::max(width(), field.width()) / scale + 1,
                       std::max(height(), field.height()) / scale + 1);
}

void ClientArea::Forget() {
    looks_.clear();
    labels_.clear();
    labelsGeneration_ = 0;
    MarkAll();
}

QRegion ClientArea::TakePending() {
    const Placement place = Place();
    const int scale = static_cast<int>(place.scale);
    QRegion widget;
    if (!place.whole) {
        // One pixel more all round: the edges of a fractional scale are blended.
        for (const QRect& r : pending_)
            widget += QRectF(place.offset.x() + r.x() * place.scale,
                             place.offset.y() + r.y() * place.scale, r.width() * place.scale,
                             r.height() * place.scale)
                          .toAlignedRect()
                          .adjusted(-1, -1, 1, 1);
    } else if (scale == 1) {
        widget = pending_;
    } else {
        for (const QRect& r : pending_)
            widget += QRect(r.x() * scale, r.y() * scale, r.width() * scale, r.height() * scale);
    }
    pending_ = QRegion();
    return widget;
}

void ClientArea::PaintPending() {
    if (pending_.isEmpty()) return;
    const QRegion widget = TakePending();
    // A hidden window is painted whole when it shows again.
    if (isVisible()) repaint(widget);
}

}  // namespace qbx
