// Reading and keeping the player's choices.
#include "sound_choice.h"

#include <QSettings>
#include <QStandardPaths>

namespace qbx {

namespace {
constexpr const char* kKey = "sound/on";
constexpr const char* kFullScreenKey = "window/fullscreen";
constexpr const char* kMusicKey = "sound/music";

QString SettingsFile() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           "/quibblix/quibblix.conf";
}

void Keep(const QString& file, const char* key, bool on) {
    QSettings settings(file, QSettings::IniFormat);
    settings.setValue(key, on);
    settings.sync();
}
}  // namespace

SoundChoice::SoundChoice() : file_(SettingsFile()) {}

bool SoundChoice::On() const {
    return QSettings(file_, QSettings::IniFormat).value(kKey, true).toBool();
}

void SoundChoice::Remember(bool on) {
    Keep(file_, kKey, on);
}

MusicChoice::MusicChoice() : file_(SettingsFile()) {}

bool MusicChoice::On() const {
    return QSettings(file_, QSettings::IniFormat).value(kMusicKey, true).toBool();
}

void MusicChoice::Remember(bool on) {
    Keep(file_, kMusicKey, on);
}

FullScreenChoice::FullScreenChoice() : file_(SettingsFile()) {}

bool FullScreenChoice::On() const {
    return QSettings(file_, QSettings::IniFormat).value(kFullScreenKey, false).toBool();
}

void FullScreenChoice::Remember(bool on) {
    Keep(file_, kFullScreenKey, on);
}

TextChoices::TextChoices() : file_(SettingsFile()) {}

std::string TextChoices::Read(const std::string& key) const {
    return QSettings(file_, QSettings::IniFormat)
        .value(QString::fromStdString(key))
        .toString()
        .toStdString();
}

void TextChoices::Remember(const std::string& key, const std::string& value) {
    QSettings settings(file_, QSettings::IniFormat);
    settings.setValue(QString::fromStdString(key), QString::fromStdString(value));
    settings.sync();
}

}  // namespace qbx
