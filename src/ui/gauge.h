// Percentage gauge in three looks: a horizontal bar with the percentage
// written over it, a pie filled clockwise from twelve o'clock, and a half
// dial with a needle (0 % points left, 100 % right) and the percentage.
#pragma once

#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QWidget>

namespace ostra::ui {

class Gauge : public QWidget {
    Q_OBJECT
public:
    enum class Kind { Bar, Pie, Needle };

    explicit Gauge(Kind kind, QWidget* parent = nullptr);

    Kind kind() const { return m_kind; }

    // Clamped to 0..maxValue(); schedules a repaint when the value changes,
    // and tells assistive technology of the value it settles on.
    void setProgress(int v);
    int progress() const { return m_progress; }
    // At least 1; the progress is clamped to the new maximum.
    void setMaxValue(int m);
    int maxValue() const { return m_max; }
    // progress * 100 / maxValue, rounded toward zero.
    int percentDone() const;

    void setBackColor(const QColor& c);
    QColor backColor() const { return m_back; }
    void setForeColor(const QColor& c);
    QColor foreColor() const { return m_fore; }
    // Default: on for Bar and Needle, off for Pie.
    void setShowText(bool on);
    bool showText() const { return m_showText; }
    // A one-pixel outline; default on.
    void setBorder(bool on);
    bool border() const { return m_border; }
    void setBorderColor(const QColor& c);
    QColor borderColor() const { return m_borderColor; }

    // Paints the gauge now, before returning (QWidget::repaint).
    void repaintNow();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void paintBar(QPainter& p);
    void paintPie(QPainter& p);
    void paintNeedle(QPainter& p, qreal dpr);
    void paintCentredText(QPainter& p, const QRect& area, const QColor& colour);
    const QPixmap& needleFace(qreal dpr);
    void invalidateCaches();
    QString percentText() const;
    void announceProgress();

    Kind m_kind;
    int m_progress = 0;
    int m_max = 100;
    QColor m_back{Qt::white};
    QColor m_fore{Qt::black};
    QColor m_borderColor{Qt::black};
    bool m_showText;
    bool m_border = true;
    // The progress assistive technology was last told of, and whether a
    // word of a newer one is on its way.
    int m_announced = 0;
    bool m_announcePending = false;

    // Cached per size, colours and font: the font that fits "100%" into the
    // gauge, and the needle gauge's dial face.
    QFont m_textFont;
    bool m_textFontValid = false;
    QPixmap m_face;
};

}  // namespace ostra::ui
