// A whole number in seven-segment LED digits: lit segments over unlit ones
// on a (by default black) background. Digits are right-aligned in at least
// digits() cells; a longer number gets more cells.
#pragma once

#include <QColor>
#include <QWidget>

namespace ostra::ui {

class LedNumber : public QWidget {
    Q_OBJECT
public:
    explicit LedNumber(QWidget* parent = nullptr);

    void setValue(int v);
    int value() const { return m_value; }
    // Minimum number of digit cells shown (at least 1); default 2.
    void setDigits(int n);
    int digits() const { return m_digits; }

    void setLitColor(const QColor& c);
    QColor litColor() const { return m_lit; }
    void setUnlitColor(const QColor& c);
    QColor unlitColor() const { return m_unlit; }
    void setBackColor(const QColor& c);
    QColor backColor() const { return m_back; }

    // The characters shown, blanks for unused leading cells.
    QString displayText() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_value = 0;
    int m_digits = 2;
    QColor m_lit{0, 235, 0};
    QColor m_unlit{0, 52, 0};
    QColor m_back{Qt::black};
};

}  // namespace ostra::ui
