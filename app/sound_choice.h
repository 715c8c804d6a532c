// The player's choice of sound on or off, remembered between runs in the user's configuration
// directory ($XDG_CONFIG_HOME/quibblix/quibblix.conf, by default under ~/.config).
#pragma once

#include <QString>

namespace qbx {

class SoundChoice {
public:
    SoundChoice();
    // On unless the player turned it off last time.
    bool On() const;
    void Remember(bool on);
    const QString& File() const { return file_; }

private:
    QString file_;
};

}  // namespace qbx
