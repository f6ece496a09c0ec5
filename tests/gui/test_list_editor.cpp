// The program-list editor on a real temporary folder: what it lists, drops
// of files, desktop entries, folders and remote addresses, deleting links
// and hand-placed files, "Add..." through the file picker and "Open folder".
#include "platform/dialogs.h"
#include "platform/shell.h"
#include "refresh/list_editor.h"

#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

using ostra::Answer;
using Editor = ostra::ListEditor;

namespace {

const QString kTitle = QStringLiteral("Drag the software icon in this window to be in the startup list");

struct PickerCall {
    QString title, filter, initialDir;
};

class PickerDialogs : public ostra::Dialogs {
public:
    std::optional<QString> answer;
    QList<PickerCall> calls;
    void message(const QString&) override {}
    void error(const QString&) override {}
    Answer confirmAnswer = Answer::No;
    QStringList confirmed;
    Answer confirm(const QString& text) override {
        confirmed << text;
        return confirmAnswer;
    }
    bool ask(const QString&, const QString&, const QString&) override { return false; }
    std::optional<QString> openFile(const QString& title, const QString& filter, const QString& dir) override {
        calls.append({title, filter, dir});
        return answer;
    }
    std::optional<QString> saveFile(const QString&, const QString&, const QString&) override { return std::nullopt; }
};

class RecordingShell : public ostra::Shell {
public:
    QStringList opened;
    bool open(const QString& what) override {
        opened << what;
        return true;
    }
};

void writeFile(const QString& path, const QByteArray& data = "x") {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write(data);
}

QStringList shownItems(Editor& e) {
    QStringList out;
    auto* list = e.findChild<QListWidget*>();
    for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
    return out;
}

QPushButton* button(Editor& e, const QString& caption) {
    for (QPushButton* b : e.findChildren<QPushButton*>())
        if (b->text() == caption) return b;
    return nullptr;
}

// Drag enter then drop of `urls` on the window; whether each was accepted.
std::pair<bool, bool> drop(Editor& e, const QList<QUrl>& urls,
                           Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction) {
    QMimeData mime;
    mime.setUrls(urls);
    QDragEnterEvent enter(QPoint(20, 20), actions, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&e, &enter);
    QDropEvent dropped(QPointF(20, 20), actions, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&e, &dropped);
    if (dropped.isAccepted()) {
        EXPECT_NE(dropped.dropAction(), Qt::MoveAction);  // never deletes the source
    }
    return {enter.isAccepted(), dropped.isAccepted()};
}

class ListEditor : public ::testing::Test {
protected:
    QTemporaryDir tmp;
    QString folder = tmp.filePath(QStringLiteral("startup"));
    QString targets = tmp.filePath(QStringLiteral("targets"));
    PickerDialogs dialogs;
    RecordingShell shell;

    void SetUp() override {
        ASSERT_TRUE(tmp.isValid());
        ASSERT_TRUE(QDir().mkpath(folder));
        ASSERT_TRUE(QDir().mkpath(targets));
    }
    QString in(const QString& name) const { return QDir(folder).filePath(name); }
    QString target(const QString& name) const { return QDir(targets).filePath(name); }
};

TEST_F(ListEditor, ListsTheRunListInCaseBlindOrderAndFollowsTheFolder) {
    writeFile(in(QStringLiteral("b.lnk")));
    writeFile(in(QStringLiteral("c.txt")));
    writeFile(in(QStringLiteral("A.exe")));
    writeFile(in(QStringLiteral(".desktop.ini")));
    ASSERT_TRUE(QDir().mkpath(in(QStringLiteral("Sub"))));
    writeFile(target(QStringLiteral("tool")));
    ASSERT_TRUE(QFile::link(target(QStringLiteral("tool")), in(QStringLiteral("D tool"))));
    ASSERT_TRUE(QFile::link(targets, in(QStringLiteral("dirlink"))));          // a folder behind a link
    ASSERT_TRUE(QFile::link(target(QStringLiteral("gone")), in(QStringLiteral("Erased"))));  // dangling

    Editor e(folder, kTitle, dialogs, shell);
    EXPECT_EQ(e.windowTitle(), kTitle);
    const QStringList expected = {QStringLiteral("A.exe"), QStringLiteral("b.lnk"), QStringLiteral("c.txt"),
                                  QStringLiteral("D tool"), QStringLiteral("Erased")};
    EXPECT_EQ(e.entries(), expected);
    EXPECT_EQ(shownItems(e), expected);
    auto* list = e.findChild<QListWidget*>();
    EXPECT_FALSE(list->accessibleName().isEmpty());
    EXPECT_TRUE(list->item(4)->font().italic());  // the dangling link is marked, the others are not
    EXPECT_FALSE(list->item(3)->font().italic());
    for (QPushButton* b : e.findChildren<QPushButton*>()) {
        EXPECT_FALSE(b->accessibleName().isEmpty()) << b->text().toStdString();
        EXPECT_FALSE(b->toolTip().isEmpty()) << b->text().toStdString();
    }

    // A change made behind the editor's back shows up by itself.
    writeFile(in(QStringLiteral("aa.sh")));
    QFile::remove(in(QStringLiteral("c.txt")));
    EXPECT_TRUE(QTest::qWaitFor([&] {
        return shownItems(e) == QStringList{QStringLiteral("A.exe"), QStringLiteral("aa.sh"), QStringLiteral("b.lnk"),
                                            QStringLiteral("D tool"), QStringLiteral("Erased")};
    }, 10000)) << shownItems(e).join(QLatin1Char('|')).toStdString();
}

TEST_F(ListEditor, DropsAddLinksUnderFreeNamesRefusesTheRestAndDeleteKeepsTargets) {
    const QString app = target(QStringLiteral("app"));
    const QString entry = target(QStringLiteral("org.example.Viewer.desktop"));
    const QString otherApp = QDir(tmp.filePath(QStringLiteral("other"))).filePath(QStringLiteral("app"));
    const QString hidden = target(QStringLiteral(".hidden-tool"));
    writeFile(app, "#!/bin/sh\n");
    writeFile(entry, "[Desktop Entry]\nType=Application\nName=Viewer\nExec=true\n");
    writeFile(hidden);
    ASSERT_TRUE(QDir().mkpath(QFileInfo(otherApp).path()));
    writeFile(otherApp);
    writeFile(in(QStringLiteral("app")), "by hand");  // a real file already holds the name

    Editor e(QDir(folder).filePath(QStringLiteral("..")) + QStringLiteral("/startup"), kTitle, dialogs, shell);
    EXPECT_TRUE(e.acceptDrops());

    // A folder, a remote address, a missing file: refused at the door and on drop.
    EXPECT_EQ(drop(e, {QUrl::fromLocalFile(targets)}), std::make_pair(false, false));
    EXPECT_EQ(drop(e, {QUrl(QStringLiteral("http://127.0.0.1/x.desktop"))}), std::make_pair(false, false));
    EXPECT_EQ(drop(e, {QUrl(QStringLiteral("file://otherhost") + app)}), std::make_pair(false, false));
    EXPECT_EQ(drop(e, {QUrl::fromLocalFile(target(QStringLiteral("missing")))}), std::make_pair(false, false));
    // Only "move" on offer: taking it would let the source delete the file.
    EXPECT_EQ(drop(e, {QUrl::fromLocalFile(app)}, Qt::MoveAction), std::make_pair(false, false));
    EXPECT_EQ(e.entries(), QStringList{QStringLiteral("app")});

    // Files and desktop entries become links; clashes get "name (n).ext";
    // the folder in a mixed drop is left out.
    EXPECT_EQ(drop(e, {QUrl::fromLocalFile(app), QUrl::fromLocalFile(entry), QUrl::fromLocalFile(targets),
                       QUrl::fromLocalFile(otherApp), QUrl::fromLocalFile(entry), QUrl::fromLocalFile(hidden)}),
              std::make_pair(true, true));
    const QStringList expected = {QStringLiteral("app"), QStringLiteral("app (2)"), QStringLiteral("app (3)"),
                                  QStringLiteral("hidden-tool"), QStringLiteral("org.example.Viewer (2).desktop"),
                                  QStringLiteral("org.example.Viewer.desktop")};
    EXPECT_EQ(shownItems(e), expected);
    EXPECT_EQ(QFileInfo(in(QStringLiteral("app (2)"))).symLinkTarget(), app);
    EXPECT_EQ(QFileInfo(in(QStringLiteral("app (3)"))).symLinkTarget(), otherApp);
    EXPECT_EQ(QFileInfo(in(QStringLiteral("org.example.Viewer.desktop"))).symLinkTarget(), entry);
    EXPECT_EQ(QFileInfo(in(QStringLiteral("org.example.Viewer (2).desktop"))).symLinkTarget(), entry);
    EXPECT_EQ(QFileInfo(in(QStringLiteral("hidden-tool"))).symLinkTarget(), hidden);
    EXPECT_FALSE(QDir(folder).exists(QStringLiteral("targets")));
    // Dropping an entry of the list onto the list adds nothing.
    EXPECT_EQ(drop(e, {QUrl::fromLocalFile(in(QStringLiteral("app (2)")))}), std::make_pair(false, false));
    EXPECT_EQ(shownItems(e), expected);

    // Delete key on two links and the hand-placed file: the links go without
    // a question, their targets stay untouched; the file only goes on "Yes".
    auto* list = e.findChild<QListWidget*>();
    auto* del = button(e, QStringLiteral("Delete"));
    list->clearSelection();
    EXPECT_FALSE(del->isEnabled());
    for (int row : {0, 1, 5}) list->item(row)->setSelected(true);  // app, app (2) -> app, *.desktop -> entry
    QTest::keyClick(list, Qt::Key_Delete);
    ASSERT_EQ(dialogs.confirmed.size(), 1);
    EXPECT_TRUE(dialogs.confirmed[0].startsWith(QStringLiteral("\"app\" ")));
    const QStringList left = {QStringLiteral("app"), QStringLiteral("app (3)"), QStringLiteral("hidden-tool"),
                              QStringLiteral("org.example.Viewer (2).desktop")};
    EXPECT_EQ(shownItems(e), left);
    QFile appFile(app), entryFile(entry);
    ASSERT_TRUE(appFile.open(QIODevice::ReadOnly));
    EXPECT_EQ(appFile.readAll(), QByteArray("#!/bin/sh\n"));
    ASSERT_TRUE(entryFile.open(QIODevice::ReadOnly));
    EXPECT_TRUE(entryFile.readAll().startsWith("[Desktop Entry]"));

    // "Add..." asks the picker on the list folder and adds like a drop; a
    // cancelled picker adds nothing.
    dialogs.answer = target(QStringLiteral("org.example.Viewer.desktop"));
    QTest::mouseClick(button(e, QStringLiteral("Add...")), Qt::LeftButton);
    dialogs.answer.reset();
    QTest::mouseClick(button(e, QStringLiteral("Add...")), Qt::LeftButton);
    ASSERT_EQ(dialogs.calls.size(), 2);
    EXPECT_EQ(dialogs.calls[0].title, kTitle);
    EXPECT_EQ(dialogs.calls[0].filter, QString());
    EXPECT_EQ(QFileInfo(dialogs.calls[0].initialDir).canonicalFilePath(), QFileInfo(folder).canonicalFilePath());
    EXPECT_EQ(shownItems(e), left + QStringList{QStringLiteral("org.example.Viewer.desktop")});

    // "Open folder" hands exactly the folder to the desktop.
    QTest::mouseClick(button(e, QStringLiteral("Open folder")), Qt::LeftButton);
    EXPECT_EQ(shell.opened, QStringList{QDir::cleanPath(folder)});

    dialogs.confirmAnswer = Answer::Yes;
    list->clearSelection();
    list->item(0)->setSelected(true);
    QTest::mouseClick(del, Qt::LeftButton);
    EXPECT_FALSE(QFileInfo::exists(in(QStringLiteral("app"))));
    EXPECT_EQ(shownItems(e).first(), QStringLiteral("app (3)"));
}

}  // namespace
