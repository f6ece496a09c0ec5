// TForm2, "Information": the product, its version and a few words on it.
#pragma once

#include <QDialog>

class QLabel;

namespace ostra {

class InfoWindow : public QDialog {
    Q_OBJECT
public:
    explicit InfoWindow(QWidget* parent = nullptr);
    // The version text shown (the main window's version label at showing).
    void setVersionText(const QString& text);
    QString versionText() const;

private:
    QLabel* version_;
};

}  // namespace ostra
