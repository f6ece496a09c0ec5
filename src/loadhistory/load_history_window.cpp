#include "loadhistory/load_history_window.h"

#include "loadhistory/csv_export.h"
#include "loadhistory/load_history_plot.h"
#include "loadhistory/summary.h"
#include "ui/artwork.h"

#include <QButtonGroup>
#include <QDateTime>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
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

    auto* top = new QHBoxLayout;
    spans_ = new QButtonGroup(this);
    for (int i = 0; i < static_cast<int>(kSpans.size()); ++i) {
        auto* b = new QPushButton(QLatin1String(kSpans[static_cast<std::size_t>(i)].label), this);
        b->setCheckable(true);
        b->setToolTip(QStringLiteral("Show the last %1").arg(QLatin1String(kSpans[static_cast<std::size_t>(i)].name)));
        spans_->addButton(b, i);
        top->addWidget(b);
    }
    spans_->button(span_)->setChecked(true);
    connect(spans_, &QButtonGroup::idClicked, this, &LoadHistoryWindow::setSpan);
    top->addStretch(1);
    auto* legend = new QLabel(this);
    legend->setTextFormat(Qt::RichText);
    legend->setText(QStringLiteral("<span style='color:#008000'>&#9632;</span> load &nbsp; "
                                   "<span style='color:#008080'>&#9632;</span> memory pressure"));
    top->addWidget(legend);
    top->addStretch(1);
    export_ = new QPushButton(QStringLiteral("Export CSV..."), this);
    export_->setToolTip(QStringLiteral("Save the samples shown as a CSV file"));
    top->addWidget(export_);
    connect(export_, &QPushButton::clicked, this, [this] { emit exportRequested(plot_->from(), plot_->to()); });

    plot_ = new LoadHistoryPlot(recorder_.ring(), this);
    plot_->setAccessibleName(QString::fromLatin1(kWindowTitle));
    connect(plot_, &LoadHistoryPlot::hovered, this, &LoadHistoryWindow::showPointer);

    pointer_ = new QLabel(this);
    pointer_->setAccessibleName(QStringLiteral("Pointer"));
    pointer_->setMinimumWidth(300);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(plot_, 1);
    layout->addWidget(pointer_);
    resize(720, 340);

    connect(&recorder_, &LoadRecorder::recorded, this, [this] {
        if (isVisible()) refresh();
    });
}

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

void LoadHistoryWindow::showPointer(std::optional<std::int64_t> t) {
    if (!t) {
        pointer_->clear();
        return;
    }
    const QString time = QDateTime::fromSecsSinceEpoch(*t).toString(QStringLiteral("HH:mm:ss"));
    const std::optional<Sample> s = recorder_.ring().at(*t);
    if (!s) {
        pointer_->setText(QStringLiteral("%1  no sample").arg(time));
        return;
    }
    pointer_->setText(QStringLiteral("%1  load %2 %  memory pressure %3")
                          .arg(time)
                          .arg(s->load)
                          .arg(s->pressure < 0 ? QStringLiteral("unknown")
                                               : percentHundredths(s->pressure) + QStringLiteral(" %")));
}

}  // namespace ostra::loadhistory
