#include "grow/grow_window.h"

#include "grow/grow_watch.h"
#include "grow/growth_model.h"
#include "ui/artwork.h"
#include "ui/placement.h"

#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QScreen>
#include <QTableView>
#include <QToolButton>
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
    resize(680, 360);  // room for the State column beside the names

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
    for (int c = 1; c < GrowthModel::kFigureColumns; ++c) {
        header->setSectionResizeMode(c, QHeaderView::Interactive);
        header->resizeSection(c, std::max(header->sectionSizeHint(c), figure));
    }
    header->setSectionResizeMode(GrowthModel::State, QHeaderView::Interactive);
    header->resizeSection(GrowthModel::State,
                          QFontMetrics(table_->font()).horizontalAdvance(QStringLiteral("still running")) + 16);
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    header->setSortIndicator(model_->sortColumn(), model_->sortOrder());
    header->setSortIndicatorShown(true);
    table_->setSortingEnabled(true);

    startPoint_ = new QLabel(this);
    startPoint_->setObjectName(QStringLiteral("StartPointText"));
    unreadable_ = new QLabel(this);
    unreadable_->setObjectName(QStringLiteral("UnreadableText"));
    note_ = new QLabel(this);
    note_->setObjectName(QStringLiteral("ActionNote"));
    note_->setWordWrap(true);
    note_->hide();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(table_);
    layout->addWidget(buildActionRow());
    layout->addWidget(note_);
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
    connect(table_->selectionModel(), &QItemSelectionModel::selectionChanged, this, &GrowWindow::selectionChanged);
    showRows();
    setOffer({});
}

QWidget* GrowWindow::buildActionRow() {
    auto* row = new QWidget(this);
    auto* buttons = new QHBoxLayout(row);
    buttons->setContentsMargins(0, 0, 0, 0);
    const struct {
        QAction* action;
        const char* text;
        const char* name;
        void (GrowWindow::*signal)(const GrowthRow&);
    } commands[] = {{&pause_, "Pause", "PauseButton", &GrowWindow::pauseRequested},
                    {&resume_, "Resume", "ResumeButton", &GrowWindow::resumeRequested},
                    {&close_, "Close", "CloseButton", &GrowWindow::closeRequested},
                    {&end_, "End", "EndButton", &GrowWindow::endRequested},
                    {&endNow_, "End now", "EndNowButton", &GrowWindow::endNowRequested}};
    for (const auto& c : commands) {
        c.action->setText(QString::fromLatin1(c.text));
        c.action->setObjectName(QString::fromLatin1(c.name));
        auto* button = new QToolButton(row);
        button->setObjectName(QString::fromLatin1(c.name));
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
        button->setDefaultAction(c.action);
        button->setAccessibleName(QString::fromLatin1(c.text));
        buttons->addWidget(button);
        if (c.action == &endNow_) endNowButton_ = button;
        table_->addAction(c.action);
        const auto signal = c.signal;
        connect(c.action, &QAction::triggered, this, [this, signal] { request(signal); });
    }
    buttons->addStretch(1);
    table_->setContextMenuPolicy(Qt::ActionsContextMenu);
    endNow_.setVisible(false);
    return row;
}

void GrowWindow::showRows() {
    model_->setRows(watch_.rows());
    startPoint_->setText(watch_.startPointText());
    unreadable_->setText(unreadableText(watch_.unreadable()));
    emit selectionChanged();
}

std::optional<GrowthRow> GrowWindow::selectedRow() const {
    const QModelIndexList rows = table_->selectionModel()->selectedRows();
    if (rows.size() != 1) return std::nullopt;
    const GrowthRow& row = model_->row(rows.first().row());
    if (row.ended) return std::nullopt;
    return row;
}

void GrowWindow::request(void (GrowWindow::*signal)(const GrowthRow&)) {
    if (const std::optional<GrowthRow> row = selectedRow()) emit(this->*signal)(*row);
}

void GrowWindow::setOffer(const RowOffer& offer) {
    pause_.setEnabled(offer.pause);
    resume_.setEnabled(offer.resume);
    close_.setEnabled(offer.close);
    end_.setEnabled(offer.end);
    endNow_.setEnabled(offer.endNow);
    endNow_.setVisible(offer.endNow);
    endNowButton_->setVisible(offer.endNow);
    for (QAction* a : {&pause_, &resume_, &close_, &end_, &endNow_})
        a->setToolTip(offer.reason.isEmpty() ? a->text() : offer.reason);
}

void GrowWindow::setRowState(const QString& key, const QString& state, const QString& tip) {
    model_->setState(key, state, tip);
}

void GrowWindow::showNote(const QString& text) {
    note_->setText(text);
    note_->setVisible(!text.isEmpty());
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
    // A modal window came while this one is open (not a question of its
    // own, which stands over it).
    if (e->type() == QEvent::WindowBlocked) {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal->parentWidget() != this) stayUsableBeside(modal);
    }
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
