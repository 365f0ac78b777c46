// The content box of the SMS test pages: what each send mode lets in by
// every road a character takes (keys, modifiers, paste, input method), and
// the byte count it shows.

#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QTest>

#include "core/HexContentBox.h"
#include "platform/FilterTextEdit.h"

using TestFrames::SendMode;

namespace {

// The box on a page with a control after it, for Tab to move to.
struct Box {
    QWidget page;
    FilterTextEdit edit{&page};
    QLineEdit next{&page};
    SendMode mode = SendMode::Hex;
    QString count;
    Box() {
        HexContentBox::attach(
            &edit, [this] { return mode; }, [this](const QString& c) { count = c; });
        page.show();
        edit.setFocus();
    }
    // "\b" is backspace, "\n" Enter, "\t" Tab; the rest is typed as it is.
    void type(const QString& keys) {
        for (QChar c : keys) {
            if (c == QLatin1Char('\b'))
                QTest::keyClick(&edit, Qt::Key_Backspace);
            else if (c == QLatin1Char('\n'))
                QTest::keyClick(&edit, Qt::Key_Return);
            else if (c == QLatin1Char('\t'))
                QTest::keyClick(&edit, Qt::Key_Tab);
            else
                QTest::keyClicks(&edit, QString(c));
        }
    }
    QString text() const { return edit.toPlainText(); }
};

QString counted(int n) { return QStringLiteral("发射区字节数：") + QString::number(n); }

}  // namespace

class TestHexContentBox : public QObject {
    Q_OBJECT

private slots:
    void typing_data();
    void typing();
    void modifiersNeverPassTheRule();
    void pasteAndInputMethodPassTheRule_data();
    void pasteAndInputMethodPassTheRule();
};

void TestHexContentBox::typing_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("count");
    const int hex = int(SendMode::Hex);
    QTest::newRow("hex digits only, upper case, pairs closed") << hex << "4g1 a"
                                                               << "41:A" << 1;
    QTest::newRow("hex: a full pair counts") << hex << "41ab"
                                             << "41:AB:" << 2;
    QTest::newRow("hex: backspace takes the ':' with its digit") << hex << "41ab\b"
                                                                 << "41:A" << 1;
    QTest::newRow("hex: backspace to empty") << hex << "41\b\b\b"
                                             << "" << 0;
    QTest::newRow("hex: typing on after backspace keeps pairs") << hex << "41ab\bc"
                                                                << "41:AC:" << 2;
    QTest::newRow("hex: Enter and Tab add nothing") << hex << "4\n\t1"
                                                    << "41:" << 1;
    QTest::newRow("hex: typed ':' is no digit") << hex << "4:1"
                                                << "41:" << 1;
    QTest::newRow("chinese: two bytes a character") << int(SendMode::Chinese) << "ab"
                                                    << "ab" << 4;
    QTest::newRow("english: a line break is CR LF") << int(SendMode::English) << "a\nb"
                                                    << "a\nb" << 4;
    QTest::newRow("english: anything goes") << int(SendMode::English) << "g:1\b"
                                            << "g:" << 2;
}

void TestHexContentBox::typing() {
    QFETCH(int, mode);
    QFETCH(QString, keys);
    QFETCH(QString, text);
    QFETCH(int, count);
    Box b;
    b.mode = SendMode(mode);
    b.type(keys);
    QCOMPARE(b.text(), text);
    QCOMPARE(b.count, counted(count));
}

void TestHexContentBox::modifiersNeverPassTheRule() {
    Box b;
    b.type(QStringLiteral("41"));
    // Alt types through the rule; Control and Meta type nothing at all.
    const Qt::KeyboardModifiers held[] = {Qt::AltModifier, Qt::MetaModifier, Qt::ControlModifier,
                                          Qt::AltModifier | Qt::ShiftModifier};
    for (Qt::KeyboardModifiers m : held) {
        QTest::keyClick(&b.edit, Qt::Key_G, m);
        QTest::keyClick(&b.edit, Qt::Key_Colon, m);
        QCOMPARE(b.text(), QStringLiteral("41:"));
    }
    QTest::keyClick(&b.edit, Qt::Key_B, Qt::ControlModifier);
    QCOMPARE(b.text(), QStringLiteral("41:"));
    QTest::keyClick(&b.edit, Qt::Key_B, Qt::AltModifier);
    QCOMPARE(b.text(), QStringLiteral("41:B"));
    // The same in a free mode: Control is no typing there either.
    b.mode = SendMode::English;
    QTest::keyClick(&b.edit, Qt::Key_X, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(b.text(), QStringLiteral("41:B"));
}

void TestHexContentBox::pasteAndInputMethodPassTheRule_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("viaInputMethod");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("text");
    const int hex = int(SendMode::Hex);
    const int eng = int(SendMode::English);
    QTest::newRow("hex paste") << hex << false << "4g1:\r\n ab"
                               << "41:AB:";
    QTest::newRow("hex input method") << hex << true << "4x1a"
                                      << "41:A";
    QTest::newRow("english paste keeps one line break") << eng << false << "a\r\nb"
                                                        << "a\nb";
    QTest::newRow("english input method") << eng << true << "中g"
                                          << "中g";
}

void TestHexContentBox::pasteAndInputMethodPassTheRule() {
    QFETCH(int, mode);
    QFETCH(bool, viaInputMethod);
    QFETCH(QString, input);
    QFETCH(QString, text);
    Box b;
    b.mode = SendMode(mode);
    if (viaInputMethod) {
        QInputMethodEvent ev;
        ev.setCommitString(input);
        QCoreApplication::sendEvent(&b.edit, &ev);
    } else {
        QApplication::clipboard()->setText(input);
        QTest::keyClick(&b.edit, Qt::Key_V, Qt::ControlModifier);
    }
    QCOMPARE(b.text(), text);
}

QTEST_MAIN(TestHexContentBox)
#include "tst_hex_content_box.moc"
