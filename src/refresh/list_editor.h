// The window in which the user edits one program list folder ("startup" or
// "favorite"): the entries are shown as the program reads them, files and
// desktop entries dropped from a file manager or an application menu (or
// picked with "Add...") become entries, and selected entries are deleted.
//
// An added entry is always a symbolic link to what was dropped, desktop
// entries included, never a copy: the list then follows updates of the
// program or of its menu entry, and deleting the entry only removes the link.
// A link whose target has gone away is still shown (in italics) so that the
// user can delete it, although the program no longer starts it.
//
// The dialog only changes the folder; the caller re-reads the list after
// exec() returns, however the window was closed.
#pragma once

#include <QDialog>
#include <QStringList>

class QFileSystemWatcher;
class QLabel;
class QListWidget;
class QPushButton;
class QUrl;

namespace ostra {

class Dialogs;
class Shell;

class ListEditor : public QDialog {
    Q_OBJECT
public:
    // `folder` is created when missing; `title` is the window title as is.
    ListEditor(const QString& folder, const QString& title, Dialogs& dialogs, Shell& shell,
               QWidget* parent = nullptr);

    QString folder() const { return folder_; }
    // The names shown, in their order (the run list plus dangling links).
    QStringList entries() const { return shown_; }

    // Makes `source` (a local regular file or desktop entry) an entry of the
    // folder under its own name, or under "name (2).ext", "name (3).ext", ...
    // when the name is taken. Returns the entry's name, or an empty string
    // with the reason in the status line when it was refused.
    QString addEntry(const QString& source);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void reload();
    // addEntry() without the status line: the entry's name, or an empty
    // string and the reason in `why`.
    QString link(const QString& source, QString& why);
    void addFromPicker();
    void deleteSelected();
    void updateButtons();
    void setStatus(const QString& text);
    // The local path a dropped address names, or an empty string.
    static QString localPath(const QUrl& url);
    // Why `path` cannot become an entry, or an empty string when it can.
    QString refusal(const QString& path) const;
    static bool acceptAction(QDropEvent* event);

    QString folder_;
    Dialogs& dialogs_;
    Shell& shell_;
    QStringList shown_;
    QListWidget* list_;
    QLabel* status_;
    QPushButton* delete_;
    QFileSystemWatcher* watcher_;
};

}  // namespace ostra
