// The Replays screen: the kept replays, most recent first, a page of rows at a time; the
// selected one is watched.
#pragma once

#include <string>
#include <vector>

#include "engine/screen.h"
#include "engine/services.h"
#include "forms/forms.h"

namespace qbx {

class FrmReplays : public Screen {
public:
    FrmReplays(Program& program, Forms& forms);

    void Form_Load() override;
    // The window's close box acts as the return button (the window stays loaded).
    void Form_Unload(int16_t& cancel) override;
    void Form_KeyDown(int16_t keyCode, int16_t shift) override;
    // Reads the list afresh from the program's replays (none where it keeps none) and selects
    // the most recent; the openers call it before showing the screen.
    void ReadReplays();
    // Tells the player, until the list is next read, of kept replays that no longer play as they
    // were recorded.
    void ShowRulesReport(const std::string& text);
    void cmdWatch_Click();
    void cmdExport_Click();
    void cmdClose_Click();
    // The keys of the list, whichever button has the focus.
    void List_KeyDown(int16_t keyCode, int16_t shift);
    void Row_Click(int row);
    void Row_DblClick(int row);

    // The controls; touching them through C() loads the screen first. The five row arrays hold
    // elements 1 to kReplayRows.
    struct Controls {
        Button *cmdWatch, *cmdClose, *cmdExport;
        Label *lblNone, *lblPosition, *lblExportHint, *lblRulesReport;
        Array<Label> lblWhen, lblPlayer, lblScore, lblLevel, lblLength;
    };
    Controls& C() {
        EnsureLoaded();
        return c_;
    }
    Button& cmdClose() { return *C().cmdClose; }

    const std::vector<ReplayListing>& Listed() const { return list_; }

    std::vector<VarRef> Vars() override;
    std::map<std::string, std::function<void()>> Routines() override;

    // Places in the list, from 1; Selected is 0 while the list is empty.
    int16_t ReplayCount = 0;
    int16_t Selected = 0;
    int16_t TopRow = 1;

protected:
    void BindControls() override;
    void UnbindControls() override;

private:
    // Selects a place in the list, cut to its ends, scrolling it into view.
    void SelectReplay(int place);
    void ShowRows();

    Forms& forms_;
    Controls c_{};
    std::vector<ReplayListing> list_;
};

// A length of play as the list shows it: minutes and seconds, "m:ss".
std::string PlayLength(int64_t lengthMs);

}  // namespace qbx
