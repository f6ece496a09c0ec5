// The table model of "What grew since the start point": rows matched by
// the application's key, only changed cells reported, a new order as one
// layout change that carries persistent indexes along, the sort kept
// across refreshes, and the tab-separated copy. Also where the window goes
// beside another one.
#include "grow/growth_model.h"
#include "ui/placement.h"

#include <QPersistentModelIndex>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace ostra {
namespace {

using grow::GrowthModel;
using grow::GrowthRow;

constexpr std::int64_t kMiB = std::int64_t(1) << 20;

GrowthRow row(const char* key, std::int64_t startMiB, std::int64_t nowMiB, int processes = 1) {
    GrowthRow r;
    r.key = QString::fromLatin1(key);
    r.name = r.key;
    r.startBytes = startMiB * kMiB;
    r.nowBytes = nowMiB * kMiB;
    r.growth = r.nowBytes - r.startBytes;
    r.processes = processes;
    return r;
}

QStringList names(const GrowthModel& m) {
    QStringList out;
    for (int r = 0; r < m.rowCount(); ++r) out << m.index(r, 0).data().toString();
    return out;
}

// Each dataChanged as "first row-last row:column" (one column each).
QStringList ranges(const QSignalSpy& spy) {
    QStringList out;
    for (const QList<QVariant>& s : spy) {
        const auto a = s[0].value<QModelIndex>();
        const auto b = s[1].value<QModelIndex>();
        EXPECT_EQ(a.column(), b.column());
        out << QStringLiteral("%1-%2:%3").arg(a.row()).arg(b.row()).arg(a.column());
    }
    return out;
}

TEST(GrowthModel, ARefreshReportsOnlyTheCellsWhoseTextChangedAndMovesRowsByKey) {
    GrowthModel m;
    m.setRows({row("a", 100, 400), row("b", 100, 300), row("c", 100, 200), row("d", 100, 100)});
    EXPECT_EQ(names(m), (QStringList{"a", "b", "c", "d"}));
    EXPECT_EQ(m.index(0, 3).data().toString(), QStringLiteral("+300.0 MiB"));
    EXPECT_EQ(m.index(0, 3).data(Qt::TextAlignmentRole).toInt(), int(Qt::AlignRight | Qt::AlignVCenter));

    QSignalSpy changed(&m, &GrowthModel::dataChanged);
    QSignalSpy layout(&m, &GrowthModel::layoutChanged);
    QSignalSpy reset(&m, &GrowthModel::modelReset);
    QSignalSpy inserted(&m, &GrowthModel::rowsInserted);
    QSignalSpy removed(&m, &GrowthModel::rowsRemoved);

    // A few KiB more for "a" (the same texts), 1 MiB more for "b" and "c":
    // their "Now" and "Growth", one signal per column for the run of two.
    GrowthRow a = row("a", 100, 400);
    a.nowBytes += 4096;
    a.growth += 4096;
    m.setRows({a, row("b", 100, 301), row("c", 100, 201), row("d", 100, 100)});
    EXPECT_EQ(ranges(changed), (QStringList{"1-2:2", "1-2:3"}));
    EXPECT_EQ(layout.size(), 0) << "the order did not change";
    EXPECT_EQ(reset.size(), 0);

    // "d" grows past everything: one layout change moves it up; a
    // persistent index on "b" (as a selection holds) follows "b".
    changed.clear();
    QPersistentModelIndex onB(m.index(1, 3));
    QPersistentModelIndex onD(m.index(3, 0));
    m.setRows({a, row("b", 100, 301), row("c", 100, 201), row("d", 100, 900)});
    EXPECT_EQ(names(m), (QStringList{"d", "a", "b", "c"}));
    EXPECT_EQ(layout.size(), 1);
    EXPECT_EQ(ranges(changed), (QStringList{"0-0:2", "0-0:3"})) << "d's cells, at its new row";
    EXPECT_EQ(onB.row(), 2);
    EXPECT_EQ(onB.column(), 3);
    EXPECT_EQ(onD.row(), 0);

    // "b" leaves, "e" comes: one removal, one insertion, nothing reset; the
    // index on "b" is gone, the one on "d" stays.
    m.setRows({a, row("c", 100, 201), row("d", 100, 900), row("e", 0, 350)});
    EXPECT_EQ(names(m), (QStringList{"d", "e", "a", "c"}));
    EXPECT_EQ(removed.size(), 1);
    EXPECT_EQ(inserted.size(), 1);
    EXPECT_EQ(reset.size(), 0);
    EXPECT_FALSE(onB.isValid());
    EXPECT_EQ(onD.row(), 0);
}

TEST(GrowthModel, SortsByAColumnEitherWayKeptAcrossRefreshes) {
    GrowthModel m;
    EXPECT_EQ(m.sortColumn(), int(GrowthModel::Growth));
    EXPECT_EQ(m.sortOrder(), Qt::DescendingOrder);
    EXPECT_EQ(m.headerData(0, Qt::Horizontal, Qt::InitialSortOrderRole).toInt(), int(Qt::AscendingOrder));
    EXPECT_EQ(m.headerData(2, Qt::Horizontal, Qt::InitialSortOrderRole).toInt(), int(Qt::DescendingOrder));
    GrowthRow ended = row("gone", 500, 0);
    ended.ended = true;
    ended.processes = 0;
    GrowthRow upper = row("Beta", 10, 20, 3);
    m.setRows({row("alpha", 50, 60, 2), upper, ended, row("gamma", 0, 5)});

    m.sort(GrowthModel::Application, Qt::AscendingOrder);
    EXPECT_EQ(names(m), (QStringList{"alpha", "Beta", "gamma", "gone"})) << "names without regard to case";
    m.sort(GrowthModel::Application, Qt::DescendingOrder);
    EXPECT_EQ(names(m), (QStringList{"gone", "gamma", "Beta", "alpha"}));
    m.setRows({row("alpha", 50, 61, 2), upper, ended, row("gamma", 0, 900), row("delta", 0, 1)});
    EXPECT_EQ(names(m), (QStringList{"gone", "gamma", "delta", "Beta", "alpha"})) << "kept across a refresh";

    m.sort(GrowthModel::Now, Qt::DescendingOrder);
    EXPECT_EQ(names(m), (QStringList{"gamma", "alpha", "Beta", "delta", "gone"})) << "an ended one below 0";
    m.sort(GrowthModel::Processes, Qt::DescendingOrder);
    EXPECT_EQ(names(m), (QStringList{"Beta", "alpha", "gamma", "delta", "gone"})) << "ties by growth";
    m.sort(GrowthModel::AtStart, Qt::AscendingOrder);
    EXPECT_EQ(names(m).mid(0, 2), (QStringList{"gamma", "delta"}));
    EXPECT_EQ(names(m).last(), QStringLiteral("gone"));
}

TEST(GrowthModel, TabSeparatedTextHasTheHeaderAndTheRowsGiven) {
    GrowthModel m;
    m.setRows({row("a", 100, 400), row("b", 0, 2048, 4)});
    EXPECT_EQ(m.tabSeparated({0, 1}),
              QStringLiteral("Application\tAt the start point\tNow\tGrowth\tProcesses\n"
                             "b\t0.0 MiB\t2.0 GiB\t+2.0 GiB\t4\n"
                             "a\t100.0 MiB\t400.0 MiB\t+300.0 MiB\t1\n"));
    EXPECT_EQ(m.tabSeparated({1}), QStringLiteral("Application\tAt the start point\tNow\tGrowth\tProcesses\n"
                                                  "a\t100.0 MiB\t400.0 MiB\t+300.0 MiB\t1\n"));
}

TEST(Placement, BesideTheOtherWindowOnlyWhenTheyOverlapNearestPlaceThatFits) {
    const QRect screen(0, 0, 1280, 1024);
    const QRect warning(446, 443, 387, 137);  // the warning, centred
    const QSize minimum(300, 200);
    // Apart already: where it is.
    EXPECT_EQ(ui::besideOf(QRect(10, 10, 560, 360), warning, screen, minimum), QRect(10, 10, 560, 360));
    // Centred over it: just below it (nearer than above), same x.
    EXPECT_EQ(ui::besideOf(QRect(360, 332, 560, 360), warning, screen, minimum), QRect(360, 588, 560, 360));
    // No room below a warning low on the screen: above it.
    EXPECT_EQ(ui::besideOf(QRect(360, 600, 560, 360), QRect(446, 800, 387, 137), screen, minimum),
              QRect(360, 432, 560, 360));
    // Too tall for above or below: beside it, right or left as nearer.
    EXPECT_EQ(ui::besideOf(QRect(500, 300, 300, 700), warning, screen, minimum), QRect(841, 300, 300, 700));
    EXPECT_EQ(ui::besideOf(QRect(400, 300, 300, 700), warning, screen, minimum), QRect(138, 300, 300, 700));
    // Whole nowhere: smaller, in the roomiest side (below).
    EXPECT_EQ(ui::besideOf(QRect(0, 0, 1200, 1000), warning, screen, minimum), QRect(0, 588, 1200, 436));
    // Not even at its smallest: its size, above the warning (whose buttons
    // are at its foot) as far as the screen allows.
    EXPECT_EQ(ui::besideOf(QRect(0, 0, 1200, 1000), warning, screen, QSize(1200, 900)), QRect(0, 0, 1200, 1000));
}

}  // namespace
}  // namespace ostra
