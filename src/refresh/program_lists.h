// The auto-startup and favourite program lists: folders beside the program
// whose files are opened one by one or all at once.
#pragma once

#include <QObject>
#include <QStringList>

#include <optional>

namespace ostra {

class Dialogs;
class Files;
class Shell;
class SoundCue;

class ProgramLists : public QObject {
    Q_OBJECT
public:
    ProgramLists(Files& files, Shell& shell, Dialogs& dialogs, SoundCue& cue, QString programFolder,
                 QObject* parent = nullptr);

    QString startupFolder() const;
    QString favoriteFolder() const;

    // The entries of a list folder (regular visible files, sorted without
    // regard to case); reading makes the folder the current folder.
    std::optional<QStringList> read(const QString& folder);

    // Opens every auto-startup entry, without a cue.
    void runStartupList();
    // "Run all auto startup softwares ": the cue, then the list.
    void runStartupCommand();
    // "Run all my favorite softwares ".
    void runFavorites();
    // Reads the favourites and hands them to the drop-down.
    void fillFavorites();
    // A favourite chosen in the drop-down (empty name: none selected).
    void startFavorite(const QString& name);

signals:
    void favoritesChanged(const QStringList& names);

private:
    bool runAll(const QString& folder, bool cueAfterRead);

    Files& files_;
    Shell& shell_;
    Dialogs& dialogs_;
    SoundCue& cue_;
    QString folder_;
};

}  // namespace ostra
