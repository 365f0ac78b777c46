// The test helper that puts a text into a box by each way a user has: each
// way reaches every kind of box, and every way but loading passes each
// character through the box's key rule (installKeyFilter, FilterTextEdit).

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QtTest>

#include "BoxInput.h"
#include "platform/Controls.h"
#include "platform/FilterTextEdit.h"

using BoxInput::Way;

namespace {

const QStringList kTexts = {QStringLiteral("ab 09"), QStringLiteral("中文,x"), QStringLiteral("a\U0001F600b"),
                            QStringLiteral("")};

}  // namespace

class TestBoxInput : public QObject {
    Q_OBJECT

private slots:
    void everyWayReachesEveryBox() {
        QWidget page;
        QLineEdit line(&page);
        QPlainTextEdit plain(&page);
        QTextEdit rich(&page);
        QComboBox list(&page);
        list.setEditable(true);
        page.show();
        for (QWidget* box : QList<QWidget*>{&line, &plain, &rich, &list}) {
            for (Way way : BoxInput::kWays) {
                for (const QString& text : kTexts) {
                    BoxInput::put(box, QStringLiteral("old"), way);
                    QVERIFY(BoxInput::put(box, text, way));
                    QVERIFY2(BoxInput::shown(box) == text,
                             qPrintable(QStringLiteral("%1 %2: \"%3\" shows \"%4\"")
                                            .arg(box->metaObject()->className(), BoxInput::name(way), text,
                                                 BoxInput::shown(box))));
                }
            }
        }
        QLabel notABox;
        QVERIFY(!BoxInput::put(&notABox, QStringLiteral("x"), Way::Typed));
    }

    // A rule that takes upper-case letters only sees every character the
    // user brings, line breaks and characters without a key included.
    void userWaysPassTheKeyRule() {
        QWidget page;
        QLineEdit line(&page);
        QComboBox list(&page);
        list.setEditable(true);
        FilterTextEdit multi(&page);
        QString seen;
        const auto rule = [&seen](int& k) {
            if (k != 8) seen += QChar(char32_t(k));
            if (k < 'A' || k > 'Z') k = 0;
        };
        Controls::installKeyFilter(&line, rule);
        Controls::installKeyFilter(list.lineEdit(), rule);
        multi.keyRule = rule;
        page.show();
        const QString text = QStringLiteral("AbC中\r\nD,");
        for (QWidget* box : QList<QWidget*>{&line, &list, &multi}) {
            for (Way way : {Way::Typed, Way::Pasted, Way::Dropped}) {
                seen.clear();
                BoxInput::put(box, text, way);
                const QString where =
                    QStringLiteral("%1 %2").arg(box->metaObject()->className(), BoxInput::name(way));
                QVERIFY2(BoxInput::shown(box) == QStringLiteral("ACD"),
                         qPrintable(where + BoxInput::shown(box)));
                QVERIFY2(seen.contains(QStringLiteral("中")), qPrintable(where + seen));
            }
        }
        QVERIFY(BoxInput::clipboardWorks());
    }
};

QTEST_MAIN(TestBoxInput)
#include "tst_box_input.moc"
