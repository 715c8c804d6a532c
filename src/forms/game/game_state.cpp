// The game screen's construction, its controls' binding, and what the driver sees of it.
#include "engine/numbers.h"
#include "engine/program.h"
#include "forms/game/frmGame.h"
#include "forms/game/game_design.h"

namespace qbx {

FrmGame::FrmGame(Program& program, Forms& forms)
    : Screen(program, "frmGame", GameScreenDesign(), GameControlsDesign()), forms_(forms) {
    forms_.game = this;
}

namespace key {
constexpr int16_t A = 65, D = 68, S = 83, W = 87;
}

void FrmGame::SetPlayers(int16_t players) {
    if (IsLoaded()) return;
    Players = players == 2 ? 2 : 1;
    SetDesignTable(GameControlsDesign(Players));
}

void FrmGame::BindPlayers() {
    Controls& c = c_;
    Player& one = players[0];
    one.imgCharacter = c.imgCharacter;
    one.arrow = c.arrow;
    one.apwrup = c.apwrup;
    one.imgCharBack = c.imgCharBack;
    one.imgCharRight = c.imgCharRight;
    one.imgCharLeft = c.imgCharLeft;
    one.lblScore = c.lblScore;
    one.tmrLeft = c.tmrLeft;
    one.tmrRight = c.tmrRight;
    one.tmrArrowGrow = c.tmrArrowGrow;
    one.life = c.life;

    Player& two = players[1];
    two.ForgetControls();
    if (Players != 2) {
        // Alone, player 1 walks with A or Left and D or Right, fires with W, Up or Space and
        // gives up the power-up with S or Down; every pad plays as the arrow keys.
        one.keys = {{key::A, vk::Left},
                    {key::D, vk::Right},
                    {key::W, vk::Up, vk::Space},
                    {key::S, vk::Down}};
        Prog().SetPadPlayers(1, {PadKeys{}, PadKeys{}});
        return;
    }
    // Together, the first pad presses player 1's keys and the second player 2's.
    Prog().SetPadPlayers(2, {PadKeys{key::A, key::D, key::W, key::S}, PadKeys{}});
    one.keys = {{key::A, 0}, {key::D, 0}, {key::W, vk::Space, 0}, {key::S, 0}};
    two.keys = {{vk::Left, 0}, {vk::Right, 0}, {vk::Up, vk::Enter, 0}, {vk::Down, 0}};
    two.imgCharacter = Ctl<Image>("imgCharacter2");
    two.arrow = Ctl<Image>("arrow2");
    two.apwrup = Ctl<Image>("apwrup2");
    two.imgCharBack = Ctl<Image>("imgCharBack2");
    two.imgCharRight = Ctl<Image>("imgCharRight2");
    two.imgCharLeft = Ctl<Image>("imgCharLeft2");
    two.lblScore = Ctl<Label>("lblScore2");
    two.tmrLeft = Ctl<Timer>("tmrLeft2");
    two.tmrRight = Ctl<Timer>("tmrRight2");
    two.tmrArrowGrow = Ctl<Timer>("tmrArrowGrow2");
    two.life = Arr<Image>("life2");
    two.tmrLeft->onTimer = [this] { WalkLeft(players[1]); };
    two.tmrRight->onTimer = [this] { WalkRight(players[1]); };
    two.tmrArrowGrow->onTimer = [this] { GrowArrow(players[1]); };
}

void FrmGame::BindControls() {
    Controls& c = c_;
    c.cmdContinue = Ctl<Button>("cmdContinue");
    c.lblTimeBonusRemaining = Ctl<Label>("lblTimeBonusRemaining");
    c.lblTime = Ctl<Label>("lblTime");
    c.lblDouble = Ctl<Label>("lblDouble");
    c.lblBonus = Ctl<Label>("lblBonus");
    c.lblComplete = Ctl<Label>("lblComplete");
    c.lblLevel = Ctl<Label>("lblLevel");
    c.lblScore = Ctl<Label>("lblScore");
    c.lblCount = Ctl<Label>("lblCount");
    c.lblGamePaused = Ctl<Label>("lblGamePaused");
    c.BubblePic = Arr<Image>("BubblePic");
    c.pwrup = Arr<Image>("pwrup");
    c.hpwrup = Arr<Image>("hpwrup");
    c.life = Arr<Image>("life");
    c.shpSeam = Arr<Shape>("shpSeam");
    c.shpBlocker = Arr<Shape>("shpBlocker");
    c.pwrupslow = Ctl<Image>("pwrupslow");
    c.pwrupfast = Ctl<Image>("pwrupfast");
    c.pwrupwall = Ctl<Image>("pwrupwall");
    c.pwruplife = Ctl<Image>("pwruplife");
    c.arrowfast = Ctl<Image>("arrowfast");
    c.arrowwall = Ctl<Image>("arrowwall");
    c.regarrow = Ctl<Image>("regarrow");
    c.apwrup = Ctl<Image>("apwrup");
    c.imgCharacter = Ctl<Image>("imgCharacter");
    c.lifex = Ctl<Image>("lifex");
    c.ballgreens1 = Ctl<Image>("ballgreens1");
    c.ballgreens2 = Ctl<Image>("ballgreens2");
    c.ballgreens3 = Ctl<Image>("ballgreens3");
    c.ballgreens4 = Ctl<Image>("ballgreens4");
    c.ballreds4 = Ctl<Image>("ballreds4");
    c.ballreds3 = Ctl<Image>("ballreds3");
    c.ballreds2 = Ctl<Image>("ballreds2");
    c.ballreds1 = Ctl<Image>("ballreds1");
    c.arrow = Ctl<Image>("arrow");
    c.imgCharBack = Ctl<Image>("imgCharBack");
    c.imgCharRight = Ctl<Image>("imgCharRight");
    c.imgCharLeft = Ctl<Image>("imgCharLeft");
    c.shpDeathCircle = Ctl<Shape>("shpDeathCircle");
    c.shpBottom = Ctl<Shape>("shpBottom");
    c.tmrBonus = Ctl<Timer>("tmrBonus");
    c.tmrLevelStart = Ctl<Timer>("tmrLevelStart");
    c.tmrLeft = Ctl<Timer>("tmrLeft");
    c.tmrRight = Ctl<Timer>("tmrRight");
    c.tmrBubbleSize = Ctl<Timer>("tmrBubbleSize");
    c.tmrBubbles = Ctl<Timer>("tmrBubbles");
    c.tmrArrowGrow = Ctl<Timer>("tmrArrowGrow");
    c.mnuNew = Ctl<MenuItem>("mnuNew");
    c.mnuNewTwoPlayer = Ctl<MenuItem>("mnuNewTwoPlayer");
    c.mnuPause = Ctl<MenuItem>("mnuPause");
    c.mnuSound = Ctl<MenuItem>("mnuSound");
    c.mnuSound->Checked = Svc().SoundOn();
    c.mnuMusic = Ctl<MenuItem>("mnuMusic");
    c.mnuMusic->Checked = Svc().MusicOn();
    c.mnuExit = Ctl<MenuItem>("mnuExit");
    c.mnuInstructions = Ctl<MenuItem>("mnuInstructions");
    c.mnuAbout = Ctl<MenuItem>("mnuAbout");
    c.mnuHighScores = Ctl<MenuItem>("mnuHighScores");
    c.mnuReplays = Ctl<MenuItem>("mnuReplays");

    c.tmrBonus->onTimer = [this] { tmrBonus_Timer(); };
    c.tmrLevelStart->onTimer = [this] { tmrLevelStart_Timer(); };
    c.tmrLeft->onTimer = [this] { tmrLeft_Timer(); };
    c.tmrRight->onTimer = [this] { tmrRight_Timer(); };
    c.tmrBubbleSize->onTimer = [this] { tmrBubbleSize_Timer(); };
    c.tmrBubbles->onTimer = [this] { tmrBubbles_Timer(); };
    c.tmrArrowGrow->onTimer = [this] { tmrArrowGrow_Timer(); };
    c.cmdContinue->onClick = [this] { cmdContinue_Click(); };
    c.mnuNew->onClick = [this] { mnuNew_Click(); };
    c.mnuNewTwoPlayer->onClick = [this] { mnuNewTwoPlayer_Click(); };
    c.mnuPause->onClick = [this] { mnuPause_Click(); };
    c.mnuSound->onClick = [this] { mnuSound_Click(); };
    c.mnuMusic->onClick = [this] { mnuMusic_Click(); };
    c.mnuExit->onClick = [this] { mnuExit_Click(); };
    c.mnuInstructions->onClick = [this] { mnuInstructions_Click(); };
    c.mnuAbout->onClick = [this] { mnuAbout_Click(); };
    c.mnuHighScores->onClick = [this] { mnuHighScores_Click(); };
    c.mnuReplays->onClick = [this] { mnuReplays_Click(); };
    BindPlayers();
}

void FrmGame::UnbindControls() {
    c_ = Controls{};
    for (Player& p : players) p.ForgetControls();
}

std::vector<VarRef> FrmGame::Vars() {
    using T = VarRef::Type;
    if (Players == 2) {
        // A two-player game shows player 2's beside player 1's; a one-player game's list is as it
        // always was.
        std::vector<VarRef> v = OnePlayerVars();
        v.insert(v.begin() + 1, {T::I16, "Players", &Players});
        v.insert(v.begin() + 3, {T::I16, "Lives2", &players[1].Lives});
        v.insert(v.begin() + 6, {T::I32, "Score2", &players[1].Score});
        for (size_t i = 0; i < v.size(); ++i)
            if (v[i].name == "LifeLost") {
                v.insert(v.begin() + static_cast<long>(i) + 1,
                         {T::Bool16, "LifeLost2", &players[1].LifeLost});
                break;
            }
        v.push_back({T::Str, "Player2Name", &Player2Name});
        return v;
    }
    return OnePlayerVars();
}

std::vector<VarRef> FrmGame::OnePlayerVars() {
    using T = VarRef::Type;
    return {
        {T::I16, "ExtraLives", &ExtraLives},
        {T::I16, "Lives", &Lives},
        {T::I16, "Level", &Level},
        {T::I32, "Score", &Score},
        {T::Bool16, "Paused", &Paused},
        {T::I16, "LoopIndex", &LoopIndex},
        {T::I16, "CheckIndex", &CheckIndex},
        {T::I16, "BubbleIndex", &BubbleIndex},
        {T::I16, "SizeIndex", &SizeIndex},
        {T::I16, "ArrowBlockerIndex", &ArrowBlockerIndex},
        {T::I16, "BlockerIndex", &BlockerIndex},
        {T::I16, "PowerupIndex", &PowerupIndex},
        {T::I16, "HistoryIndex", &HistoryIndex},
        {T::I16, "Countdown", &Countdown},
        {T::Bool16, "LifeLost", &LifeLost},
        {T::Bool16, "Dying", &Dying},
        {T::I16, "TimeBonus", &TimeBonus},
        {T::I16, "LandingPeak", &LandingPeak},
        {T::Bool16, "Overlap", &Overlap},
        {T::Bool16, "LevelCleared", &LevelCleared},
    };
}

std::vector<RecordSet> FrmGame::Records() {
    using T = VarRef::Type;
    return {{"Bubbles", kBubbleRecords, [this](int i) {
                 BubbleState& r = Bubbles[i];
                 return std::vector<VarRef>{
                     {T::Str, "HorizontalDirection", &r.HorizontalDirection},
                     {T::I16, "Size", &r.Size},
                     {T::Str, "VerticalDirection", &r.VerticalDirection},
                     {T::I16, "PeakTop", &r.PeakTop},
                     {T::Str, "Colour", &r.Colour},
                 };
             }}};
}

std::map<std::string, std::function<void()>> FrmGame::Routines() {
    return {
        {"Form_Load", [this] { C(), Form_Load(); }},
        {"tmrLevelStart_Timer", [this] { C(), tmrLevelStart_Timer(); }},
        {"tmrBonus_Timer", [this] { C(), tmrBonus_Timer(); }},
        {"tmrBubbles_Timer", [this] { C(), tmrBubbles_Timer(); }},
        {"tmrBubbleSize_Timer", [this] { C(), tmrBubbleSize_Timer(); }},
        {"tmrArrowGrow_Timer", [this] { C(), tmrArrowGrow_Timer(); }},
        {"tmrLeft_Timer", [this] { C(), tmrLeft_Timer(); }},
        {"tmrRight_Timer", [this] { C(), tmrRight_Timer(); }},
        {"LevelComplete", [this] { C(), LevelComplete(); }},
        {"cmdContinue_Click", [this] { C(), cmdContinue_Click(); }},
        {"PauseGame", [this] { C(), PauseGame(); }},
        {"DropPowerup", [this] { C(), DropPowerup(BubbleIndex); }},
        {"GameOver", [this] { C(), GameOver(); }},
        {"mnuNew_Click", [this] { mnuNew_Click(); }},
        {"mnuNewTwoPlayer_Click", [this] { mnuNewTwoPlayer_Click(); }},
        {"mnuPause_Click", [this] { C(), mnuPause_Click(); }},
        {"mnuSound_Click", [this] { C(), mnuSound_Click(); }},
        {"mnuMusic_Click", [this] { C(), mnuMusic_Click(); }},
        {"mnuExit_Click", [this] { mnuExit_Click(); }},
        {"mnuInstructions_Click", [this] { C(), mnuInstructions_Click(); }},
        {"mnuAbout_Click", [this] { C(), mnuAbout_Click(); }},
        {"mnuHighScores_Click", [this] { C(), mnuHighScores_Click(); }},
        {"mnuReplays_Click", [this] { C(), mnuReplays_Click(); }},
    };
}

}  // namespace qbx
