// The high-score screen: the two record tables, the rule by which a finished game enters them,
// and the two record files behind them.
#pragma once

#include <string>

#include "engine/screen.h"
#include "forms/forms.h"
#include "records/record_table.h"

namespace qbx {

class FrmScores : public Screen {
public:
    FrmScores(Program& program, Forms& forms);

    void Form_Load() override;
    // The window's close box acts as the return button (the window stays loaded).
    void Form_Unload(int16_t& cancel) override;
    void ReadScores();
    void ReadLevels();
    void WriteScores();
    void WriteLevels();
    void CalculateHighScores();
    void CalculateHighLevels();
    // One player's result of a two-player game, under the name given, into both tables.
    void EnterPlayerResult(const std::string& name, int32_t score, int16_t level);
    void cmdClose_Click();
    void cmdClose_KeyDown(int16_t keyCode, int16_t shift);

    // The controls; touching them through C() loads the screen first. The six label arrays
    // hold elements 1 to 20.
    struct Controls {
        Button* cmdClose;
        Label *lblInfoLevels, *lblInfoScores;
        Array<Label> lblScoreName, lblHighScore, lblLevelName, lblHighLevel;
    };
    Controls& C() {
        EnsureLoaded();
        return c_;
    }

    // The return button; touching it loads the screen.
    Button& cmdClose() { return *C().cmdClose; }

    // Where the record files are now: in the program's directory, or in the user's data
    // directory when the program's directory cannot be written.
    std::string ScoreFilePath() const;
    std::string LevelFilePath() const;

    // A table as the labels show it, rows 1 to ScoreRows (or LevelRows) at indexes 0 up.
    records::RecordRows ScoreTable();
    records::RecordRows LevelTable();

    std::vector<VarRef> Vars() override;
    std::map<std::string, std::function<void()>> Routines() override;

    int16_t ScoreRows = 0;
    int16_t LevelRows = 0;
    std::string UserName;

protected:
    void BindControls() override;
    void UnbindControls() override;

private:
    // One table: its labels, its row count and its file.
    struct Table {
        Array<Label> names, values;
        int rows;
        std::string path;
    };
    Table Scores();
    Table Levels();
    static records::RecordRows RowsOf(const Table& t);
    static void PutRows(const Table& t, const records::RecordRows& rows);
    static void Read(const Table& t);
    static void Write(const Table& t);
    void EnterResult(const Table& t, const std::string& name, long long result);
    std::string RecordPath(const char* fileName) const;

    Forms& forms_;
    Controls c_{};
};

}  // namespace qbx
