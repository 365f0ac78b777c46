#include "PictureWindow.h"

#include "MainWindow.h"
#include "platform/Vb.h"

#include <QCloseEvent>
#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QVBoxLayout>

namespace {
// A plain drawing of a module with its antenna and terminals, so the window
// has a picture without shipping any image file.
QPixmap modulePicture() {
    QPixmap pm(360, 220);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::darkGray, 3));
    p.setBrush(QColor(70, 110, 160));
    p.drawRoundedRect(40, 60, 280, 130, 12, 12);
    p.drawLine(280, 60, 300, 8);
    p.setBrush(QColor(200, 200, 200));
    for (int i = 0; i < 8; ++i) p.drawRect(60 + i * 30, 170, 18, 14);
    p.setBrush(QColor(120, 220, 120));
    p.drawEllipse(70, 80, 14, 14);
    p.setBrush(QColor(230, 80, 80));
    p.drawEllipse(95, 80, 14, 14);
    return pm;
}
}  // namespace

PictureWindow::PictureWindow(MainWindow* main) : QWidget(nullptr), m_main(main) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("短信报警控制模块"));

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(modulePicture());
    Image1->setAlignment(Qt::AlignCenter);

    Label2 = new QLabel(QStringLiteral("短信 测试程序"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setToolTip(QStringLiteral("短信模块参数设置与通信测试"));
    Label2->setAlignment(Qt::AlignCenter);
    Label2->setCursor(Qt::PointingHandCursor);
    QFont big = Label2->font();
    big.setPointSizeF(big.pointSizeF() * 2.2);
    big.setBold(true);
    Label2->setFont(big);
    Label2->installEventFilter(this);

    auto* line = new QFrame(this);
    line->setObjectName(QStringLiteral("Line1"));
    line->setFrameShape(QFrame::HLine);

    static const char* const kInfo[3] = {"技术支持：短信模块服务部", "电话：见产品说明书", "网址：见产品说明书"};
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Image1, 1);
    layout->addWidget(Label2);
    layout->addWidget(line);
    for (int i = 0; i < 3; ++i) {
        Label3[i] = new QLabel(QString::fromUtf8(kInfo[i]), this);
        Label3[i]->setObjectName(QStringLiteral("Label3(%1)").arg(i));
        layout->addWidget(Label3[i]);
    }

    resize(Vb::twips(11800), Vb::twips(8180));
    // The module is told a program is present as soon as the window loads.
    m_main->MSComm1->setDTREnable(true);
}

PictureWindow::~PictureWindow() = default;

void PictureWindow::closeEvent(QCloseEvent* e) {
    if (m_main->MSComm1->isOpen()) m_main->MSComm1->close();
    QWidget::closeEvent(e);
}

void PictureWindow::label2Click() { m_main->showConnectDialog(true); }

bool PictureWindow::eventFilter(QObject* o, QEvent* e) {
    if (o == Label2 && e->type() == QEvent::MouseButtonRelease) {
        label2Click();
        return true;
    }
    return QWidget::eventFilter(o, e);
}
