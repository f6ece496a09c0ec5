// The RES list on the real main window: entries as the load changes, the
// count display, the two start-point commands with their questions and
// error box, and the report file.
#include "app_harness.h"

#include "app/main_window.h"
#include "ui/lednumber.h"
#include "ui/twostateswitch.h"

#include <QSignalSpy>
#include <algorithm>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>

using namespace ostra;
using namespace ostra::testing;

TEST(History, EntriesCountStartPointCommandsAndReport) {
    AppHarness h;
    h.fp.loads = {40};
    h.start();
    auto* box = h.mainControl<QCheckBox>("CheckBox1");
    auto* combo = h.mainControl<QComboBox>("ComboBox1");
    auto* count = h.mainControl<ui::LedNumber>("LMDLEDLabel1");
    auto* start = h.mainControl<QLabel>("Label22");
    auto* sinceStart = h.mainControl<QLabel>("Label27");
    ASSERT_TRUE(box && combo && count && start && sinceStart);
    EXPECT_EQ(combo->currentText(), QStringLiteral("See Res. "));

    // Ticking the box makes every change of the load an entry.
    box->click();
    for (int load : {47, 52, 52, 5}) {
        h.fp.loads = {load};
        h.monitorTimer().fire();
    }
    ASSERT_EQ(combo->count(), 3);
    EXPECT_EQ(combo->itemText(0), QStringLiteral("40% [0] DATETIME:00:00:00"));
    EXPECT_EQ(combo->itemText(1), QStringLiteral("47% [1] DATETIME:00:00:00"));
    EXPECT_EQ(combo->itemText(2), QStringLiteral("52% [2] DATETIME:00:00:00"));
    EXPECT_EQ(count->value(), 3);

    // "Move to the start point" without a selection: the error box, nothing moved.
    h.fp.sounds.clear();
    clickButton(h.mainControl<QAbstractButton>("RxSpeedButton1"));
    ASSERT_EQ(h.fp.fakeDialogs.shown.size(), 2u);
    EXPECT_EQ(h.fp.fakeDialogs.shown[0].text,
              QStringLiteral("Will you move to the start point you selected in the RES LIST?"));
    EXPECT_EQ(h.fp.fakeDialogs.shown[1].kind, QStringLiteral("error"));
    EXPECT_EQ(h.fp.fakeDialogs.shown[1].text, QStringLiteral("'' is not a valid integer value."));
    EXPECT_EQ(start->text(), QStringLiteral("40%"));
    EXPECT_EQ(h.fp.sounds, QStringList{h.cue("click.wav")});

    // With an entry above the load: the whole entry shown, the tick at once.
    combo->setCurrentIndex(2);
    h.fp.fakeDialogs.shown.clear();
    clickButton(h.mainControl<QAbstractButton>("RxSpeedButton1"));
    EXPECT_EQ(start->text(), QStringLiteral("52% [2] DATETIME:00:00:00"));
    EXPECT_EQ(sinceStart->text(), QStringLiteral("-47%"));
    EXPECT_EQ(h.app->monitor().figures().startLoad, 52);
    EXPECT_EQ(count->value(), 3);  // the list itself is not changed

    // "View the RES list report": the list as "res.txt", opened.
    clickButton(h.mainControl<QAbstractButton>("RxSpeedButton12"));
    QFile report(h.dir.filePath(QStringLiteral("res.txt")));
    ASSERT_TRUE(report.open(QIODevice::ReadOnly));
    EXPECT_EQ(report.readAll(), QByteArray("40% [0] DATETIME:00:00:00\r\n47% [1] DATETIME:00:00:00\r\n"
                                           "52% [2] DATETIME:00:00:00\r\n"));
    EXPECT_EQ(h.fp.opened, QStringList{report.fileName()});

    // "Refresh Start Res" answered No changes nothing, not even the count.
    h.fp.fakeDialogs.answers = {Answer::No};
    clickButton(h.mainControl<QAbstractButton>("RxSpeedButton10"));
    EXPECT_EQ(combo->count(), 3);
    EXPECT_EQ(start->text(), QStringLiteral("52% [2] DATETIME:00:00:00"));
    // Yes: the start point from a fresh reading, the list and its text empty.
    h.fp.loads = {61};
    h.fp.fakeDialogs.answers = {Answer::Yes};
    clickButton(h.mainControl<QAbstractButton>("RxSpeedButton10"));
    EXPECT_EQ(combo->count(), 0);
    EXPECT_EQ(combo->currentText(), QString());
    EXPECT_EQ(count->value(), 0);
    EXPECT_EQ(start->text(), QStringLiteral("61%"));
}

// Every control of the main window that carries a hint runs exactly one
// command, through that command's action (the one its hint names).
TEST(Commands, EveryHintedButtonAndSwitchTriggersItsAction) {
    AppHarness h;
    h.start();
    ModalCloser closer;
    h.fp.fakeDialogs.answers = std::deque<Answer>(64, Answer::No);
    QList<QAction*> actions = h.app->actions().all();
    QWidgetList controls;
    for (QWidget* w : h.main().findChildren<QWidget*>()) {
        if ((qobject_cast<QAbstractButton*>(w) || qobject_cast<ui::TwoStateSwitch*>(w)) &&
            w->objectName() != QLatin1String("CheckBox1"))
            controls << w;
    }
    // Closing goes last: it ends the program's window.
    std::stable_partition(controls.begin(), controls.end(),
                          [](QWidget* w) { return w->objectName() != QLatin1String("RxSpeedButton3"); });
    ASSERT_GE(controls.size(), 28);
    for (QWidget* w : controls) {
        SCOPED_TRACE(w->objectName().toStdString());
        std::vector<std::unique_ptr<QSignalSpy>> spies;
        for (QAction* a : actions) spies.push_back(std::make_unique<QSignalSpy>(a, &QAction::triggered));
        QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, w->rect().center());
        QStringList fired;
        for (size_t i = 0; i < spies.size(); ++i)
            if (!spies[i]->isEmpty()) fired << actions[int(i)]->objectName();
        ASSERT_EQ(fired.size(), 1) << fired.join(QLatin1Char(' ')).toStdString();
        const QAction* a = actions[int(std::find_if(spies.begin(), spies.end(), [](auto& s) { return !s->isEmpty(); }) -
                                     spies.begin())];
        if (!w->toolTip().isEmpty()) {
            EXPECT_EQ(w->toolTip(), a->text());
        }
    }
}

// The entry chosen in the drop-down stays chosen while the load moves: new
// entries and a thinning that keeps it leave the choice, and "Move to the
// start point" takes it even when the load moved while its question was
// open. An entry thinned away is no longer chosen nor shown.
TEST(History, ChosenEntrySurvivesAppendsAndThinning) {
    AppHarness h;
    h.fp.loads = {40};
    h.start();
    auto* combo = h.mainControl<QComboBox>("ComboBox1");
    auto* start = h.mainControl<QLabel>("Label22");
    ASSERT_TRUE(combo && start);
    h.mainControl<QCheckBox>("CheckBox1")->click();
    int load = 40;
    auto moveLoad = [&] {
        load = load == 41 ? 42 : 41;
        h.fp.loads = {load};
        h.monitorTimer().fire();
    };
    for (int i = 0; i < 3; ++i) moveLoad();
    ASSERT_EQ(combo->count(), 3);
    combo->setCurrentIndex(1);
    const QString chosen = combo->itemText(1);
    EXPECT_EQ(chosen, QStringLiteral("41% [1] DATETIME:00:00:00"));

    // Appends keep the choice; the load moves again while the question is up.
    moveLoad();
    moveLoad();
    EXPECT_EQ(combo->currentIndex(), 1);
    EXPECT_EQ(combo->currentText(), chosen);
    h.fp.fakeDialogs.onShow = moveLoad;
    clickButton(h.mainControl<QAbstractButton>("RxSpeedButton1"));
    h.fp.fakeDialogs.onShow = nullptr;
    ASSERT_EQ(h.fp.fakeDialogs.shown.size(), 1u);  // the question, no error box
    EXPECT_EQ(start->text(), chosen);
    EXPECT_EQ(h.app->monitor().figures().startLoad, 41);
    EXPECT_EQ(combo->count(), 6);

    // Up to 101 entries, then the thinning keeps the odd positions: the
    // chosen entry (position 1) moves to position 0 and stays chosen.
    while (combo->count() < 101) moveLoad();
    EXPECT_EQ(combo->currentText(), chosen);
    moveLoad();
    ASSERT_EQ(combo->count(), 51);
    EXPECT_EQ(combo->currentIndex(), 0);
    EXPECT_EQ(combo->currentText(), chosen);
    h.fp.fakeDialogs.shown.clear();
    clickButton(h.mainControl<QAbstractButton>("RxSpeedButton1"));
    EXPECT_EQ(h.fp.fakeDialogs.shown.size(), 1u);
    EXPECT_EQ(start->text(), chosen);

    // An entry at an even position goes with the next thinning: then
    // nothing is chosen and the box is empty, as "Move" tells.
    while (combo->count() < 101) moveLoad();
    combo->setCurrentIndex(2);
    moveLoad();
    ASSERT_EQ(combo->count(), 51);
    EXPECT_EQ(combo->currentIndex(), -1);
    EXPECT_EQ(combo->currentText(), QString());
    h.fp.fakeDialogs.shown.clear();
    clickButton(h.mainControl<QAbstractButton>("RxSpeedButton1"));
    ASSERT_EQ(h.fp.fakeDialogs.shown.size(), 2u);
    EXPECT_EQ(h.fp.fakeDialogs.shown[1].text, QStringLiteral("'' is not a valid integer value."));
}

// What is typed into the two drop-downs adds nothing to their lists. In the
// history box it changes nothing else: "Move" takes the chosen entry as the
// list holds it. In the favourites box Enter opens only an entry named in
// full, and not again the one a keystroke just opened.
TEST(History, TypingInTheDropDownsAddsNothingAndOpensOnlyEntries) {
    AppHarness h([](FakePlatform&, const QString& folder) {
        QDir(folder).mkpath(QStringLiteral("favorite"));
        for (const char* name : {"a.exe", "b.exe"}) {
            QFile f(folder + QStringLiteral("/favorite/") + QLatin1String(name));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        }
    });
    h.fp.loads = {40};
    h.start();
    auto* combo = h.mainControl<QComboBox>("ComboBox1");
    auto* start = h.mainControl<QLabel>("Label22");
    ASSERT_TRUE(combo && start);
    h.mainControl<QCheckBox>("CheckBox1")->click();
    for (int load : {47, 52, 5}) {
        h.fp.loads = {load};
        h.monitorTimer().fire();
    }
    ASSERT_EQ(combo->count(), 3);
    combo->setCurrentIndex(1);
    combo->setFocus();
    auto typeOver = [](QComboBox* box, const char* text) {
        box->lineEdit()->selectAll();
        QTest::keyClicks(box, QLatin1String(text));
        QTest::keyClick(box, Qt::Key_Return);
    };
    typeOver(combo, "52% [2]");
    // Another entry's text in full, then the focus elsewhere: still entry 1.
    typeOver(combo, "52% [2] DATETIME:00:00:00");
    h.mainControl("ComboBox2")->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(combo->currentIndex(), 1);
    combo->setFocus();
    typeOver(combo, "99 typed");
    EXPECT_EQ(combo->count(), 3);
    EXPECT_EQ(combo->currentIndex(), 1);
    EXPECT_EQ(combo->currentText(), QStringLiteral("99 typed"));
    clickButton(h.mainControl<QAbstractButton>("RxSpeedButton1"));
    EXPECT_EQ(start->text(), QStringLiteral("47% [1] DATETIME:00:00:00"));
    EXPECT_EQ(h.app->monitor().figures().startLoad, 47);

    auto* fav = h.mainControl<QComboBox>("ComboBox2");
    ASSERT_NE(fav, nullptr);
    ASSERT_EQ(fav->count(), 2);
    fav->setFocus();
    const QString a = h.dir.filePath(QStringLiteral("favorite/a.exe"));
    h.fp.opened.clear();
    typeOver(fav, "zz");
    EXPECT_EQ(fav->count(), 2);
    EXPECT_EQ(h.fp.opened, QStringList());
    // The last keystroke of "a.exe" opens it; the Enter after it does not.
    fav->lineEdit()->selectAll();
    QTest::keyClicks(fav, QStringLiteral("a.exe"));
    EXPECT_EQ(h.fp.opened, QStringList{a});
    QTest::keyClick(fav, Qt::Key_Return);
    QTest::keyClick(fav, Qt::Key_Enter);
    EXPECT_EQ(h.fp.opened, QStringList{a});
    // Nor does the focus leaving the box open it again.
    combo->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(h.fp.opened, QStringList{a});
    EXPECT_EQ(fav->count(), 2);
}
