// Plain shapes drawn straight onto their parent: a filled rectangle, a
// rounded rectangle or an empty frame, and the diamond of the display dial.
// Neither takes the mouse itself; presses pass on to the parent.
#pragma once

#include <QColor>
#include <QWidget>

namespace ostra::ui {

class Shape : public QWidget {
    Q_OBJECT
public:
    enum class Form { Rectangle, RoundRect, Frame };

    explicit Shape(Form form, QWidget* parent = nullptr);

    Form form() const { return m_form; }
    // Fill (unused by Frame); default white.
    void setBrushColor(const QColor& c);
    QColor brushColor() const { return m_brush; }
    // Outline; default black. A transparent colour draws no outline.
    void setPenColor(const QColor& c);
    QColor penColor() const { return m_pen; }
    // Outline width in pixels (0 for none); default 1.
    void setPenWidth(int w);
    int penWidth() const { return m_penWidth; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Form m_form;
    QColor m_brush{Qt::white};
    QColor m_pen{Qt::black};
    int m_penWidth = 1;
};

// A rhombus touching the middle of each side of its rectangle: a coloured
// outline around a see-through (or filled) interior.
class Diamond : public QWidget {
    Q_OBJECT
public:
    explicit Diamond(QWidget* parent = nullptr);

    // Outline colour; default RGB(0,64,128).
    void setColor(const QColor& c);
    QColor color() const { return m_color; }
    // Interior; transparent by default so that what lies behind shows.
    void setFillColor(const QColor& c);
    QColor fillColor() const { return m_fill; }
    // Outline width in pixels; default 3.
    void setLineWidth(qreal w);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_color{0, 64, 128};
    QColor m_fill{Qt::transparent};
    qreal m_lineWidth = 3.0;
};

}  // namespace ostra::ui
