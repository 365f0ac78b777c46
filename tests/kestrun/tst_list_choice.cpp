// The lists of the parameter page whose text goes into a request take their
// items only: text reaching them by any way, with Enter or without, adds no
// item, and their button refuses it with a message, sending nothing, or
// sends what the list shows.

#include <QPushButton>

#include "KestrunHarness.h"
#include "kestrun/settings/ParamSenders.h"
#include "platform/Controls.h"
#include "tests/support/ListWays.h"

class TestListChoice : public QObject {
    Q_OBJECT

private slots:
    void listsTakeOnlyTheirItems_data();
    void listsTakeOnlyTheirItems();
};

void TestListChoice::listsTakeOnlyTheirItems_data() {
    QTest::addColumn<QString>("list");
    QTest::addColumn<QString>("text");
    const char* const rows[][2] = {{"Combo1", "abc"},  {"Combo1", "主动"},     {"Combo1", "被动方式"},
                                   {"Combo3", "9600"}, {"Combo3", "96O0"},     {"Combo3", "9600BPS"},
                                   {"Combo3", "abc"},  {"Combo3", "14400bps"}, {"Combo3", "57600bps"}};
    for (const auto& r : rows)
        QTest::newRow(qPrintable(QStringLiteral("%1 \"%2\"").arg(r[0], QString::fromUtf8(r[1]))))
            << QString::fromLatin1(r[0]) << QString::fromUtf8(r[1]);
}

void TestListChoice::listsTakeOnlyTheirItems() {
    QFETCH(QString, list);
    QFETCH(QString, text);
    KestrunHarness h;
    SettingsForm* f = h.showFormDirectly(0);
    QVERIFY(f);
    QComboBox* combo = list == QStringLiteral("Combo1") ? f->Combo1 : f->Combo3;
    QPushButton* press = list == QStringLiteral("Combo1") ? f->Command5 : f->Command6;
    const QString refusal = list == QStringLiteral("Combo1") ? QStringLiteral("你必须选择需要的工作方式")
                                                             : QStringLiteral("波特率无效，请从列表中选择");
    auto formatted = [&] { Controls::setListIndexAndClick(f->Combo2, 0); };
    ListWays::everyWay(combo, text, formatted, [&](const QString& how, const QString& shown) {
        const QString request = ListWays::firstRequest(list, shown);
        h.dialogs.clear();
        const int from = int(h.sim().requests().size());
        QTest::mouseClick(press, Qt::LeftButton);
        if (request.isEmpty()) {
            QVERIFY2(h.dialogs.describe().endsWith(": " + refusal),
                     qPrintable(how + ": " + shown + " / " + h.dialogs.describe() + " / " +
                                SimSupport::hex(h.sim().requests().value(from).bytes)));
            QCOMPARE(combo->currentText(), shown);
            QVERIFY(!f->Timer1->enabled());
            h.port().output(KestrunHarness::frame("F8 03"));  // a marker: nothing went out before it
            QCOMPARE(h.fixture.waitForRequest(KestrunHarness::frame("F8 03"), from), from);
        } else {
            QVERIFY2(h.fixture.waitForRequest(KestrunHarness::frame(request.toLatin1().constData()), from) == from,
                     qPrintable(how + ": " + shown + " / " + h.dialogs.describe()));
            if (f->Timer1->enabled()) {  // the work-mode chain ends here
                f->Timer1->setEnabled(false);
                f->Enable_Command();
            }
        }
    });
}

QTEST_MAIN(TestListChoice)
#include "tst_list_choice.moc"
