#include "refresh/list_editor.h"

#include "platform/dialogs.h"
#include "platform/shell.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QSet>
#include <QUrl>
#include <QVBoxLayout>

namespace ostra {

namespace {

QPushButton* makeButton(const QString& caption, const QString& tip, QWidget* parent) {
    auto* b = new QPushButton(caption, parent);
    b->setToolTip(tip);
    b->setAccessibleName(QString(caption).remove(QLatin1String("...")));
    b->setAccessibleDescription(tip);
    b->setAutoDefault(false);
    return b;
}

// The name an entry for `path` gets: its base name with any leading dots
// taken off, since a dot file would never show up in the list.
QString entryName(const QString& path) {
    QString name = QFileInfo(path).fileName();
    while (name.startsWith(QLatin1Char('.'))) name.remove(0, 1);
    return name;
}

// lstat-like: something (even a dangling link) stands at `path`.
bool taken(const QString& path) {
    const QFileInfo fi(path);
    return fi.exists() || fi.isSymLink();
}

QString quoted(const QString& name) { return QLatin1Char('"') + name + QLatin1Char('"'); }

}  // namespace

ListEditor::ListEditor(const QString& folder, const QString& title, Dialogs& dialogs, Shell& shell,
                       QWidget* parent)
    : QDialog(parent), folder_(QDir(folder).absolutePath()), dialogs_(dialogs), shell_(shell) {
    setWindowTitle(title);
    setAcceptDrops(true);
    resize(460, 340);
    QDir().mkpath(folder_);

    list_ = new QListWidget(this);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setAcceptDrops(false);  // drops anywhere go to the window
    list_->viewport()->setAcceptDrops(false);
    list_->setAccessibleName(QStringLiteral("Programs in this list"));
    list_->setToolTip(
        QStringLiteral("The programs in this list. Drop program files or menu entries here to add them."));
    list_->setAccessibleDescription(list_->toolTip());
    list_->installEventFilter(this);

    status_ = new QLabel(this);
    status_->setWordWrap(true);
    status_->setAccessibleName(QStringLiteral("Status"));
    status_->setToolTip(QStringLiteral("What the last change did"));

    auto* add = makeButton(QStringLiteral("Add..."),
                           QStringLiteral("Choose a program or a menu entry to add to this list"), this);
    delete_ = makeButton(
        QStringLiteral("Delete"),
        QStringLiteral("Delete the selected entries from this list; the programs themselves stay"), this);
    auto* open = makeButton(QStringLiteral("Open folder"),
                            QStringLiteral("Open this list's folder in the file manager"), this);
    auto* close = makeButton(QStringLiteral("Close"), QStringLiteral("Close this window"), this);
    close->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(add);
    buttons->addWidget(delete_);
    buttons->addWidget(open);
    buttons->addStretch(1);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_, 1);
    layout->addWidget(status_);
    layout->addLayout(buttons);

    connect(add, &QPushButton::clicked, this, &ListEditor::addFromPicker);
    connect(delete_, &QPushButton::clicked, this, &ListEditor::deleteSelected);
    connect(open, &QPushButton::clicked, this, [this] { shell_.open(folder_); });
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    connect(list_, &QListWidget::itemSelectionChanged, this, &ListEditor::updateButtons);

    watcher_ = new QFileSystemWatcher(this);
    connect(watcher_, &QFileSystemWatcher::directoryChanged, this, &ListEditor::reload);
    reload();
}

void ListEditor::reload() {
    if (watcher_->directories().isEmpty() && QFileInfo(folder_).isDir()) watcher_->addPath(folder_);

    QSet<QString> selected;
    for (const QListWidgetItem* item : list_->selectedItems()) selected.insert(item->text());

    // Regular visible files, links followed, in case-blind name order: the
    // list as it is run. Dangling links come along (System lists them) so
    // that they can be deleted; FIFOs, devices and sockets are left out.
    const QFileInfoList infos =
        QDir(folder_).entryInfoList(QDir::Files | QDir::System, QDir::Name | QDir::IgnoreCase);
    shown_.clear();
    list_->clear();
    for (const QFileInfo& fi : infos) {
        const bool dangling = fi.isSymLink() && !fi.exists();
        if (!fi.isFile() && !dangling) continue;
        shown_ << fi.fileName();
        auto* item = new QListWidgetItem(fi.fileName(), list_);
        if (dangling) {
            QFont f = item->font();
            f.setItalic(true);
            item->setFont(f);
            item->setToolTip(QStringLiteral("What this entry points to is missing; it is not started"));
        }
        item->setSelected(selected.contains(fi.fileName()));
    }
    updateButtons();
}

void ListEditor::updateButtons() { delete_->setEnabled(!list_->selectedItems().isEmpty()); }

void ListEditor::setStatus(const QString& text) { status_->setText(text); }

QString ListEditor::localPath(const QUrl& url) {
    if (!url.isLocalFile()) return {};
    const QString host = url.host();
    if (!host.isEmpty() && host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) != 0) return {};
    const QString path = url.path(QUrl::FullyDecoded);
    if (!path.startsWith(QLatin1Char('/'))) return {};
    return QDir::cleanPath(path);
}

QString ListEditor::refusal(const QString& path) const {
    const QFileInfo fi(path);
    if (fi.isDir()) return QStringLiteral("folders cannot be list entries");
    if (!fi.exists()) return QStringLiteral("it does not exist");
    if (!fi.isFile()) return QStringLiteral("it is not a regular file");
    if (entryName(path).isEmpty()) return QStringLiteral("it has no usable name");
    const QString here = QDir(folder_).canonicalPath();
    if (!here.isEmpty() && QDir(fi.absolutePath()).canonicalPath() == here)
        return QStringLiteral("it is already in this list");
    return {};
}

QString ListEditor::addEntry(const QString& source) {
    QString why;
    const QString name = link(source, why);
    setStatus(name.isEmpty() ? why : QStringLiteral("Added ") + quoted(name) + QLatin1Char('.'));
    return name;
}

QString ListEditor::link(const QString& source, QString& why) {
    const QString notAdded = quoted(QFileInfo(source).fileName()) + QStringLiteral(" was not added: ");
    if (const QString reason = refusal(source); !reason.isEmpty()) {
        why = notAdded + reason + QLatin1Char('.');
        return {};
    }
    QDir().mkpath(folder_);
    const QString target = QDir::cleanPath(QFileInfo(source).absoluteFilePath());
    const QString name = entryName(source);
    const QFileInfo parts(name);
    const QString base = parts.completeBaseName();
    const QString suffix = parts.suffix().isEmpty() ? QString() : QLatin1Char('.') + parts.suffix();
    for (int n = 1; n < 1000; ++n) {
        const QString candidate =
            n == 1 ? name : base + QStringLiteral(" (") + QString::number(n) + QLatin1Char(')') + suffix;
        const QString path = QDir(folder_).filePath(candidate);
        if (taken(path)) continue;
        // QFile::link never replaces what exists; lost a race: next name.
        if (QFile::link(target, path)) {
            reload();
            return candidate;
        }
        if (!taken(path)) break;
    }
    why = notAdded + QStringLiteral("the list folder cannot be written.");
    return {};
}

void ListEditor::addFromPicker() {
    const std::optional<QString> picked = dialogs_.openFile(windowTitle(), QString(), folder_);
    if (picked && !picked->isEmpty()) addEntry(*picked);
}

void ListEditor::deleteSelected() {
    QStringList failed;
    for (const QListWidgetItem* item : list_->selectedItems()) {
        const QString path = QDir(folder_).filePath(item->text());
        const QFileInfo fi(path);
        bool ok = false;
        if (fi.isSymLink()) {
            ok = QFile::remove(path);  // the link only, never what it points to
        } else if (fi.isFile()) {
            // A file put here by hand is the only copy: ask first. (Not the
            // trash: Qt 6.4 moves the file below the current folder when it
            // cannot set up a trash folder.)
            if (dialogs_.confirm(
                    quoted(item->text()) +
                    QStringLiteral(" is a file of its own, not a link to a program. Delete it for good?")) !=
                Answer::Yes)
                continue;
            ok = QFile::remove(path);
        } else {
            ok = !taken(path);  // already gone
        }
        if (!ok) failed << quoted(item->text());
    }
    reload();
    setStatus(failed.isEmpty() ? QString()
                               : QStringLiteral("Could not delete ") + failed.join(QStringLiteral(", ")) +
                                     QStringLiteral("; use Open folder to remove it by hand."));
}

bool ListEditor::acceptAction(QDropEvent* event) {
    // Link or copy, never move: a move would make the source delete the file
    // that the new entry points to.
    if (event->possibleActions() & Qt::LinkAction)
        event->setDropAction(Qt::LinkAction);
    else if (event->possibleActions() & Qt::CopyAction)
        event->setDropAction(Qt::CopyAction);
    else
        return false;
    return true;
}

void ListEditor::dragEnterEvent(QDragEnterEvent* event) {
    bool usable = false;
    for (const QUrl& url : event->mimeData()->urls()) {
        const QString path = localPath(url);
        usable = usable || (!path.isEmpty() && refusal(path).isEmpty());
    }
    if (usable && acceptAction(event))
        event->accept();
    else
        event->ignore();
}

void ListEditor::dragMoveEvent(QDragMoveEvent* event) {
    if (acceptAction(event))
        event->accept();
    else
        event->ignore();
}

void ListEditor::dropEvent(QDropEvent* event) {
    if (!acceptAction(event)) {
        event->ignore();
        return;
    }
    QStringList added, refused;
    for (const QUrl& url : event->mimeData()->urls()) {
        const QString path = localPath(url);
        if (path.isEmpty()) {
            refused << quoted(url.toDisplayString()) + QStringLiteral(" was not added: it is not a local file.");
            continue;
        }
        QString why;
        const QString name = link(path, why);
        if (!name.isEmpty())
            added << quoted(name);
        else
            refused << why;
    }
    QStringList lines;
    if (!added.isEmpty()) lines << QStringLiteral("Added ") + added.join(QStringLiteral(", ")) + QLatin1Char('.');
    lines << refused;
    setStatus(lines.join(QLatin1Char('\n')));
    if (added.isEmpty())
        event->ignore();
    else
        event->accept();
}

bool ListEditor::eventFilter(QObject* watched, QEvent* event) {
    if (watched == list_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        deleteSelected();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace ostra
