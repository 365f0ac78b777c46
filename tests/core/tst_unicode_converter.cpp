#include "core/UnicodeConverter.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

class TestUnicodeConverter : public QObject {
    Q_OBJECT

    std::unique_ptr<QWidget> owner;
    UnicodeConverter* form = nullptr;

    QPlainTextEdit* input() { return form->findChild<QPlainTextEdit*>(QStringLiteral("Text1")); }
    QPlainTextEdit* output() { return form->findChild<QPlainTextEdit*>(QStringLiteral("Text2")); }
    QLineEdit* before() { return form->findChild<QLineEdit*>(QStringLiteral("Text3")); }
    QLineEdit* after() { return form->findChild<QLineEdit*>(QStringLiteral("Text4")); }
    // Types each character as a key with that text, as an input method
    // would deliver Chinese.
    static void typeText(QWidget* w, const QString& text)
    {
        for (QChar c : text)
            QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
    QString convert()
    {
        QTest::mouseClick(form->findChild<QPushButton*>(QStringLiteral("Command1")), Qt::LeftButton);
        return form->outputText();
    }

private slots:
    void init()
    {
        owner = std::make_unique<QWidget>();
        form = new UnicodeConverter(owner.get(), Qt::Window);
        form->show();
    }
    void cleanup() { owner.reset(); }

    void opensAsItsOwnWindow()
    {
        QCOMPARE(form->objectName(), QStringLiteral("Form18"));
        QCOMPARE(form->windowTitle(), QStringLiteral("转换"));
        QVERIFY(form->isWindow());
        QCOMPARE(form->parentWidget(), owner.get());
        QVERIFY(input() && output() && before() && after());
        QCOMPARE(before()->text(), QString());
        QCOMPARE(after()->text(), QStringLiteral(":"));
        QCOMPARE(form->findChild<QPushButton*>(QStringLiteral("Command2"))->text(), QStringLiteral("退出"));
    }

    void typedTextGivesCodeUnitsHighByteFirst()
    {
        typeText(input(), QStringLiteral("中A"));
        QCOMPARE(convert(), QStringLiteral("4E:2D:00:41:\r\n"));
        QCOMPARE(output()->toPlainText(), QStringLiteral("4E:2D:00:41:\n"));
        // A second press replaces the output.
        QCOMPARE(convert(), QStringLiteral("4E:2D:00:41:\r\n"));
    }

    void emptyInputGivesTheLineEndAlone()
    {
        QCOMPARE(convert(), QStringLiteral("\r\n"));
    }

    void beforeAndAfterTextsFrameEachByte()
    {
        typeText(input(), QStringLiteral("中A"));
        after()->clear();
        QCOMPARE(convert(), QStringLiteral("4E2D0041\r\n"));
        QTest::keyClicks(before(), QStringLiteral("0x"));
        QTest::keyClicks(after(), QStringLiteral(", "));
        QCOMPARE(convert(), QStringLiteral("0x4E, 0x2D, 0x00, 0x41, \r\n"));
    }

    void lineBreaksCountAsCrLf()
    {
        QTest::keyClick(input(), Qt::Key_Return);
        QCOMPARE(convert(), QStringLiteral("00:0D:00:0A:\r\n"));
        input()->clear();
        QTest::keyClicks(input(), QStringLiteral("A"));
        QTest::keyClick(input(), Qt::Key_Return, Qt::ShiftModifier);
        QTest::keyClicks(input(), QStringLiteral("B"));
        QCOMPARE(convert(), QStringLiteral("00:41:00:0D:00:0A:00:42:\r\n"));
    }

    void charactersKeepTheirOwnCodes()
    {
        // A no-break space is not a plain space, and a character beyond the
        // basic plane gives both halves of its surrogate pair.
        input()->setPlainText(QString(QChar(0x00A0)) + QString::fromUcs4(U"\U0001F600"));
        QCOMPARE(convert(), QStringLiteral("00:A0:D8:3D:DE:00:\r\n"));
        QCOMPARE(UnicodeConverter::unicodeHex(QStringLiteral("串口"), QString(), QStringLiteral(" ")),
                 QStringLiteral("4E 32 53 E3 \r\n"));
    }

    void quitClosesAndTheFormReopensAfresh()
    {
        QTest::keyClicks(input(), QStringLiteral("A"));
        after()->setText(QStringLiteral("-"));
        convert();
        QTest::mouseClick(form->findChild<QPushButton*>(QStringLiteral("Command2")), Qt::LeftButton);
        QVERIFY(!form->isVisible());
        form->show();
        QCOMPARE(input()->toPlainText(), QString());
        QCOMPARE(after()->text(), QStringLiteral(":"));
        QCOMPARE(form->outputText(), QString());
    }
};

QTEST_MAIN(TestUnicodeConverter)
#include "tst_unicode_converter.moc"
