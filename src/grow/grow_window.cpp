#include "grow/grow_window.h"

#include "grow/grow_watch.h"
#include "grow/growth_model.h"
#include "ui/artwork.h"
#include "ui/placement.h"

#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QScreen>
#include <QTableView>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>

namespace ostra::grow {

GrowWindow::GrowWindow(GrowWatch& watch, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowCloseButtonHint), watch_(watch) {
    const QString title = QString::fromLatin1(kWindowTitle);
    setObjectName(QStringLiteral("WhatGrew"));
    setWindowTitle(title);
    setAccessibleName(title);
    setFont(ui::narrowFont(12));
    ui::fillBackground(this, Qt::white);
    resize(560, 360);

    model_ = new GrowthModel(this);
    table_ = new QTableView(this);
    table_->setObjectName(QStringLiteral("GrowthTable"));
    table_->setAccessibleName(title);
    table_->setModel(model_);
    table_->verticalHeader()->hide();
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table_->setShowGrid(false);
    table_->setAlternatingRowColors(true);
    table_->setWordWrap(false);
    // Widths fixed once, from the header and the widest figure a size can
    // show: measuring the cells at each refresh costs a screen reader's
    // user a frozen window with a thousand rows.
    QHeaderView* header = table_->horizontalHeader();
    header->setSectionResizeMode(GrowthModel::Application, QHeaderView::Stretch);
    const int figure = QFontMetrics(table_->font()).horizontalAdvance(QStringLiteral("-1023.9 MiB")) + 16;
    for (int c = 1; c < GrowthModel::kColumns; ++c) {
        header->setSectionResizeMode(c, QHeaderView::Interactive);
        header->resizeSection(c, std::max(header->sectionSizeHint(c), figure));
    }
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    header->setSortIndicator(model_->sortColumn(), model_->sortOrder());
    header->setSortIndicatorShown(true);
    table_->setSortingEnabled(true);

    startPoint_ = new QLabel(this);
    startPoint_->setObjectName(QStringLiteral("StartPointText"));
    unreadable_ = new QLabel(this);
    unreadable_->setObjectName(QStringLiteral("UnreadableText"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(table_);
    layout->addWidget(startPoint_);
    layout->addWidget(unreadable_);

    refresh_.setText(QStringLiteral("Refresh"));
    refresh_.setShortcut(QKeySequence::Refresh);
    copy_.setText(QStringLiteral("Copy"));
    copy_.setShortcut(QKeySequence::Copy);
    addAction(&refresh_);
    addAction(&copy_);
    connect(&refresh_, &QAction::triggered, &watch_, &GrowWatch::refreshNow);
    connect(&copy_, &QAction::triggered, this, &GrowWindow::copySelection);

    connect(&watch_, &GrowWatch::changed, this, &GrowWindow::showRows);
    showRows();
}

void GrowWindow::showRows() {
    model_->setRows(watch_.rows());
    startPoint_->setText(watch_.startPointText());
    unreadable_->setText(unreadableText(watch_.unreadable()));
}

void GrowWindow::copySelection() {
    QList<int> rows;
    for (const QModelIndex& i : table_->selectionModel()->selectedRows()) rows.append(i.row());
    if (rows.isEmpty()) return;
    std::sort(rows.begin(), rows.end());
    QGuiApplication::clipboard()->setText(model_->tabSeparated(rows));
}

void GrowWindow::stayUsableBeside(QWidget* modal) {
    QWindow* own = windowHandle();
    QWindow* other = modal ? modal->windowHandle() : nullptr;
    if (!own || !other || other == own) return;
    // Qt blocks no window that belongs to the modal one.
    own->setTransientParent(other);
    const QScreen* screen = other->screen();
    if (!screen) return;
    const QRect frame = frameGeometry();
    const QRect to = ui::besideOf(frame, modal->frameGeometry(), screen->availableGeometry(), QSize(320, 180));
    if (to == frame) return;
    resize(to.size() - (frame.size() - size()));
    move(to.topLeft());
}

bool GrowWindow::event(QEvent* e) {
    const bool done = QDialog::event(e);
    // A modal window came while this one is open.
    if (e->type() == QEvent::WindowBlocked) stayUsableBeside(QApplication::activeModalWidget());
    return done;
}

void GrowWindow::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (!placed_) {
        placed_ = true;
        ui::centreOnScreen(this);
    }
    if (QWidget* modal = QApplication::activeModalWidget())
        stayUsableBeside(modal);
    else if (QWindow* own = windowHandle())
        own->setTransientParent(nullptr);
    watch_.setWatching(true);
}

void GrowWindow::hideEvent(QHideEvent* e) {
    watch_.setWatching(false);
    QDialog::hideEvent(e);
}

}  // namespace ostra::grow
