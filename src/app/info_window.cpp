#include "app/info_window.h"

#include "ui/artwork.h"
#include "ui/shape.h"

#include <QLabel>
#include <QPushButton>

namespace ostra {

InfoWindow::InfoWindow(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("TForm2"));
    setWindowTitle(QStringLiteral("Information"));
    setFixedSize(340, 385);
    setModal(true);
    ui::fillBackground(this, Qt::white);

    auto* upper = new ui::Shape(ui::Shape::Form::Rectangle, this);
    upper->setObjectName(QStringLiteral("Shape1"));
    upper->setGeometry(12, 9, 313, 123);
    upper->setBrushColor(QColor(205, 205, 231));
    upper->setPenColor(QColor(205, 205, 231));
    auto* pic = new QLabel(this);
    pic->setObjectName(QStringLiteral("Image2"));
    pic->setPixmap(ui::programPicture(32, 32, devicePixelRatioF()));
    pic->setGeometry(44, 12, 32, 32);
    auto* name = new QLabel(QStringLiteral("Ostra"), this);
    name->setObjectName(QStringLiteral("ProductName"));
    QFont bold = name->font();
    bold.setBold(true);
    name->setFont(bold);
    name->move(86, 24);
    auto* v = new QLabel(QStringLiteral("Version"), this);
    v->setObjectName(QStringLiteral("Version"));
    v->move(132, 21);
    version_ = new QLabel(QStringLiteral("1.0"), this);
    version_->setObjectName(QStringLiteral("Label1"));
    version_->setGeometry(181, 20, 120, 16);
    auto* desc = new QLabel(
        QStringLiteral("With Ostra it will keep your computer's safety, memory fresh \r\nand you healthy. "
                       "Now, you don't have to worry about \r\nthe resources, stolen memory and your "
                       "health. \r\nFeel free from those kind of risks being with Ostra."),
        this);
    desc->setObjectName(QStringLiteral("Label4"));
    desc->setGeometry(21, 62, 290, 69);
    desc->setWordWrap(true);
    desc->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto* alarm = new QLabel(QStringLiteral("*Rest time alarm alarms at every interval for your health."), this);
    alarm->setObjectName(QStringLiteral("Label7"));
    alarm->move(24, 115);
    for (QLabel* l : {desc, alarm, v, version_}) l->setFont(ui::narrowFont(11));
    // The description wraps inside its box; where this font's lines are wider
    // than the design's, the size steps down only as far as needed for the
    // wrapped text to end above the alarm line. That line ends inside the panel.
    for (QFont f = desc->font();
         desc->heightForWidth(desc->width()) > alarm->y() - desc->y() && f.pixelSize() > 8;) {
        f.setPixelSize(f.pixelSize() - 1);
        desc->setFont(f);
    }
    ui::fitWidth(alarm, 325 - 24 - 4);

    auto* middle = new ui::Shape(ui::Shape::Form::Rectangle, this);
    middle->setObjectName(QStringLiteral("Shape2"));
    middle->setGeometry(12, 137, 313, 66);
    middle->setBrushColor(QColor(0, 64, 128));
    middle->setPenColor(QColor(0, 64, 128));
    auto* maker =
        new QLabel(QStringLiteral("Ostra for Linux\nThe Ostra developers\nFree software, made with Qt"), this);
    maker->setObjectName(QStringLiteral("Label5"));
    QPalette wp = maker->palette();
    wp.setColor(QPalette::WindowText, Qt::white);
    maker->setPalette(wp);
    maker->setGeometry(24, 141, 290, 58);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("OKButton"));
    ok->setGeometry(124, 348, 89, 28);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

void InfoWindow::setVersionText(const QString& text) { version_->setText(text); }
QString InfoWindow::versionText() const { return version_->text(); }

}  // namespace ostra
