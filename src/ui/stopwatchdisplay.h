// Elapsed-time display "hh:mm:ss" in seven-segment digits. It is an
// ordinary window-like control: it takes the mouse and shows its tool tip.
#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>

#include <functional>

namespace ostra::ui {

class StopwatchDisplay : public QWidget {
    Q_OBJECT
public:
    explicit StopwatchDisplay(QWidget* parent = nullptr);

    // Shown modulo 86400 as a time of day (negative counts wrap backwards).
    void setSeconds(qint64 s);
    qint64 seconds() const { return m_seconds; }
    // "hh:mm:ss" of the value shown.
    QString text() const;

    void setLitColor(const QColor& c);
    void setUnlitColor(const QColor& c);
    void setBackColor(const QColor& c);

    QSize sizeHint() const override;

    // Shows each picture through `present` (given the display and the
    // picture in device pixels) instead of through the window's backing
    // store: the display gets a window of its own and its once-a-second
    // repaint never waits on the rest of the window. Call before the
    // display is first shown. When `present` returns false the display
    // goes back to painting through Qt for good.
    using Presenter = std::function<bool(QWidget*, const QImage&)>;
    void paintOnScreen(Presenter present);
    bool paintsOnScreen() const { return static_cast<bool>(m_present); }

    QPaintEngine* paintEngine() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void paintDisplay(QPainter& p);

    Presenter m_present;
    QImage m_frame;
    qint64 m_seconds = 0;
    QColor m_lit{0, 235, 0};
    QColor m_unlit{0, 44, 0};
    QColor m_back{Qt::black};
};

}  // namespace ostra::ui
