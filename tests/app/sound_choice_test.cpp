// The sound choice outlives the program, and the window's Sound command shows it.
#include "app/sound_choice.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QFile>
#include <QTemporaryDir>

#include "backends/qt/qt_services.h"
#include "forms/quibblix.h"

namespace qbx {
namespace {

TEST(SoundChoice, TheChoiceIsKeptInTheUsersConfigurationBetweenRuns) {
    QTemporaryDir config;
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    EXPECT_TRUE(SoundChoice().On());  // nothing chosen yet
    SoundChoice().Remember(false);
    EXPECT_EQ(SoundChoice().File(), config.path() + "/quibblix/quibblix.conf");
    EXPECT_TRUE(QFile::exists(config.path() + "/quibblix/quibblix.conf"));
    EXPECT_FALSE(SoundChoice().On());  // as the next run reads it
    SoundChoice().Remember(true);
    EXPECT_TRUE(SoundChoice().On());
    qputenv("XDG_CONFIG_HOME", saved);
}

TEST(SoundChoice, TheSoundCommandTurnsItOffAndOnAndTheProgramIsTold) {
    QtServices svc;
    Quibblix app(svc);
    svc.Attach(app.program);
    std::vector<bool> told;
    svc.OnSoundChanged([&told](bool on) { told.push_back(on); });
    svc.Dispatch([&app] { app.menu.cmdPlay_Click(); });
    QAction* sound = svc.ViewOf(app.game)->ActionFor("mnuSound");
    ASSERT_NE(sound, nullptr);
    EXPECT_TRUE(sound->isCheckable());
    EXPECT_TRUE(sound->isChecked());
    sound->trigger();
    EXPECT_FALSE(svc.SoundOn());
    EXPECT_FALSE(sound->isChecked());
    sound->trigger();
    EXPECT_TRUE(sound->isChecked());
    EXPECT_EQ(told, (std::vector<bool>{false, true}));
    EXPECT_FALSE(app.game.Paused);
    app.game.Lives = 0;  // so that unloading the screen does not end the program
    svc.Dispatch([&app] { app.game.Unload(); });
}

}  // namespace
}  // namespace qbx
