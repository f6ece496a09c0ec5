// TSoftTest, "Soft Test Report": the window of the software test.
#pragma once

#include <QDialog>

namespace ostra {

class ReportWindow : public QDialog {
    Q_OBJECT
public:
    explicit ReportWindow(QWidget* parent = nullptr);
};

}  // namespace ostra
