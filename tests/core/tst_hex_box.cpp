// The hex box rule over every character a box can be given, and the box
// that carries it: whatever way a text arrives, the box holds only what the
// rule lets in.

#include <QLineEdit>
#include <QtTest>

#include "BoxInput.h"
#include "core/HexBox.h"

using HexBox::Blanks;

class TestHexBox : public QObject {
    Q_OBJECT

private slots:
    void everyCodeThroughTheRule() {
        for (Blanks blanks : {Blanks::Dropped, Blanks::Kept}) {
            for (int code = 0; code <= 0xFFFF; ++code) {
                int k = code;
                HexBox::key(k, blanks);
                int expected = 0;
                if (code == 8 || (code >= '0' && code <= '9') || (code >= 'A' && code <= 'F'))
                    expected = code;
                else if (code >= 'a' && code <= 'f')
                    expected = code - 32;
                else if (code == ' ' && blanks == Blanks::Kept)
                    expected = code;
                QVERIFY2(k == expected,
                         qPrintable(QStringLiteral("U+%1").arg(code, 4, 16, QLatin1Char('0'))));
            }
        }
    }

    void boxHoldsWhatTheRuleLetsIn() {
        QWidget page;
        QLineEdit box(&page);
        bool hexView = true;
        HexBox::attach(&box, Blanks::Kept, [&] { return hexView; });
        page.show();
        for (BoxInput::Way way : BoxInput::kWays) {
            BoxInput::put(&box, QStringLiteral("fd g\r\n中0,3 "), way);
            QCOMPARE(box.text(), QStringLiteral("FD 03 "));
        }
        // While the rule does not apply the box takes the text as it is.
        hexView = false;
        box.setText(QStringLiteral("+,"));
        QCOMPARE(box.text(), QStringLiteral("+,"));
    }
};

QTEST_MAIN(TestHexBox)
#include "tst_hex_box.moc"
