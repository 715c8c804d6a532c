// The player's choices of sound and music on or off and of the full screen, remembered between runs
// in the user's configuration directory ($XDG_CONFIG_HOME/quibblix/quibblix.conf, by default under
// ~/.config).
#pragma once

#include <QString>
#include <string>

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

// The other choices the screens keep, as text by key (the name player 2 gave last).
class TextChoices {
public:
    TextChoices();
    std::string Read(const std::string& key) const;
    void Remember(const std::string& key, const std::string& value);

private:
    QString file_;
};

}  // namespace qbx
