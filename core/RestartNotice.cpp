#include "RestartNotice.h"

#include "MainWindow.h"
#include "platform/VbTimer.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

RestartNotice::RestartNotice(MainWindow* main) : QDialog(main), m_main(main) {
    setObjectName(QStringLiteral("Form11"));
    setWindowTitle(QStringLiteral("请稍候......................"));
    setAttribute(Qt::WA_DeleteOnClose);

    Label1 = new QLabel(QStringLiteral("      您已经重新启动了模块，初始化需要一点时间。请耐心等待"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Command1 = new QPushButton(QStringLiteral("Command1"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command2 = new QPushButton(QStringLiteral("退出"), this);
    Command2->setObjectName(QStringLiteral("Command2"));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(Label2);
    layout->addLayout(buttons);

    connect(Command1, &QPushButton::clicked, this, [this] { m_main->setTimerEnabled(2, true); });
    connect(Command2, &QPushButton::clicked, this, [this] {
        m_main->close();
        QApplication::quit();
    });

    Timer1 = new VbTimer(this, 500, true);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    connect(Timer1, &VbTimer::tick, this, &RestartNotice::onTick);
}

void RestartNotice::onTick() {
    m_text += QLatin1Char('>');
    Label2->setText(m_text);
    if (m_text.size() > 29) m_text.clear();
    ++m_ticks;
}
