#include "platform/linux/linux_sound_player.h"

#include "platform/linux/beside_executable.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <algorithm>

namespace ostra {

namespace {

// Ends a helper and frees it: a cue of its still playing is cut off.
void endNow(QProcess*& p) {
    if (!p) return;
    p->disconnect();
    if (p->state() != QProcess::NotRunning) {
        p->kill();
        p->waitForFinished(1000);
    }
    delete p;
    p = nullptr;
}

}  // namespace

LinuxSoundPlayer::LinuxSoundPlayer(QString helperPath, int idleCloseMs)
    : helper_(helperPath.isEmpty() ? besideExecutable(kHelperName) : std::move(helperPath)) {
    idle_.setSingleShot(true);
    idle_.setInterval(std::max(1, idleCloseMs));
    idle_.callOnTimeout([this] { letGo(); });
}

LinuxSoundPlayer::~LinuxSoundPlayer() {
    endNow(leaving_);
    endNow(current_);
}

void LinuxSoundPlayer::letGo() {
    if (!current_) return;
    // The helper ends by itself once its last cue has finished.
    endNow(leaving_);
    leaving_ = current_;
    current_ = nullptr;
    leaving_->disconnect();
    leaving_->closeWriteChannel();
    QObject::connect(leaving_, &QProcess::finished, leaving_, [this] {
        leaving_->deleteLater();
        leaving_ = nullptr;
    });
}

void LinuxSoundPlayer::play(const QString& path) {
    // A helper that died (crashed, killed) takes no more cues: the next cue
    // goes to a new one, however closely the cues follow each other.
    if (current_ && current_->state() != QProcess::Running) endNow(current_);
    if (!current_) {
        // One cue at a time: a helper let go but still sounding stops here.
        endNow(leaving_);
        current_ = new QProcess;
        current_->setProgram(helper_);
        // It only ever reads: its output goes where the program's goes.
        current_->setProcessChannelMode(QProcess::ForwardedChannels);
        current_->start(QIODevice::ReadWrite);
        if (!current_->waitForStarted(2000)) {
            qWarning("ostra: cannot start %s: %s", qPrintable(helper_), qPrintable(current_->errorString()));
            endNow(current_);
            return;
        }
        QProcess* const started = current_;
        QObject::connect(started, &QProcess::finished, started, [this, started] {
            if (current_ != started) return;
            current_ = nullptr;
            started->deleteLater();
        });
    }
    // The path as the file system spells it; a missing or unreadable file
    // is the helper's to notice (it plays the bell).
    const QFileInfo fi(path);
    QByteArray line = path.isEmpty() ? QByteArray() : QFile::encodeName(fi.absoluteFilePath());
    line.append('\0');
    current_->write(line);
    // Into the pipe now, not at the next turn of the event loop: a path is
    // far smaller than the pipe, so this does not wait.
    current_->waitForBytesWritten(200);
    idle_.start();
}

}  // namespace ostra
