// The yardstick for the footprint benchmark: the least a Qt 6 program does
// that shows a window with the memory load and sits in the tray. One label,
// one tray icon, one timer that reads /proc/meminfo once a second.
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QTimer>

namespace {

// The memory load in percent, 100 * (MemTotal - MemAvailable) / MemTotal;
// -1 when /proc/meminfo cannot be read.
int memoryLoad() {
    QFile f(QStringLiteral("/proc/meminfo"));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    qint64 total = -1, available = -1;
    while (total < 0 || available < 0) {
        const QByteArray line = f.readLine();
        if (line.isEmpty()) break;
        const QList<QByteArray> parts = line.simplified().split(' ');
        if (parts.size() < 2) continue;
        if (parts[0] == "MemTotal:") total = parts[1].toLongLong();
        else if (parts[0] == "MemAvailable:") available = parts[1].toLongLong();
    }
    if (total <= 0 || available < 0) return -1;
    return int((100 * (total - available) + total / 2) / total);
}

QIcon trayPicture() {
    QPixmap pm(22, 22);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x2e, 0x7d, 0x32));
    p.drawRect(4, 4, 14, 14);
    return QIcon(pm);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);

    QLabel label;
    label.setWindowTitle(QStringLiteral("bare_tray"));
    label.setAlignment(Qt::AlignCenter);
    label.resize(200, 60);

    QSystemTrayIcon tray(trayPicture());
    tray.setToolTip(QStringLiteral("bare_tray"));

    auto update = [&label] {
        label.setText(QStringLiteral("Memory load: %1 %").arg(memoryLoad()));
    };
    update();
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, &label, update);
    timer.start(1000);

    label.show();
    tray.show();
    return app.exec();
}
