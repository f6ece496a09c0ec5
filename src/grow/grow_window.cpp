#include "grow/grow_window.h"

#include "grow/grow_watch.h"
#include "ui/artwork.h"

#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

namespace ostra::grow {

GrowWindow::GrowWindow(GrowWatch& watch, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowCloseButtonHint), watch_(watch) {
    const QString title = QString::fromLatin1(grow::kWindowTitle);
    setObjectName(QStringLiteral("WhatGrew"));
    setWindowTitle(title);
    setAccessibleName(title);
    setFont(ui::narrowFont(12));
    ui::fillBackground(this, Qt::white);
    resize(560, 360);

    table_ = new QTableWidget(0, int(grow::columnTitles().size()), this);
    table_->setObjectName(QStringLiteral("GrowthTable"));
    table_->setAccessibleName(title);
    table_->setHorizontalHeaderLabels(grow::columnTitles());
    table_->verticalHeader()->hide();
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setShowGrid(false);
    table_->setAlternatingRowColors(true);
    table_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    for (int c = 1; c < table_->columnCount(); ++c)
        table_->horizontalHeader()->setSectionResizeMode(c, QHeaderView::ResizeToContents);
    startPoint_ = new QLabel(this);
    startPoint_->setObjectName(QStringLiteral("StartPointText"));
    unreadable_ = new QLabel(this);
    unreadable_->setObjectName(QStringLiteral("UnreadableText"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(table_);
    layout->addWidget(startPoint_);
    layout->addWidget(unreadable_);

    connect(&watch_, &GrowWatch::changed, this, &GrowWindow::showRows);
    showRows();
}

void GrowWindow::showRows() {
    const std::vector<grow::GrowthRow>& rows = watch_.rows();
    table_->setUpdatesEnabled(false);
    table_->setRowCount(int(rows.size()));
    for (int r = 0; r < int(rows.size()); ++r) {
        const QStringList cells = grow::rowTexts(rows[size_t(r)]);
        for (int c = 0; c < int(cells.size()); ++c) {
            QTableWidgetItem* item = table_->item(r, c);
            if (!item) {
                item = new QTableWidgetItem;
                if (c > 0) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
                table_->setItem(r, c, item);
            }
            item->setText(cells[c]);
        }
    }
    table_->setUpdatesEnabled(true);
    startPoint_->setText(watch_.startPointText());
    unreadable_->setText(grow::unreadableText(watch_.unreadable()));
}

void GrowWindow::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (!placed_) {
        placed_ = true;
        ui::centreOnScreen(this);
    }
    watch_.setWatching(true);
}

void GrowWindow::hideEvent(QHideEvent* e) {
    watch_.setWatching(false);
    QDialog::hideEvent(e);
}

}  // namespace ostra::grow
