#include <QTest>

#include "TextCodec.h"

class TestTextCodec : public QObject {
    Q_OBJECT
private slots:
    void gbkRoundTrip() {
        QVERIFY(TextCodec::gbkAvailable());
        bool ok = false;
        const QByteArray b = TextCodec::toGbk(QStringLiteral("串口"), &ok);
        QVERIFY(ok);
        QCOMPARE(b, QByteArray::fromHex("B4AEBFDA"));
        QCOMPARE(TextCodec::fromGbk(b), QStringLiteral("串口"));
        // Mixed text and the euro sign of code page 936.
        QCOMPARE(TextCodec::toGbk(QStringLiteral("A1报警€"), &ok), QByteArray::fromHex("4131B1A8BEAF80"));
        QVERIFY(ok);
        QCOMPARE(TextCodec::toGbk(QString(), &ok), QByteArray());
        QVERIFY(ok);
    }

    void unencodableIsReported() {
        // Half a surrogate pair anywhere, the last position included (the
        // encoder keeps that one back silently).
        const QString high(QChar(char16_t(0xD83D))), low(QChar(char16_t(0xDE00)));
        for (const QString& s : {QStringLiteral("a😀b"), QStringLiteral("ก"), QStringLiteral("x\u20A9"),
                                 QStringLiteral("AB") + high, high, QStringLiteral("A") + high + QStringLiteral("B"),
                                 low + QStringLiteral("A"), QStringLiteral("A") + low}) {
            bool ok = true;
            TextCodec::toGbk(s, &ok);
            QVERIFY2(!ok, qPrintable(s));
        }
        // A literal "?" is a real character, not a failure.
        bool ok = false;
        QCOMPARE(TextCodec::toGbk(QStringLiteral("?"), &ok), QByteArray("?"));
        QVERIFY(ok);
    }

    void oneCharacterPerByte() {
        QByteArray all;
        for (int b = 0; b < 256; ++b) {
            const QChar c = TextCodec::byteToChar(static_cast<unsigned char>(b));
            if (b < 0x80)
                QCOMPARE(c.unicode(), char16_t(b));
            else if (b == 0x80)
                QCOMPARE(c.unicode(), char16_t(0x20AC));
            else
                QCOMPARE(c, QChar(QChar::ReplacementCharacter));
            all.append(static_cast<char>(b));
        }
        QCOMPARE(TextCodec::bytesToChars(all).size(), 256);
        // An identify answer: 11 bytes, lead bytes among them, give 11 characters.
        const QByteArray version = QByteArray::fromHex("56342E3032B4AE00FF8081");
        const QString text = TextCodec::bytesToChars(version);
        QCOMPARE(text.size(), 11);
        QVERIFY(text.startsWith(QStringLiteral("V4.02")));
    }

    void ucs2HighByteFirst() {
        QCOMPARE(TextCodec::toUcs2BE(QStringLiteral("A中")), QByteArray::fromHex("00414E2D"));
        QCOMPARE(TextCodec::fromUcs2BE(QByteArray::fromHex("00414E2D")), QStringLiteral("A中"));
        // An odd trailing byte is dropped, not turned into a character.
        QCOMPARE(TextCodec::fromUcs2BE(QByteArray::fromHex("004100")), QStringLiteral("A"));
        QCOMPARE(TextCodec::toUcs2BE(QString()), QByteArray());
        // Outside the basic plane: two code units, four bytes, and back.
        const QString emoji = QStringLiteral("😀");
        QCOMPARE(TextCodec::toUcs2BE(emoji), QByteArray::fromHex("D83DDE00"));
        QCOMPARE(TextCodec::fromUcs2BE(TextCodec::toUcs2BE(emoji)), emoji);
    }

    void invalidGbkStillDecodes() {
        // A lone lead byte at the end must not swallow or crash.
        QCOMPARE(TextCodec::fromGbk(QByteArray::fromHex("41B4")), QStringLiteral("A\uFFFD"));
        QCOMPARE(TextCodec::fromGbk(QByteArray::fromHex("B4AEB4")), QStringLiteral("串\uFFFD"));
        // A complete pair ending the text is not mistaken for a lone lead byte.
        QCOMPARE(TextCodec::fromGbk(QByteArray::fromHex("41B4AE")), QStringLiteral("A串"));
    }
};

QTEST_GUILESS_MAIN(TestTextCodec)
#include "tst_textcodec.moc"
