// The report window of the software test, offscreen in the whole program:
// its layout, what it shows during and after a test, and the ways it stops
// sampling.
#include "app_harness.h"

#include "softtest/report_window.h"
#include "softtest/soft_test.h"
#include "ui/gauge.h"

#include <QGroupBox>
#include <QAccessible>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

using namespace ostra;
using namespace ostra::testing;

namespace {

struct ReportHarness : AppHarness {
    ReportWindow& report() { return app->reportWindow(); }
    SoftTest& test() { return app->softTest(); }
    FakeTimer& sampler() { return dynamic_cast<FakeTimer&>(test().timer()); }
    template <typename T = QWidget>
    T* control(const char* name) { return child<T>(report(), name); }
    QString text(const char* name) {
        QLabel* l = control<QLabel>(name);
        return l ? l->text() : QString();
    }
    void startTest(int load) {
        fp.fakeDialogs.fileAnswers = {QStringLiteral("/opt/prog/tool.exe")};
        fp.loads = {load};
        actionNamed(*app, "Startsoftwaretest1")->trigger();
        QApplication::processEvents();
    }
};

TEST(ReportWindow, LayoutCaptionsAndNames) {
    ReportHarness h;
    ReportWindow& w = h.report();
    EXPECT_EQ(w.objectName(), QStringLiteral("TSoftTest"));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Soft Test Report"));
    EXPECT_EQ(w.size(), QSize(ReportWindow::kClientWidth, ReportWindow::kClientHeight));
    EXPECT_TRUE(w.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(w.isVisible()) << "created hidden";
    EXPECT_EQ(w.palette().color(QPalette::Window), QColor(Qt::white));

    struct Place {
        const char* name;
        QRect rect;
    };
    for (const Place& p : {Place{"Gauge8", {9, 21, 576, 19}}, Place{"Memo1", {9, 96, 576, 128}},
                           Place{"Shape1", {8, 248, 577, 67}}, Place{"RadioGroup1", {8, 320, 577, 36}},
                           Place{"Button1", {232, 366, 113, 33}}, Place{"OKButton", {492, 370, 89, 28}}}) {
        QWidget* c = h.control(p.name);
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->geometry(), p.rect) << p.name;
    }
    struct Caption {
        const char* name;
        const char* text;
        QPoint at;
    };
    const Caption captions[] = {
        {"Label2", "Process", {10, 6}},           {"Label6", "Start Res %", {9, 51}},
        {"res1", "0", {74, 51}},                  {"Label7", "End Res % ", {225, 51}},
        {"res2", "0", {290, 51}},                 {"Label8", "Max Res % ", {433, 51}},
        {"res3", "0", {498, 51}},                 {"Label1", "Resource movement  report", {11, 75}},
        {"Label3", "Test result", {8, 232}},      {"Label4", "Toatl used Res %", {16, 256}},
        {"res11", "0", {113, 256}},               {"Label10", "Total obtainment Res %", {243, 256}},
        {"res22", "0", {365, 256}},               {"Label5", "Result Missed Res %", {16, 289}},
        {"res33", "0", {123, 290}},               {"Label11", "Result Obtainment Res %", {243, 288}},
        {"res44", "0", {374, 289}},
    };
    for (const Caption& c : captions) {
        QLabel* l = h.control<QLabel>(c.name);
        ASSERT_NE(l, nullptr);
        EXPECT_EQ(l->text(), QLatin1String(c.text)) << c.name;
        EXPECT_EQ(l->pos(), c.at) << c.name;
    }
    // Each caption ends before its value begins.
    for (auto [label, value] : {std::pair{"Label6", "res1"}, {"Label7", "res2"}, {"Label8", "res3"},
                                {"Label4", "res11"}, {"Label10", "res22"}, {"Label5", "res33"}, {"Label11", "res44"}})
        EXPECT_LE(h.control(label)->geometry().right(), h.control(value)->x()) << label;
    // The memory line keeps to the free room right of "Test result".
    QLabel* memory = h.control<QLabel>("ProgramMemory");
    EXPECT_EQ(memory->y(), 232);
    EXPECT_GT(memory->x(), h.control("Label3")->geometry().right());
    EXPECT_LE(memory->geometry().right(), 585);

    auto* memo = h.control<QPlainTextEdit>("Memo1");
    EXPECT_EQ(memo->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(memo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(h.control<QGroupBox>("RadioGroup1")->title(), QStringLiteral("Valuation"));
    QStringList radios;
    for (QRadioButton* r : h.control("RadioGroup1")->findChildren<QRadioButton*>()) radios << r->text();
    EXPECT_EQ(radios, (QStringList{"Best", "Good", "Normal", "Bad", "Terrible"}));
    EXPECT_EQ(h.control<QPushButton>("Button1")->text(), QStringLiteral("TEST RESULT"));
    EXPECT_EQ(h.control<QPushButton>("OKButton")->text(), QStringLiteral("OK"));
    EXPECT_TRUE(h.control<QPushButton>("OKButton")->isDefault());
    auto* gauge = h.control<ui::Gauge>("Gauge8");
    EXPECT_EQ(gauge->maxValue(), 60);
    EXPECT_EQ(gauge->backColor(), QColor(0, 255, 0));

    // A screen reader finds a name on every control (a label's is its text,
    // so a value label reads as its value).
    for (QWidget* c : w.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(c);
        ASSERT_NE(a, nullptr);
        if (auto* l = qobject_cast<QLabel*>(c)) {
            EXPECT_EQ(a->text(QAccessible::Name), l->text()) << c->objectName().toStdString();
        } else {
            EXPECT_FALSE(a->text(QAccessible::Name).isEmpty()) << c->objectName().toStdString();
        }
    }
    for (QRadioButton* r : w.findChildren<QRadioButton*>()) EXPECT_EQ(r->accessibleName(), r->text());
}

TEST(ReportWindow, ATestShownLiveThenRatedThenStoppedByOk) {
    ReportHarness h;
    h.start();
    ASSERT_EQ(h.app->monitor().figures().nowLoad, 50);
    h.fp.nextUsage = {512 * 1024 * 1024LL, 256 * 1024 * 1024LL, 3};
    h.startTest(48);
    ReportWindow& w = h.report();
    ASSERT_TRUE(w.isVisible());
    EXPECT_TRUE(QTest::qWaitForWindowActive(&w));
    EXPECT_EQ(QApplication::focusWidget(), h.control("Button1"));
    EXPECT_EQ(h.fp.started, QStringList{QStringLiteral("/opt/prog/tool.exe")});
    EXPECT_EQ(h.text("res1"), QStringLiteral("48"));
    EXPECT_EQ(h.text("ProgramMemory"), QStringLiteral("Program memory: peak 512.0 MiB (2.1%), now 256.0 MiB (1.0%)"));
    h.fp.nextUsage = {768 * 1024 * 1024LL, 256 * 1024 * 1024LL, 3};

    h.fp.loads = {53};
    ASSERT_TRUE(h.sampler().fire());
    h.fp.loads = {50};  // the main window's load: no line
    ASSERT_TRUE(h.sampler().fire());
    EXPECT_EQ(h.control<QPlainTextEdit>("Memo1")->toPlainText(), QStringLiteral("[0] Now Res:53% /Used Res:5%   : 1Sec"));
    EXPECT_EQ(h.text("res11"), QStringLiteral("5"));
    EXPECT_EQ(h.text("res3"), QStringLiteral("53"));
    EXPECT_EQ(h.control<ui::Gauge>("Gauge8")->progress(), 2);
    EXPECT_EQ(h.text("ProgramMemory"), QStringLiteral("Program memory: peak 768.0 MiB (3.1%), now 256.0 MiB (1.0%)"));

    // "TEST RESULT": ended, told, rated.
    h.fp.loads = {48};
    clickButton(h.control<QPushButton>("Button1"));
    EXPECT_FALSE(h.test().sampling());
    ASSERT_FALSE(h.fp.fakeDialogs.shown.empty());
    EXPECT_EQ(h.fp.fakeDialogs.shown.back().text, QStringLiteral("Well done the test..."));
    EXPECT_TRUE(h.control<QRadioButton>("RadioGroup1_1")->isChecked()) << "a peak of 5 gone at the end: Good";
    EXPECT_EQ(h.text("res2"), QStringLiteral("48"));
    EXPECT_TRUE(h.text("ProgramMemory").contains(QStringLiteral("at the end 256.0 MiB")));
    EXPECT_EQ(h.fp.sounds.last(), h.cue("clicklong.wav"));

    // A new test keeps the old rating on show; "OK" stops it and ends nothing.
    h.startTest(48);
    EXPECT_TRUE(h.test().sampling());
    EXPECT_TRUE(h.control<QPlainTextEdit>("Memo1")->toPlainText().isEmpty());
    EXPECT_TRUE(h.control<QRadioButton>("RadioGroup1_1")->isChecked());
    clickButton(h.control<QPushButton>("OKButton"));
    EXPECT_FALSE(h.test().sampling());
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(h.fp.FakeProcesses::calls.filter(QStringLiteral("terminate")).size(), 1);
    EXPECT_FALSE(h.app->mainWindow().isHidden()) << "the program goes on";
}

TEST(ReportWindow, EveryCloseStopsSamplingEscapeIsNone) {
    ReportHarness h;
    h.start();
    // The close box.
    h.startTest(50);
    ASSERT_TRUE(h.report().isVisible());
    h.report().close();
    EXPECT_FALSE(h.test().sampling());
    // Escape does nothing: the window has no cancel button. The key goes
    // where the user's goes, to the focused "TEST RESULT" and on up.
    h.startTest(50);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&h.report()));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QTest::keyClick(&h.report(), Qt::Key_Escape);
    QApplication::processEvents();
    EXPECT_TRUE(h.report().isVisible());
    EXPECT_TRUE(h.test().sampling());
    ASSERT_TRUE(h.sampler().fire());
    EXPECT_EQ(h.test().testSeconds(), 1);
    h.report().close();
    // "Show" and "Hide" from the popup menu close the report.
    for (const char* entry : {"Show1", "hide1"}) {
        h.startTest(50);
        ASSERT_TRUE(h.test().sampling());
        actionNamed(*h.app, entry)->trigger();
        EXPECT_FALSE(h.report().isVisible()) << entry;
        EXPECT_FALSE(h.test().sampling()) << entry;
    }
    EXPECT_TRUE(h.fp.FakeProcesses::calls.filter(QStringLiteral("terminate")).isEmpty());
}

}  // namespace
