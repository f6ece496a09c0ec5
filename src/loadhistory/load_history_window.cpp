#include "loadhistory/load_history_window.h"

#include "loadhistory/csv_export.h"
#include "loadhistory/load_history_options.h"
#include "loadhistory/load_history_plot.h"
#include "loadhistory/summary.h"
#include "ui/artwork.h"

#include <QButtonGroup>
#include <QDateTime>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace ostra::loadhistory {

LoadHistoryWindow::LoadHistoryWindow(LoadRecorder& recorder, std::function<std::optional<int>()> limit,
                                     QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowCloseButtonHint | Qt::WindowMinMaxButtonsHint),
      recorder_(recorder),
      limit_(std::move(limit)) {
    setWindowTitle(QString::fromLatin1(kWindowTitle));
    setObjectName(QStringLiteral("LoadHistory"));
    setFont(ui::narrowFont(12));
    ui::fillBackground(this, QColor(192, 192, 192));

    // The spans: one of them is always chosen (radio buttons, Left and
    // Right move between them).
    auto* top = new QHBoxLayout;
    spans_ = new QButtonGroup(this);
    spans_->setExclusive(true);
    for (int i = 0; i < static_cast<int>(kSpans.size()); ++i) {
        auto* b = new QRadioButton(QLatin1String(kSpans[static_cast<std::size_t>(i)].label), this);
        b->setToolTip(
            QStringLiteral("Show the last %1").arg(QLatin1String(kSpans[static_cast<std::size_t>(i)].name)));
        spans_->addButton(b, i);
        top->addWidget(b);
    }
    spans_->button(span_)->setChecked(true);
    connect(spans_, &QButtonGroup::idClicked, this, [this](int id) {
        setSpan(id);
        emit spanChosen(id);
    });
    top->addStretch(1);
    export_ = new QPushButton(QStringLiteral("Export CSV..."), this);
    export_->setToolTip(QStringLiteral("Save the samples shown as a CSV file"));
    top->addWidget(export_);
    connect(export_, &QPushButton::clicked, this, [this] { emit exportRequested(plot_->from(), plot_->to()); });

    plot_ = new LoadHistoryPlot(recorder_.ring(), this);
    plot_->setAccessibleName(QString::fromLatin1(kWindowTitle));
    connect(plot_, &LoadHistoryPlot::hovered, this, &LoadHistoryWindow::showPointer);

    auto* legend = new PlotLegend(this);

    // The read-out is a plain label: its text is what a screen reader
    // reads, and it says when it changes.
    pointer_ = new QLabel(this);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(plot_, 1);
    layout->addWidget(legend);
    layout->addWidget(pointer_);
    setMinimumSize(LoadHistoryOptions::kMinimumSize);
    resize(LoadHistoryOptions::kDefaultSize);
    setTabOrder(spans_->button(static_cast<int>(kSpans.size()) - 1), export_);
    setTabOrder(export_, plot_);

    connect(&recorder_, &LoadRecorder::recorded, this, [this] {
        if (isVisible()) refresh();
    });
}

QAbstractButton& LoadHistoryWindow::spanButton(int index) { return *spans_->button(index); }

void LoadHistoryWindow::setSpan(int index) {
    if (index < 0 || index >= static_cast<int>(kSpans.size())) return;
    span_ = index;
    if (QAbstractButton* b = spans_->button(index)) b->setChecked(true);
    refresh();
}

void LoadHistoryWindow::refresh() {
    const std::int64_t now = recorder_.now();
    const Span& s = kSpans[static_cast<std::size_t>(span_)];
    plot_->setLimit(limit_ ? limit_() : std::nullopt);
    plot_->setSpan(now - s.seconds + 1, now);
    plot_->setAccessibleDescription(summary(recorder_.ring(), now - s.seconds + 1, now, QLatin1String(s.name)));
}

void LoadHistoryWindow::showEvent(QShowEvent* e) {
    refresh();
    QWidget::showEvent(e);
}

void LoadHistoryWindow::hideEvent(QHideEvent* e) {
    QWidget::hideEvent(e);
    if (!e->spontaneous()) emit closed();
}

QString LoadHistoryWindow::readOut(std::int64_t t) const {
    const QString time = QDateTime::fromSecsSinceEpoch(t).toString(QStringLiteral("ddd d MMM yyyy HH:mm:ss"));
    const std::optional<Sample> s = recorder_.ring().at(t);
    if (!s) return QStringLiteral("%1  no sample").arg(time);
    return QStringLiteral("%1  load %2 %  memory pressure %3")
        .arg(time)
        .arg(s->load)
        .arg(s->pressure < 0 ? QStringLiteral("unknown") : percentHundredths(s->pressure) + QStringLiteral(" %"));
}

void LoadHistoryWindow::showPointer(std::optional<std::int64_t> t) {
    const QString text = t ? readOut(*t) : QString();
    if (text != pointer_->text()) pointer_->setText(text);
}

}  // namespace ostra::loadhistory
