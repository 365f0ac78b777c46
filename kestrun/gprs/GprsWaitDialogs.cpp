#include "GprsWaitDialogs.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

#include "platform/Controls.h"
#include "platform/Dialogs.h"
#include "platform/VbTimer.h"

using Controls::named;

void ProgramEndedDialog::end() {
    // Its own box (Form10's time-out) may be open with the answer or the
    // notice that ends it: it closes once that box has returned.
    Dialogs::afterOwnBoxes(this, [this] {
        m_ending = true;
        close();
    });
}

void ProgramEndedDialog::reject() {
    if (m_ending) QDialog::reject();
}

void ProgramEndedDialog::closeEvent(QCloseEvent* e) {
    if (!m_ending) {
        e->ignore();
        return;
    }
    QDialog::closeEvent(e);
}

RestartWaitDialog::RestartWaitDialog(QWidget* parent, const QString& message, std::function<void()> closePort,
                                     std::function<void()> finished)
    : ProgramEndedDialog(parent), m_closePort(std::move(closePort)), m_finished(std::move(finished)) {
    setObjectName(QStringLiteral("Form19"));
    setWindowTitle(QStringLiteral("模块重新启动"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::ApplicationModal);

    Label1 = named(new QLabel(message, this), "Label1");
    Label1->setWordWrap(true);
    ProgressBar1 = named(new QProgressBar(this), "ProgressBar1");
    ProgressBar1->setRange(0, 50);
    ProgressBar1->setValue(0);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(ProgressBar1);

    Timer1 = named(new VbTimer(this, 1000, true), "Timer1");
    Timer2 = named(new VbTimer(this, 200, true), "Timer2");
    connect(Timer2, &VbTimer::tick, this, [this] {
        Timer2->setEnabled(false);
        if (m_closePort) m_closePort();
    });
    connect(Timer1, &VbTimer::tick, this, &RestartWaitDialog::onTimer1);
}

void RestartWaitDialog::onTimer1() {
    if (m_count < 50) {
        ++m_count;
        ProgressBar1->setValue(m_count);
        return;
    }
    Timer1->setEnabled(false);
    if (m_finished) m_finished();
    end();
}

DataCentreWaitDialog::DataCentreWaitDialog(QWidget* parent) : ProgramEndedDialog(parent) {
    setObjectName(QStringLiteral("Form10"));
    setWindowTitle(QStringLiteral("正在与数据中心联系......请稍候"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::ApplicationModal);
    Label1 = named(new QLabel(this), "Label1");
    Label1->setMinimumWidth(Label1->fontMetrics().horizontalAdvance(QString(32, QLatin1Char('>'))));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    Timer1 = named(new VbTimer(this, 500, true), "Timer1");
    connect(Timer1, &VbTimer::tick, this, &DataCentreWaitDialog::onTimer1);
}

void DataCentreWaitDialog::answered() { Timer1->setEnabled(false); }

void DataCentreWaitDialog::onTimer1() {
    m_text += QLatin1Char('>');
    Label1->setText(m_text);
    if (m_text.size() > 29) m_text.clear();
    if (++m_count < 180) return;
    Timer1->setEnabled(false);
    emit gaveUp();
    Dialogs::msgBox(this, QStringLiteral("连接超时，可能是网络忙。请少后再试"), QStringLiteral("网络出错！"),
                    Dialogs::Icon::Information);
    end();
}
