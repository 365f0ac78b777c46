#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QtTest>
#include <functional>

#include "CommandGridHost.h"
#include "DialogRecorder.h"
#include "Find.h"
#include "OutputFrameEditor.h"
#include "platform/VbTimer.h"

using Dialogs::Answer;

namespace {

const QString kGolden = QStringLiteral(
    "Modbus RTU,16进制,2-1-4-3,浮点数,5,4,1,FF,2B(+),2D(-),16位CRC（低字节在前）,2字节,Hex4,Asc2,01 10 00 02 "
    ",OK");
const QString kNotAscii = QStringLiteral("不是标准ASCII码字符");
const QString kTailQuestion = QStringLiteral("指令尾段输出为空！您确定数据后不需要输出指令内容吗？");
const QString kHeadQuestion = QStringLiteral("指令头输出为空！您确定不需要输出指令头内容吗？");
const QString kTooLong = QStringLiteral("报文头与报文尾总长度超出36字节范围");

}  // namespace

class TestOutputFrameEditor : public QObject {
    Q_OBJECT

    std::unique_ptr<CommandGridHost> host;
    QPointer<OutputFrameEditor> form;

    template <class T>
    T* ctl(const char* name) {
        return findNamed<T>(form, QString::fromUtf8(name));
    }
    QLineEdit* box(const char* name) { return ctl<QLineEdit>(name); }
    QLabel* label(const char* name) { return ctl<QLabel>(name); }
    QComboBox* combo(const char* name) { return ctl<QComboBox>(name); }
    void click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton); }
    void clickOk() { click(ctl<QPushButton>("Command1")); }

    // Opens the editor on grid row `row` holding `cell` in column 8 and waits
    // for its loader.
    void open(int row, const QString& cell) {
        host->grid->setTextMatrix(row, OutputFrameEditor::kFrameColumn, cell);
        host->grid->setRow(row);
        host->grid->setScrollBars(0);
        form = new OutputFrameEditor(*host);
        form->show();
        auto* timer = form->findChild<VbTimer*>(QStringLiteral("Timer1"));
        QVERIFY(timer);
        QTRY_VERIFY(!timer->enabled());
    }
    QString cell(int row) { return host->grid->TextMatrix(row, OutputFrameEditor::kFrameColumn); }

private slots:
    void init() { host = std::make_unique<CommandGridHost>(3); }
    void cleanup() {
        delete form;
        host.reset();
    }

    // What OK writes, for the states an installer gets the editor into.
    void okWritesTheRecord() {
        struct Case {
            const char* name;
            QString cell;
            std::function<void(TestOutputFrameEditor&)> edit;
            QList<Answer> answers;
            QString record;
            QStringList messages;
        };
        const QList<Case> cases = {
            {"empty cell, defaults",
             QString(),
             nullptr,
             {Answer::Ok},
             QStringLiteral("自定义,16进制,1-2-3-4,整数,5,2,1,0,31(1),30(0),无,1字节,Hex4,0000,FD FE 00 03,"),
             {kTailQuestion}},
            {"DCON preset",
             QString(),
             [](TestOutputFrameEditor& t) { CommandGridHost::choose(t.combo("ComboXieYi"), 2); },
             {},
             QStringLiteral("DCON,ASCII码,4-3-2-1,原值输出,3,6,3,0,00(),00(),无,0字节,Asc4,Hex1,#010,0D"),
             {}},
            {"a record read back comes out with its count as a number",
             kGolden,
             nullptr,
             {},
             QStringLiteral(
                 "Modbus RTU,16进制,2-1-4-3,浮点数,5,4,1,FF,2B(+),2D(-),16位CRC（低字节在前）,2,Hex4,"
                 "Asc2,01 10 00 02 ,OK"),
             {}},
            {"sign bytes of 80 hex and more stay digits in ASCII format",
             QStringLiteral("自定义,ASCII码,4-3-2-1,原值输出,5,2,1,0,FF(),A0(),无,1,Hex1,Hex1,01,02"),
             nullptr,
             {},
             QStringLiteral("自定义,ASCII码,4-3-2-1,原值输出,5,2,1,0,FF(),A0(),无,1,Hex1,Hex1,01,02"),
             {}},
            {"a comma sign keeps the record whole",
             QStringLiteral("自定义,16进制,1-2-3-4,整数,5,2,1,0,2C(),30(0),无,1,Hex1,Hex1,01,02"),
             nullptr,
             {},
             QStringLiteral("自定义,16进制,1-2-3-4,整数,5,2,1,0,2C(),30(0),无,1,Hex1,Hex1,01,02"),
             {}},
            {"a switch value only the module gives is kept",
             QStringLiteral("自定义,16进制,1-2-3-4,整数,5,2,1,00,31(1),30(0),无,1,Hex1,Hex1,01,02"),
             nullptr,
             {},
             QStringLiteral("自定义,16进制,1-2-3-4,整数,5,2,1,00,31(1),30(0),无,1,Hex1,Hex1,01,02"),
             {}},
            {"a record with a field too many loads the defaults",
             QStringLiteral("a,b,c,d,e,f,g,h,i,j,k,l,m,n,o,p,q"),
             nullptr,
             {Answer::Ok},
             QStringLiteral("自定义,16进制,1-2-3-4,整数,5,2,1,0,31(1),30(0),无,1字节,Hex4,0000,FD FE 00 03,"),
             {kTailQuestion}},
            {"empty head confirmed, lower-case hex upper-cased",
             QString(),
             [](TestOutputFrameEditor& t) {
                 t.box("TxtDataHead")->clear();
                 t.box("TxtDataWei")->setText(QStringLiteral("0d 0a"));
             },
             {Answer::Ok},
             QStringLiteral("自定义,16进制,1-2-3-4,整数,5,2,1,0,31(1),30(0),无,1字节,0000,Hex2,,0D 0A"),
             {kHeadQuestion}},
            {"lower-case digits and a trailing blank",
             QString(),
             [](TestOutputFrameEditor& t) {
                 t.box("TxtDataHead")->setText(QStringLiteral("01 06 0a"));
                 t.box("TxtDataWei")->setText(QStringLiteral("01 06 00 00 00 01 "));
             },
             {},
             QStringLiteral("自定义,16进制,1-2-3-4,整数,5,2,1,0,31(1),30(0),无,1字节,Hex3,Hex6,01 06 0A,"
                            "01 06 00 00 00 01 "),
             {}},
            {"head 30 bytes and tail 7 warns and still writes",
             QString(),
             [](TestOutputFrameEditor& t) {
                 t.box("TxtDataHead")->setText(QStringLiteral("01 ").repeated(30));
                 t.box("TxtDataWei")->setText(QStringLiteral("02 ").repeated(7));
             },
             {},
             QStringLiteral("自定义,16进制,1-2-3-4,整数,5,2,1,0,31(1),30(0),无,1字节,Hex30,Hex7,") +
                 QStringLiteral("01 ").repeated(30) + QLatin1Char(',') + QStringLiteral("02 ").repeated(7),
             {kTooLong}},
        };
        for (const Case& c : cases) {
            DialogRecorder dialogs;
            for (Answer a : c.answers) dialogs.queueAnswer(a);
            open(1, c.cell);
            if (c.edit) c.edit(*this);
            clickOk();
            QVERIFY2(cell(1) == c.record, qPrintable(QStringLiteral("%1: %2").arg(c.name, cell(1))));
            QStringList shown;
            for (const auto& m : dialogs.messages()) shown << m.text;
            QVERIFY2(shown == c.messages,
                     qPrintable(QStringLiteral("%1: %2").arg(c.name, dialogs.describe())));
            QTRY_VERIFY2(!form, c.name);
            QCOMPARE(host->grid->ScrollBars(), 3);
        }
    }

    // The questions answered with Cancel, and Cancel itself, write nothing.
    void cancelKeepsTheCell() {
        const QString before = QStringLiteral("old");
        {
            DialogRecorder dialogs;
            dialogs.queueAnswer(Answer::Cancel);
            open(2, before);
            clickOk();
            QCOMPARE(dialogs.lastText(), kTailQuestion);
            QCOMPARE(cell(2), before);
            QVERIFY(form && form->isVisible());
        }
        box("TxtValStart")->setText(QStringLiteral("9"));
        click(ctl<QPushButton>("Command2"));
        QTRY_VERIFY(!form);
        QCOMPARE(cell(2), before);
        QCOMPARE(host->grid->ScrollBars(), 3);
    }

    // The editor writes into the row it loaded, whatever row is current.
    void okWritesTheRowItLoaded() {
        DialogRecorder dialogs;
        host->grid->setTextMatrix(2, 8, QStringLiteral("row two"));
        open(1, kGolden);
        host->grid->setRow(2);
        clickOk();
        QCOMPARE(cell(2), QStringLiteral("row two"));
        QVERIFY(cell(1).startsWith(QStringLiteral("Modbus RTU,")));

        // A row deleted above it: the editor follows its row.
        open(3, kGolden);
        host->grid->RemoveItem(1);
        QCOMPARE(form->editedRow(), 2);
        clickOk();
        QVERIFY(cell(2).startsWith(QStringLiteral("Modbus RTU,")));
        QCOMPARE(cell(1), QStringLiteral("row two"));

        // Its own row deleted: nothing written anywhere, the editor closes.
        open(2, QString());
        host->grid->RemoveItem(2);
        dialogs.queueAnswer(Answer::Ok);
        clickOk();
        QTRY_VERIFY(!form);
        QCOMPARE(host->grid->Rows(), 2);
        QCOMPARE(cell(1), QStringLiteral("row two"));
    }

    // Switching the head and tail between digits and characters.
    void frameViewSwitch() {
        struct Case {
            const char* name;
            int index;  // 0 head, 1 tail
            QString hex;
            QString caption;
            QString shown;  // text of the visible box after the switch
            bool message;
            QString backAgain;  // hex box after switching back ("" = not switched back)
        };
        const QList<Case> cases = {
            {"head 41 42", 0, QStringLiteral("41 42"), QStringLiteral("Asc"), QStringLiteral("AB"), false,
             QStringLiteral("41 42 ")},
            {"head of codes above 7F", 0, QStringLiteral("FD FE 00 03"), QStringLiteral("Hex"),
             QStringLiteral("FD FE 00 03"), true, QString()},
            {"tail with a 00", 1, QStringLiteral("41 00"), QStringLiteral("Hex"), QStringLiteral("41 00"),
             true, QString()},
            {"tail 0D, a character no box shows", 1, QStringLiteral("0D"), QStringLiteral("Hex"),
             QStringLiteral("0D"), true, QString()},
            {"tail 4F 4B", 1, QStringLiteral("4F4B"), QStringLiteral("Asc"), QStringLiteral("OK"), false,
             QStringLiteral("4F 4B ")},
        };
        for (const Case& c : cases) {
            DialogRecorder dialogs;
            open(1, QString());
            const char* hexName = c.index == 0 ? "TxtDataHead" : "TxtDataWei";
            const char* textName = c.index == 0 ? "TxtDataHead1" : "TxtDataWei1";
            QLabel* view = label(c.index == 0 ? "Label3(0)" : "Label3(1)");
            box(hexName)->setText(c.hex);
            click(view);
            QVERIFY2(view->text() == c.caption, c.name);
            QLineEdit* visible = c.caption == QStringLiteral("Hex") ? box(hexName) : box(textName);
            QVERIFY2(visible->isVisible(), c.name);
            QVERIFY2(visible->text() == c.shown, c.name);
            QVERIFY2((dialogs.lastText() == kNotAscii) == c.message, c.name);
            if (!c.backAgain.isEmpty()) {
                click(view);
                QVERIFY2(view->text() == QStringLiteral("Hex"), c.name);
                QVERIFY2(box(hexName)->text() == c.backAgain, c.name);
            }
            if (c.message) {
                dialogs.queueAnswer(Answer::Ok);
                clickOk();
                const QStringList f = cell(1).split(QLatin1Char(','));
                QVERIFY2(f.size() == 16, c.name);
                QVERIFY2(f[12 + c.index].startsWith(QStringLiteral("Hex")), c.name);
                QVERIFY2(f[14 + c.index] == c.hex, c.name);
            }
            delete form;
        }
    }

    // A record the module can hold, opened and confirmed unchanged, goes out
    // as it came, whatever the editor's range rules let the user type, and
    // as a cell a table file can hold (no control code).
    void okUnchangedSendsWhatWasRead() {
        const QStringList records = {
            "自定义,16进制,1-2-3-4,整数,5,12,6,0,31(1),30(0),无,1,Hex1,Hex1,01 ,02 ",
            "自定义,ASCII码,4-3-2-1,原值输出,5,200,9,0,31(1),30(0),无,1,Hex1,Hex1,01 ,02 ",
            "自定义,16进制,1-2-3-4,整数,5,11,5,0,31(1),30(0),无,1,Asc0,Hex1,,02 ",
            "自定义,16进制,1-2-3-4,整数,5,2,1,0,31(1),30(0),无,1,Hex1,Asc0,01 ,",
            "自定义,ASCII码,4-3-2-1,原值输出,5,2,1,0,31(1),30(0),无,1,Asc4,Asc2,A啊B,啊",
            "自定义,ASCII码,4-3-2-1,原值输出,5,2,1,0,01(),7F(),无,1,Hex1,Hex1,01 ,02 ",
            "自定义,16进制,1-2-3-4,整数,5,2,1,0,31(1),30(0),无,1,Hex2.5,Hex0,01 02 0,",  // an older editor's
        };
        QStringList faults;
        for (const QString& record : records) {
            DialogRecorder dialogs;  // the empty head or tail question: OK
            open(1, record);
            clickOk();
            protocol::CommandRecord before, after;
            before[8] = record;
            after[8] = cell(1);
            const protocol::RowWrite sent = protocol::commandRowFrame(after, 0);
            if ((form && form->isVisible()) || sent.refused() ||
                sent.frame != protocol::commandRowFrame(before, 0).frame ||
                std::any_of(after[8].begin(), after[8].end(),
                            [](QChar c) { return c < u' ' || c == u'\x7F'; }))
                faults << record + QStringLiteral(" -> ") + after[8] + sent.message + dialogs.describe();
            delete form;
        }
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
    }

    // Sign boxes: the two views, their conversions and what OK stores.
    void signViewsAndFields() {
        struct Case {
            const char* name;
            QString caption;  // view before
            QString box;
            int clicks;
            QString captionAfter;
            QString boxAfter;
            bool message;
            QString field;
        };
        const QList<Case> cases = {
            {"2B to characters", "Hex", "2B", 1, "Asc", "+", false, "2B(+)"},
            {"2B there and back", "Hex", "2B", 2, "Hex", "2B", false, "2B(+)"},
            {"FF refused", "Hex", "FF", 1, "Hex", "FF", true, "FF()"},
            {"80 stays digits", "Hex", "80", 0, "Hex", "80", false, "80()"},
            {"a control code stays digits", "Hex", "01", 1, "Hex", "01", true, "01()"},
            {"lower-case digits kept", "Hex", "2b", 0, "Hex", "2b", false, "2b(+)"},
            {"00 is no sign", "Hex", "00", 0, "Hex", "00", false, "00()"},
            {"empty is no sign", "Hex", "", 0, "Hex", "", false, "00()"},
            {"plus in characters", "Asc", "+", 0, "Asc", "+", false, "2B(+)"},
            {"minus to digits", "Asc", "-", 1, "Hex", "2D", false, "2D(-)"},
            {"Chinese refused", "Asc", "中", 1, "Asc", "中", true, QString()},
            {"comma keeps the record whole", "Asc", ",", 0, "Asc", ",", false, "2C()"},
        };
        for (const Case& c : cases) {
            DialogRecorder dialogs;
            open(1, QString());
            QLabel* view = label("Label32(1)");
            QLineEdit* sign = box("TxtPsflg");
            view->setText(c.caption);
            sign->setText(c.box);
            for (int k = 0; k < c.clicks; ++k) click(view);
            QVERIFY2(view->text() == c.captionAfter, c.name);
            QVERIFY2(sign->text() == c.boxAfter,
                     qPrintable(QStringLiteral("%1: %2").arg(c.name, sign->text())));
            QVERIFY2((dialogs.lastText() == kNotAscii) == c.message, c.name);
            dialogs.clear();
            dialogs.queueAnswer(Answer::Ok);  // the tail question
            clickOk();
            if (c.field.isEmpty()) {
                // A sign that cannot be stored keeps the editor open.
                QVERIFY2(dialogs.messages().first().text == kNotAscii, c.name);
                QVERIFY2(form, c.name);
                QVERIFY2(cell(1).isEmpty(), c.name);
                delete form;
            } else {
                QVERIFY2(cell(1).split(QLatin1Char(','))[8] == c.field,
                         qPrintable(QString::fromUtf8(c.name) + cell(1)));
            }
        }
    }

    // Boxes with limits correct themselves as they change.
    void inputLimits() {
        struct Case {
            const char* box;
            const char* caption;  // sign view, or nullptr
            QString typed;
            QString result;
        };
        const QList<Case> cases = {
            {"TxtValBytes", nullptr, "15", "10"},   {"TxtValBytes", nullptr, "-3", "0"},
            {"TxtValPoint", nullptr, "7", "4"},     {"TxtValPoint", nullptr, "3", "3"},
            {"TxtValStart", nullptr, "-1", "0"},    {"TxtValStart", nullptr, "abc", "0"},
            {"TxtValStart", nullptr, "300", "300"}, {"TxtPsflg", "Hex", "123", "12"},
            {"TxtNsflg", "Asc", "ab", "a"},         {"TextDIout", nullptr, "ABC", "AB"},
        };
        open(1, QString());
        for (const Case& c : cases) {
            QLineEdit* b = box(c.box);
            if (c.caption)
                label(QString::fromUtf8(c.box) == QStringLiteral("TxtPsflg") ? "Label32(1)" : "Label32(0)")
                    ->setText(QString::fromUtf8(c.caption));
            b->setText(c.typed);
            QVERIFY2(b->text() == c.result,
                     qPrintable(QStringLiteral("%1 %2 -> %3").arg(c.box, c.typed, b->text())));
        }
        // A comma never reaches the head or tail.
        box("TxtDataHead")->clear();
        QTest::keyClicks(box("TxtDataHead"), QStringLiteral("01,02"));
        QCOMPARE(box("TxtDataHead")->text(), QStringLiteral("0102"));
    }

    // A comma pasted into a box OK stores as typed, or reached by a view
    // switch, leaves the record whole.
    void commasKeepTheRecordWhole() {
        const struct {
            const char* box;
            QString pasted;
            int field;
            QString stored;
            const char* viewLabel;  // clicked after the paste
        } cases[] = {{"TxtCheckNum", "1,字节", 11, "1字节", nullptr},
                     {"TxtPsflg", "3,1", 8, "31(1)", nullptr},
                     {"TxtDataHead", "41 2C 42", 14, QStringLiteral("A\uFF0CB"), "Label3(0)"}};
        for (const auto& c : cases) {
            DialogRecorder dialogs;
            open(1, kGolden);
            box(c.box)->clear();
            QApplication::clipboard()->setText(c.pasted);
            QTest::keyClick(box(c.box), Qt::Key_V, Qt::ControlModifier);
            if (c.viewLabel) click(label(c.viewLabel));
            clickOk();
            const auto f = protocol::splitOutputFrame(cell(1));
            QVERIFY2(f && f->at(c.field) == c.stored,
                     qPrintable(QStringLiteral("%1: %2").arg(c.box, cell(1))));
            QVERIFY2(!dialogs.messageCount(), qPrintable(dialogs.describe()));
            QTRY_VERIFY(!form);
        }
    }

    // Protocol presets and the lists that depend on each other.
    void presetsAndDependentLists() {
        open(1, QString());
        CommandGridHost::choose(combo("ComboValType"), 2);
        CommandGridHost::choose(combo("ComboXieYi"), 1);
        QCOMPARE(box("TxtDataHead")->text(), QStringLiteral("01 05 00 00 00 01 "));
        QCOMPARE(box("TxtValBytes")->text(), QStringLiteral("1"));
        QCOMPARE(combo("ComboCheck")->currentIndex(), 3);
        QCOMPARE(box("TxtCheckNum")->text(), QStringLiteral("2字节"));
        CommandGridHost::choose(combo("ComboValType"), 1);
        QCOMPARE(box("TxtValBytes")->text(), QStringLiteral("2"));

        CommandGridHost::choose(combo("ComboXieYi"), 2);
        QVERIFY(box("TxtDataHead1")->isVisible());
        QVERIFY(!box("TxtDataHead")->isVisible());
        QCOMPARE(box("TxtDataHead1")->text(), QStringLiteral("#010"));
        QCOMPARE(box("TxtDataWei")->text(), QStringLiteral("0D"));
        QCOMPARE(label("Label3(1)")->text(), QStringLiteral("Hex"));
        QCOMPARE(box("TxtPsflg")->text(), QString());
        QCOMPARE(label("Label4(0)")->text(), QStringLiteral("例：#010"));
        QCOMPARE(label("Label4(2)")->text(), QStringLiteral("0D"));

        QComboBox* order = combo("ComboByteSort");
        QComboBox* format = combo("ComboDataFormat");
        struct Step {
            int format;
            int orderBefore;  // -1: leave it
            int orderAfter;
            QString item0;
        };
        const QList<Step> steps = {{1, 0, 2, "原值输出"}, {0, -1, 0, "整数"},     {1, 1, 2, "原值输出"},
                                   {2, 1, 1, "整数"},     {1, -1, 2, "原值输出"}, {2, -1, 0, "整数"}};
        for (const Step& s : steps) {
            if (s.orderBefore >= 0) order->setCurrentIndex(s.orderBefore);
            CommandGridHost::choose(format, s.format);
            QCOMPARE(order->currentIndex(), s.orderAfter);
            QCOMPARE(combo("ComboValType")->itemText(0), s.item0);
            QCOMPARE(label("Label32(0)")->text(),
                     s.format == 1 ? QStringLiteral("Asc") : QStringLiteral("Hex"));
        }
    }

    // The loader puts an Asc head into the character view.
    void loadsCharacterHead() {
        open(1, QStringLiteral("DCON,ASCII码,4-3-2-1,原值输出,3,6,3,0,2B(+),,无,0字节,Asc4,0000,#010,"));
        QCOMPARE(label("Label3(0)")->text(), QStringLiteral("Asc"));
        QVERIFY(box("TxtDataHead1")->isVisible());
        QCOMPARE(box("TxtDataHead1")->text(), QStringLiteral("#010"));
        QCOMPARE(box("TxtDataHead")->text(), QStringLiteral("23 30 31 30 "));
        QCOMPARE(label("Label32(1)")->text(), QStringLiteral("Asc"));
        QCOMPARE(box("TxtPsflg")->text(), QStringLiteral("+"));
        // An empty sign is no sign in either view, not the character "0".
        QCOMPARE(box("TxtNsflg")->text(), QString());
        QCOMPARE(box("TxtCheckNum")->text(), QStringLiteral("0"));
        QCOMPARE(combo("ComboXieYi")->currentIndex(), 2);
        QCOMPARE(box("TxtValStart")->text(), QStringLiteral("3"));
        QVERIFY(!form->isLoading());
    }

    // The check code is taken over the hex head box.
    void checkCodeOfTheHead() {
        struct Case {
            int method;
            QString expected;
        };
        const QList<Case> cases = {{3, "48 0A"}, {4, "0A 48"}};
        open(1, QString());
        for (const Case& c : cases) {
            box("TxtDataHead")->setText(QStringLiteral("01 06 00 00 00 01"));
            combo("ComboCheck")->setCurrentIndex(c.method);
            click(box("TextCheck"));
            QCOMPARE(box("TextCheck")->text(), c.expected);
        }
        box("TxtDataHead")->clear();
        click(box("TextCheck"));
        QCOMPARE(box("TextCheck")->text(), QString());

        // A head edited in the character view: the code is of what OK stores.
        open(2, QStringLiteral("自定义,ASCII码,4-3-2-1,原值输出,5,2,1,0,00(),00(),累加和,1,Asc2,0000,AB,"));
        box("TxtDataHead1")->setText(QStringLiteral("XY"));
        click(box("TextCheck"));
        QCOMPARE(box("TextCheck")->text(), QStringLiteral("B1"));
    }

    void viewConversionsOfText() {
        QCOMPARE(OutputFrameEditor::ASC_HEX(QStringLiteral("#010")), QStringLiteral("23 30 31 30 "));
        QCOMPARE(OutputFrameEditor::ASC_HEX(QString()), QString());
        QCOMPARE(OutputFrameEditor::ASC_HEX(QStringLiteral("a中")), QStringLiteral("61 D6 D0 "));
        QVERIFY(!OutputFrameEditor::ASC_HEX(QStringLiteral("a😀")));
    }
};

QTEST_MAIN(TestOutputFrameEditor)
#include "tst_output_frame_editor.moc"
