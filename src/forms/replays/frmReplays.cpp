// The Replays screen: the list read from the program's replays, moving through it, watching
// one, and the return button.
#include "forms/replays/frmReplays.h"

#include <algorithm>
#include <limits>

#include "forms/replays/replays_design.h"

namespace qbx {

namespace {

// A name never wraps onto a second line its box cannot show: it is cut at the box's edge.
std::string OnOneLine(const std::string& text) {
    std::string out;
    for (char ch : text) {
        if (ch == ' ')
            out += "\xc2\xa0";
        else if (ch != '\r' && ch != '\n')
            out += ch;
    }
    return out;
}

}  // namespace

std::string PlayLength(int64_t lengthMs) {
    const int64_t s = std::max<int64_t>(0, lengthMs) / 1000;
    const int64_t sec = s % 60;
    return std::to_string(s / 60) + (sec < 10 ? ":0" : ":") + std::to_string(sec);
}

FrmReplays::FrmReplays(Program& program, Forms& forms)
    : Screen(program, "frmReplays", ReplaysScreenDesign(), ReplaysControlsDesign()), forms_(forms) {
    forms_.replays = this;
}

void FrmReplays::BindControls() {
    Controls& c = c_;
    c.cmdWatch = Ctl<Button>("cmdWatch");
    c.cmdClose = Ctl<Button>("cmdClose");
    c.cmdExport = Ctl<Button>("cmdExport");
    c.lblExportHint = Ctl<Label>("lblExportHint");
    c.lblRulesReport = Ctl<Label>("lblRulesReport");
    c.lblNone = Ctl<Label>("lblNone");
    c.lblPosition = Ctl<Label>("lblPosition");
    c.lblWhen = Arr<Label>("lblWhen");
    c.lblPlayer = Arr<Label>("lblPlayer");
    c.lblScore = Arr<Label>("lblScore");
    c.lblLevel = Arr<Label>("lblLevel");
    c.lblLength = Arr<Label>("lblLength");
    c.cmdWatch->onClick = [this] { cmdWatch_Click(); };
    c.cmdClose->onClick = [this] { cmdClose_Click(); };
    c.cmdExport->onClick = [this] { cmdExport_Click(); };
    for (Button* b : {c.cmdWatch, c.cmdClose})
        b->onKeyDown = [this](int16_t keyCode, int16_t shift) { List_KeyDown(keyCode, shift); };
    for (const Array<Label>& column : {c.lblWhen, c.lblPlayer, c.lblScore, c.lblLevel, c.lblLength})
        for (int i = 1; i <= kReplayRows; ++i) {
            column(i).onClick = [this, i] { Row_Click(i); };
            column(i).onDblClick = [this, i] { Row_DblClick(i); };
        }
}

void FrmReplays::UnbindControls() {
    c_ = Controls{};
}

void FrmReplays::Form_Load() {
    ShowRows();
}

void FrmReplays::Form_Unload(int16_t& cancel) {
    cancel = 1;
    cmdClose_Click();
}

void FrmReplays::Form_KeyDown(int16_t keyCode, int16_t shift) {
    List_KeyDown(keyCode, shift);
}

void FrmReplays::ReadReplays() {
    // A report is told once: the next reading of the list says nothing of it.
    C().lblRulesReport->Visible = false;
    C().lblRulesReport->Caption = "";
    ReplayShelf* shelf = Svc().Replays();
    list_ = shelf ? shelf->List() : std::vector<ReplayListing>{};
    if (list_.size() > static_cast<size_t>(std::numeric_limits<int16_t>::max()))
        list_.resize(std::numeric_limits<int16_t>::max());
    ReplayCount = static_cast<int16_t>(list_.size());
    Selected = 0;
    TopRow = 1;
    SelectReplay(1);
    SetFocus(C().cmdWatch);
    // Where no video can be made the button says so, greyed, and the hint says what to install.
    const std::string hint = shelf ? shelf->ExportHint() : "";
    C().cmdExport->Enabled = hint.empty();
    C().lblExportHint->Caption = hint;
}

void FrmReplays::ShowRulesReport(const std::string& text) {
    C().lblRulesReport->Caption = text;
    C().lblRulesReport->Visible = !text.empty();
}

// ---- the list ----

// Rows past the list's end stay, empty: every row takes its clicks whatever the list holds, so
// a game that visited this screen replays the same wherever it is replayed.
void FrmReplays::ShowRows() {
    Controls& c = C();
    const int count = static_cast<int>(list_.size());
    for (int i = 1; i <= kReplayRows; ++i) {
        const int place = TopRow + i - 1;
        const ReplayListing* r =
            place >= 1 && place <= count ? &list_[static_cast<size_t>(place - 1)] : nullptr;
        c.lblWhen(i).Caption = r ? r->when : "";
        c.lblPlayer(i).Caption = r ? OnOneLine(r->player) : "";
        c.lblScore(i).Caption = r ? std::to_string(r->score) : "";
        c.lblLevel(i).Caption = r ? std::to_string(r->level) : "";
        c.lblLength(i).Caption = r ? PlayLength(r->lengthMs) : "";
        const bool selected = r && place == Selected;
        for (const Array<Label>& column :
             {c.lblWhen, c.lblPlayer, c.lblScore, c.lblLevel, c.lblLength}) {
            column(i).back = selected ? kSelectedBack : kRowBack;
            column(i).fore = selected ? kSelectedText : kRowText;
        }
    }
    c.lblNone->Visible = count == 0;
    c.lblPosition->Caption = count > kReplayRows
                                 ? std::to_string(TopRow) + " to " +
                                       std::to_string(std::min(count, TopRow + kReplayRows - 1)) +
                                       " of " + std::to_string(count)
                                 : "";
}

void FrmReplays::SelectReplay(int place) {
    const int count = static_cast<int>(list_.size());
    if (count == 0) {
        Selected = 0;
        TopRow = 1;
    } else {
        Selected = static_cast<int16_t>(std::clamp(place, 1, count));
        // The top row is kept unless the selection left the page; a page is never left half
        // empty by scrolling.
        int top = std::clamp<int>(TopRow, 1, std::max(1, count - kReplayRows + 1));
        if (Selected < top) top = Selected;
        if (Selected >= top + kReplayRows) top = Selected - kReplayRows + 1;
        TopRow = static_cast<int16_t>(top);
    }
    ShowRows();
}

void FrmReplays::List_KeyDown(int16_t keyCode, int16_t shift) {
    if (keyCode == vk::Escape && shift == 0) {
        cmdClose_Click();
        return;
    }
    ExitFrom(forms_, *this, *C().cmdClose, keyCode, shift);
    if (shift != 0 || list_.empty()) return;
    switch (keyCode) {
        case vk::Up:
            SelectReplay(Selected - 1);
            break;
        case vk::Down:
            SelectReplay(Selected + 1);
            break;
        case vk::PageUp:
            SelectReplay(Selected - kReplayRows);
            break;
        case vk::PageDown:
            SelectReplay(Selected + kReplayRows);
            break;
        case vk::Home:
            SelectReplay(1);
            break;
        case vk::End:
            SelectReplay(static_cast<int>(list_.size()));
            break;
        default:
            break;
    }
}

void FrmReplays::Row_Click(int row) {
    const int place = TopRow + row - 1;
    if (place >= 1 && place <= static_cast<int>(list_.size())) SelectReplay(place);
}

void FrmReplays::Row_DblClick(int row) {
    const int place = TopRow + row - 1;
    if (place < 1 || place > static_cast<int>(list_.size())) return;
    SelectReplay(place);
    cmdWatch_Click();
}

// Watching is the program's: this screen stays as it is, and nothing of the game changes.
void FrmReplays::cmdWatch_Click() {
    ReplayShelf* shelf = Svc().Replays();
    if (!shelf || Selected < 1 || Selected > static_cast<int>(list_.size())) return;
    shelf->Watch(list_[static_cast<size_t>(Selected - 1)].file);
}

// So is making a video: it is made from the file, and this screen stays as it is.
void FrmReplays::cmdExport_Click() {
    ReplayShelf* shelf = Svc().Replays();
    if (!shelf || Selected < 1 || Selected > static_cast<int>(list_.size())) return;
    shelf->Export(list_[static_cast<size_t>(Selected - 1)].file);
}

void FrmReplays::cmdClose_Click() {
    ReturnFrom(forms_, *this, *C().cmdClose);
}

// ---- for the driver ----

std::vector<VarRef> FrmReplays::Vars() {
    return {{VarRef::I16, "ReplayCount", &ReplayCount},
            {VarRef::I16, "Selected", &Selected},
            {VarRef::I16, "TopRow", &TopRow}};
}

std::map<std::string, std::function<void()>> FrmReplays::Routines() {
    return {
        {"ReadReplays", [this] { ReadReplays(); }},
        {"cmdWatch_Click", [this] { cmdWatch_Click(); }},
        {"cmdExport_Click", [this] { cmdExport_Click(); }},
        {"cmdClose_Click", [this] { cmdClose_Click(); }},
    };
}

}  // namespace qbx
