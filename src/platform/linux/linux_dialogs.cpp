#include "platform/linux/linux_dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

#include <memory>

namespace ostra {

namespace {

QMessageBox* makeBox(QMessageBox::Icon icon, const QString& caption, const QString& text) {
    auto* box = new QMessageBox(icon, caption, text, QMessageBox::NoButton);
    box->setAttribute(Qt::WA_DeleteOnClose, false);
    box->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    return box;
}

}  // namespace

void LinuxDialogs::message(const QString& text) {
    std::unique_ptr<QMessageBox> box(makeBox(QMessageBox::NoIcon, QStringLiteral("Ostra"), text));
    box->addButton(QMessageBox::Ok);
    box->exec();
}

void LinuxDialogs::error(const QString& text) {
    std::unique_ptr<QMessageBox> box(makeBox(QMessageBox::Critical, QStringLiteral("Ostra"), text));
    box->addButton(QMessageBox::Ok);
    box->exec();
}

Answer LinuxDialogs::confirm(const QString& text) {
    std::unique_ptr<QMessageBox> box(makeBox(QMessageBox::Question, QStringLiteral("Confirm"), text));
    QPushButton* yes = box->addButton(QStringLiteral("&Yes"), QMessageBox::YesRole);
    QPushButton* no = box->addButton(QStringLiteral("&No"), QMessageBox::NoRole);
    box->setDefaultButton(yes);
    box->setEscapeButton(no);
    box->exec();
    if (box->clickedButton() == yes) return Answer::Yes;
    if (box->clickedButton() == no) return Answer::No;
    return Answer::Closed;
}

bool LinuxDialogs::ask(const QString& text, const QString& act, const QString& cancel) {
    std::unique_ptr<QMessageBox> box(makeBox(QMessageBox::Warning, QStringLiteral("Confirm"), text));
    // Over the window it was asked from.
    if (QWidget* from = QApplication::activeWindow()) {
        box->setParent(from, box->windowFlags());
        box->setWindowModality(Qt::ApplicationModal);
    }
    QPushButton* yes = box->addButton(act, QMessageBox::AcceptRole);
    QPushButton* no = box->addButton(cancel, QMessageBox::RejectRole);
    yes->setAutoDefault(false);
    no->setAutoDefault(false);
    box->setEscapeButton(no);
    box->exec();
    return box->clickedButton() == yes;
}

namespace {

// "desc|pattern" pairs in Qt's "desc (pattern)" form.
QString qtFilter(const QString& filter) {
    QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString desc = parts[i] == QLatin1String("*.exe") ? QStringLiteral("executable files") : parts[i];
        QString pat = parts[i + 1] == QLatin1String("*.exe") ? QStringLiteral("*") : parts[i + 1];
        filters << QStringLiteral("%1 (%2)").arg(desc, pat);
    }
    return filters.join(QStringLiteral(";;"));
}

std::optional<QString> chosen(const QString& f) {
    if (f.isEmpty()) return std::nullopt;
    return f;
}

}  // namespace

std::optional<QString> LinuxDialogs::openFile(const QString& title, const QString& filter,
                                              const QString& initialDir) {
    return chosen(QFileDialog::getOpenFileName(nullptr, title, initialDir, qtFilter(filter)));
}

std::optional<QString> LinuxDialogs::saveFile(const QString& title, const QString& filter,
                                              const QString& initialPath) {
    return chosen(QFileDialog::getSaveFileName(nullptr, title, initialPath, qtFilter(filter)));
}

}  // namespace ostra
