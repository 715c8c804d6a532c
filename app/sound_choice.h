// The player's choices of sound and music on or off and of the full screen, remembered between runs
// in the user's configuration directory ($XDG_CONFIG_HOME/quibblix/quibblix.conf, by default under
// ~/.config).
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

// The music on or off, apart from the sound: on unless the player turned it off last time.
class MusicChoice {
public:
    MusicChoice();
    bool On() const;
    void Remember(bool on);

private:
    QString file_;
};

// Whether the windows fill the screen: off unless the player chose it last time.
class FullScreenChoice {
public:
    FullScreenChoice();
    bool On() const;
    void Remember(bool on);

private:
    QString file_;
};

}  // namespace qbx
