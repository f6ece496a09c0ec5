#include "softtest/report_window.h"

namespace ostra {

ReportWindow::ReportWindow(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("TSoftTest"));
    setWindowTitle(QStringLiteral("Soft Test Report"));
    resize(606, 446);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
}

}  // namespace ostra
