// Sound cues through the desktop's sound server. The cues are played by a
// small helper program beside the executable (ostra-cue, libcanberra),
// started at a cue and let go after a quiet spell, so the sound server's
// libraries are never loaded into the program itself.
#pragma once

#include "platform/sound_player.h"

#include <QString>
#include <QTimer>

class QProcess;

namespace ostra {

class LinuxSoundPlayer : public SoundPlayer {
public:
    static constexpr const char* kHelperName = "ostra-cue";
    // How long the helper stays after the last cue was asked for; then its
    // input is closed and it ends once that cue has finished.
    static constexpr int kDefaultIdleCloseMs = 10'000;

    // `helperPath` empty: kHelperName in the executable's folder.
    explicit LinuxSoundPlayer(QString helperPath = QString(), int idleCloseMs = kDefaultIdleCloseMs);
    ~LinuxSoundPlayer() override;
    LinuxSoundPlayer(const LinuxSoundPlayer&) = delete;
    LinuxSoundPlayer& operator=(const LinuxSoundPlayer&) = delete;

    // As SoundPlayer::play. Without a helper that starts, no sound.
    void play(const QString& path) override;

    // Whether a helper takes cues now.
    bool isOpen() const { return current_ != nullptr; }
    QString helperPath() const { return helper_; }

private:
    void letGo();

    const QString helper_;
    // The helper taking cues, and the one let go that may still be
    // finishing its last cue.
    QProcess* current_ = nullptr;
    QProcess* leaving_ = nullptr;
    QTimer idle_;
};

}  // namespace ostra
