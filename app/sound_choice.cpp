// Reading and keeping the sound choice.
#include "sound_choice.h"

#include <QSettings>
#include <QStandardPaths>

namespace qbx {

namespace {
constexpr const char* kKey = "sound/on";
}

SoundChoice::SoundChoice()
    : file_(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
            "/quibblix/quibblix.conf") {}

bool SoundChoice::On() const {
    return QSettings(file_, QSettings::IniFormat).value(kKey, true).toBool();
}

void SoundChoice::Remember(bool on) {
    QSettings settings(file_, QSettings::IniFormat);
    settings.setValue(kKey, on);
    settings.sync();
}

}  // namespace qbx
