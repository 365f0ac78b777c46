// What the GPRS settings form's boxes send: exactly what they show, or
// nothing with a message, whichever way the text came in.

#include "GprsHarness.h"
#include "tests/support/BoxInput.h"

class TestGprsInput : public QObject {
    Q_OBJECT
private slots:
    void addressesSendWhatTheyShow_data();
    void addressesSendWhatTheyShow();
};

void TestGprsInput::addressesSendWhatTheyShow_data() {
    QTest::addColumn<int>("formMode");
    QTest::addColumn<int>("button");
    QTest::addColumn<QString>("projectBox");
    QTest::addColumn<QString>("stationBox");
    QTest::addColumn<bool>("station");  // the text goes to the station box, else the project box
    QTest::newRow("target station") << 1 << 6 << "Text8" << "Text1(0)" << true;
    QTest::newRow("target project") << 1 << 6 << "Text8" << "Text1(0)" << false;
    QTest::newRow("identity station") << 0 << 0 << "Text2" << "Text3" << true;
    QTest::newRow("identity project") << 0 << 0 << "Text2" << "Text3" << false;
}

void TestGprsInput::addressesSendWhatTheyShow() {
    QFETCH(int, formMode);
    QFETCH(int, button);
    QFETCH(QString, projectBox);
    QFETCH(QString, stationBox);
    QFETCH(bool, station);
    const QStringList texts = station ? QStringList{"a0f", "A05", "x0f", "中0F", "0 F", "0F\n1", "0:F", "12345", ""}
                                      : QStringList{"a", "F", "g", "中", " ", "\n"};
    GprsHarness h;
    QVERIFY(h.openForm(formMode));
    auto* project = h.f<QLineEdit>(projectBox);
    auto* stationEdit = h.f<QLineEdit>(stationBox);
    QVERIFY(project && stationEdit);
    for (const QString& text : texts) {
        for (BoxInput::Way way : BoxInput::kWays) {
            const QString what = QStringLiteral("%1 %2").arg(text, QString::fromLatin1(BoxInput::name(way)));
            BoxInput::put(project, station ? QStringLiteral("1") : text, station ? BoxInput::Way::Loaded : way);
            BoxInput::put(stationEdit, station ? text : QStringLiteral("234"),
                          station ? way : BoxInput::Way::Loaded);
            const QString shown = (project->text() + stationEdit->text()).toUpper();
            const int from = h.sim().requests().size();
            const int messages = h.dialogs.messageCount();
            QTest::mouseClick(h.button(button), Qt::LeftButton);
            QTest::qWait(50);
            QVERIFY2(QTest::qWaitFor([&] { return !h.form()->dataCentreWait(); }, 3000), qPrintable(what));
            if (h.sim().requests().size() == from) {
                // Refused: the installer is told why.
                QVERIFY2(h.dialogs.messageCount() > messages, qPrintable(what));
                continue;
            }
            const QByteArray sent = h.sim().requests().value(from).bytes;
            QVERIFY2(sent.size() == 12, qPrintable(what));
            const QString packed = QString::fromLatin1(sent.mid(10, 2).toHex().toUpper());
            QVERIFY2(packed == shown, qPrintable(what + " sent " + packed));
        }
    }
}

QTEST_MAIN(TestGprsInput)
#include "tst_gprs_input.moc"
