// The high-score screen: loading, the four record routines, the entry rule and the return
// button.
#include "forms/scores/frmScores.h"

#include <algorithm>

#include "forms/game/frmGame.h"
#include "forms/menu/frmMenu.h"
#include "forms/menu/menu_design.h"
#include "forms/scores/scores_design.h"
#include "records/record_file.h"

namespace qbx {

FrmScores::FrmScores(Program& program, Forms& forms)
    : Screen(program, "frmScores", ScoresScreenDesign(), ScoresControlsDesign()), forms_(forms) {
    forms_.scores = this;
}

void FrmScores::BindControls() {
    Controls& c = c_;
    c.cmdClose = Ctl<Button>("cmdClose");
    c.lblInfoLevels = Ctl<Label>("lblInfoLevels");
    c.lblInfoScores = Ctl<Label>("lblInfoScores");
    c.lblScoreName = Arr<Label>("lblScoreName");
    c.lblHighScore = Arr<Label>("lblHighScore");
    c.lblLevelName = Arr<Label>("lblLevelName");
    c.lblHighLevel = Arr<Label>("lblHighLevel");
    c.cmdClose->onClick = [this] { cmdClose_Click(); };
    c.cmdClose->onKeyDown = [this](int16_t keyCode, int16_t shift) {
        cmdClose_KeyDown(keyCode, shift);
    };
}

void FrmScores::UnbindControls() {
    c_ = Controls{};
}

void FrmScores::Form_Load() {
    c_.lblInfoScores->Caption = kInfoScoresCaption;
    c_.lblInfoLevels->Caption = kInfoLevelsCaption;
    ScoreRows = kScoreTableRows;
    LevelRows = kScoreTableRows;
    UserName = records::UserNameFrom([this](const std::string& n) { return Svc().Environ(n); });
}

void FrmScores::Form_Unload(int16_t& cancel) {
    cancel = 1;
    cmdClose_Click();
}

// ---- the record files ----

std::string FrmScores::RecordPath(const char* fileName) const {
    const std::string dir = records::RecordDir(
        Svc().ProgramDir(), [this](const std::string& n) { return Svc().Environ(n); });
    return dir + "/" + fileName;
}

std::string FrmScores::ScoreFilePath() const {
    return RecordPath(records::kScoreFileName);
}
std::string FrmScores::LevelFilePath() const {
    return RecordPath(records::kLevelFileName);
}

FrmScores::Table FrmScores::Scores() {
    Controls& c = C();
    // A row count changed from outside never reaches past the labels.
    const int rows = std::clamp<int>(ScoreRows, 0, c.lblScoreName.UBound());
    return {c.lblScoreName, c.lblHighScore, rows, ScoreFilePath()};
}

FrmScores::Table FrmScores::Levels() {
    Controls& c = C();
    const int rows = std::clamp<int>(LevelRows, 0, c.lblLevelName.UBound());
    return {c.lblLevelName, c.lblHighLevel, rows, LevelFilePath()};
}

records::RecordRows FrmScores::RowsOf(const Table& t) {
    records::RecordRows rows;
    for (int i = 1; i <= t.rows; ++i) rows.push_back({t.names(i).Caption, t.values(i).Caption});
    return rows;
}

void FrmScores::PutRows(const Table& t, const records::RecordRows& rows) {
    for (int i = 1; i <= t.rows; ++i) {
        t.names(i).Caption = rows[static_cast<size_t>(i - 1)].name;
        t.values(i).Caption = rows[static_cast<size_t>(i - 1)].value;
    }
}

// A file that cannot be read leaves the labels as they are; rows the file does not reach keep
// their captions.
void FrmScores::Read(const Table& t) {
    const std::optional<std::string> text = records::ReadRecordFile(t.path);
    if (!text) return;
    records::RecordRows rows = RowsOf(t);
    records::ReadTable(*text, rows);
    PutRows(t, rows);
}

void FrmScores::Write(const Table& t) {
    records::WriteRecordFile(t.path, records::WriteTable(RowsOf(t)));
}

void FrmScores::ReadScores() {
    Read(Scores());
}
void FrmScores::ReadLevels() {
    Read(Levels());
}
void FrmScores::WriteScores() {
    Write(Scores());
}
void FrmScores::WriteLevels() {
    Write(Levels());
}

// ---- entering a result ----

// The lock is held from the read to the write, so a game ending at the same moment in another
// window reads this one's result before it adds its own.
void FrmScores::EnterResult(const Table& t, const std::string& name, long long result) {
    records::RecordLock lock(t.path);
    Read(t);
    records::RecordRows rows = RowsOf(t);
    if (!records::EnterResult(rows, name, result)) return;
    PutRows(t, rows);
    Write(t);
}

void FrmScores::CalculateHighScores() {
    EnterResult(Scores(), UserName, forms_.game->Score);
}
void FrmScores::CalculateHighLevels() {
    EnterResult(Levels(), UserName, forms_.game->Level);
}
void FrmScores::EnterPlayerResult(const std::string& name, int32_t score, int16_t level) {
    EnterResult(Scores(), name, score);
    EnterResult(Levels(), name, level);
}

records::RecordRows FrmScores::ScoreTable() {
    return RowsOf(Scores());
}
records::RecordRows FrmScores::LevelTable() {
    return RowsOf(Levels());
}

// ---- the return button ----

void FrmScores::cmdClose_Click() {
    ReturnFrom(forms_, *this, *C().cmdClose);
}

void FrmScores::cmdClose_KeyDown(int16_t keyCode, int16_t shift) {
    ExitFrom(forms_, *this, *C().cmdClose, keyCode, shift);
}

// ---- for the driver ----

std::vector<VarRef> FrmScores::Vars() {
    return {{VarRef::I16, "ScoreRows", &ScoreRows},
            {VarRef::I16, "LevelRows", &LevelRows},
            {VarRef::Str, "UserName", &UserName}};
}

std::map<std::string, std::function<void()>> FrmScores::Routines() {
    return {
        {"ReadScores", [this] { ReadScores(); }},
        {"ReadLevels", [this] { ReadLevels(); }},
        {"WriteScores", [this] { WriteScores(); }},
        {"WriteLevels", [this] { WriteLevels(); }},
        {"CalculateHighScores", [this] { CalculateHighScores(); }},
        {"CalculateHighLevels", [this] { CalculateHighLevels(); }},
        {"cmdClose_Click", [this] { cmdClose_Click(); }},
    };
}

}  // namespace qbx
