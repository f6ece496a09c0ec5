#include "refresh/program_lists.h"

#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/shell.h"
#include "sound/sound_cue.h"

namespace ostra {

ProgramLists::ProgramLists(Files& files, Shell& shell, Dialogs& dialogs, SoundCue& cue, QString programFolder,
                           QObject* parent)
    : QObject(parent),
      files_(files),
      shell_(shell),
      dialogs_(dialogs),
      cue_(cue),
      folder_(std::move(programFolder)) {}

QString ProgramLists::startupFolder() const { return folder_ + QStringLiteral("/startup"); }
QString ProgramLists::favoriteFolder() const { return folder_ + QStringLiteral("/favorite"); }

std::optional<QStringList> ProgramLists::read(const QString& folder) {
    std::optional<QStringList> names = files_.listFolder(folder);
    if (names) files_.setCurrentFolder(folder);
    return names;
}

bool ProgramLists::runAll(const QString& folder, bool cueAfterRead) {
    std::optional<QStringList> names = read(folder);
    if (!names) {
        dialogs_.error(QStringLiteral("Cannot read the folder %1.").arg(folder));
        return false;
    }
    if (cueAfterRead) cue_.play("click.wav");
    for (const QString& name : *names) shell_.open(folder + QLatin1Char('/') + name);
    return true;
}

void ProgramLists::runStartupList() { runAll(startupFolder(), false); }

void ProgramLists::runStartupCommand() {
    cue_.play("click.wav");
    runStartupList();
}

void ProgramLists::runFavorites() { runAll(favoriteFolder(), true); }

void ProgramLists::fillFavorites() { emit favoritesChanged(read(favoriteFolder()).value_or(QStringList())); }

void ProgramLists::startFavorite(const QString& name) {
    cue_.play("click.wav");
    if (name.isEmpty()) return;
    const QString folder = favoriteFolder();
    files_.setCurrentFolder(folder);
    shell_.open(folder + QLatin1Char('/') + name);
}

}  // namespace ostra
