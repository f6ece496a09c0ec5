#include "softtest/report_window.h"

#include "ui/artwork.h"

namespace ostra {

ReportWindow::ReportWindow(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("TSoftTest"));
    setWindowTitle(QStringLiteral("Soft Test Report"));
    resize(606, 446);
    ui::fillBackground(this, Qt::white);
}

}  // namespace ostra
