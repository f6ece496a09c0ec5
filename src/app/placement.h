// Where the main window stands and how high it is, as the logic sees it.
// The window follows the requests and reports where the user put it.
#pragma once

#include <QObject>
#include <QPoint>

namespace ostra {

inline const int kDesignLeft = 201;
inline const int kDesignTop = 116;
inline const int kDesignWidth = 390;
inline const int kHeightOpen = 756;    // analysis panel open
inline const int kHeightClosed = 341;  // analysis panel closed

class Placement : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    int left() const { return left_; }
    int top() const { return top_; }
    int height() const { return height_; }
    int width() const { return width_; }

    void setLeft(int x) { moveTo(x, top_); }
    void setTop(int y) { moveTo(left_, y); }
    void moveTo(int x, int y) {
        left_ = requested_.rx() = x;
        top_ = requested_.ry() = y;
        emit moveRequested(x, y);
    }
    // Where the logic last put the window (a window manager may report
    // another place for a moment after it takes the window over).
    QPoint requested() const { return requested_; }
    void setHeight(int h) {
        height_ = h;
        emit heightRequested(h);
    }
    // The window moved (by the user, the window manager or a request).
    void windowMoved(int x, int y) {
        left_ = x;
        top_ = y;
    }
    void windowResized(int w, int h) {
        width_ = w;
        height_ = h;
    }

signals:
    void moveRequested(int x, int y);
    void heightRequested(int h);

private:
    int left_ = kDesignLeft;
    int top_ = kDesignTop;
    int height_ = 747;
    int width_ = kDesignWidth;
    QPoint requested_{kDesignLeft, kDesignTop};
};

}  // namespace ostra
