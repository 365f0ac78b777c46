#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>
#include <memory>

#include "BoxInput.h"
#include "ChannelGridHost.h"
#include "DialogRecorder.h"
#include "Find.h"
#include "core/Globals.h"
#include "core/NumberPicker.h"
#include "core/protocol/ChannelRecord.h"
#include "platform/Controls.h"
#include "platform/FlexGrid.h"
#include "varnel/editors/ChannelEditor.h"

class TestChannelEditor : public QObject {
    Q_OBJECT

    std::unique_ptr<ChannelGridHost> host;
    std::unique_ptr<DialogRecorder> dialogs;
    QPointer<ChannelEditor> editor;

    // Opens the editor on data row `row` and waits for its load.
    bool openOn(int row) {
        host->grid->setRow(row);
        editor = ChannelEditor::open(host.get());
        if (!editor) return false;
        host->editor = editor;
        return QTest::qWaitFor([this] { return editor && editor->loaded(); }, 3000);
    }
    template <class T>
    T* ctl(const QString& name) {
        return editor ? findNamed<T>(editor.data(), name) : nullptr;
    }
    QString text(const QString& name) { return ctl<QLineEdit>(name)->text(); }
    void choose(const QString& name, int index) {
        QComboBox* c = ctl<QComboBox>(name);
        c->setCurrentIndex(index);
        emit c->activated(index);  // the user's choice
    }
    void ok() { QTest::mouseClick(ctl<QPushButton>("Command1(0)"), Qt::LeftButton); }
    protocol::ChannelRecord record(int row) const {
        protocol::ChannelRecord c;
        for (int col = 0; col < protocol::kChannelColumns; ++col)
            c[size_t(col)] = host->grid->TextMatrix(row, col);
        return c;
    }
    int hexValue(const QString& digits) const { return digits.isEmpty() ? 0 : digits.toInt(nullptr, 16); }
    bool closed() {
        return QTest::qWaitFor([this] { return editor.isNull() || !editor->isVisible(); }, 2000);
    }

private slots:
    void init() {
        g::resetAll();
        host = std::make_unique<ChannelGridHost>();
        dialogs = std::make_unique<DialogRecorder>();
    }
    void cleanup() {
        if (editor) delete editor.data();
        dialogs.reset();
        host.reset();
    }

    void noDataRowOpensNothing() {
        QVERIFY(!ChannelEditor::open(host.get()));
        QVERIFY(host->events.isEmpty());
        QVERIFY(host->grid->isEnabled());
    }

    void openLocksAndCaptions() {
        host->addRows(3);
        QVERIFY(openOn(2));
        QCOMPARE(editor->objectName(), QStringLiteral("Form2"));
        QCOMPARE(editor->windowTitle(), QStringLiteral("编辑－参数设置－输入数据解析－通道 CH1"));
        QVERIFY(!host->grid->isEnabled());
        // Closing by the window's own box gives the table back untouched.
        const QStringList before = host->rowTexts(2);
        editor->close();
        QVERIFY(closed());
        QVERIFY(host->grid->isEnabled());
        QCOMPARE(host->rowTexts(2), before);
        QCOMPARE(host->events, QStringList({"lock", "unlock", "focus"}));
    }

    void newRowLoadsEmptyAndEnglishOkWritesNothing() {
        host->addRows(1);
        host->grid->setTextMatrix(1, 0, "*");
        QVERIFY(openOn(1));
        const QList<std::pair<const char*, const char*>> boxes = {
            {"TxtBJReTime", "0"},  {"TxtBJCount", "0"},    {"TxtBJReadCount", "0"}, {"TextAutoSend", "0"},
            {"TxtSflgStart", "0"}, {"TxtPointStart", "0"}, {"TxtValStart", "0"},    {"TxtValPoint", "0"},
            {"TxtValBytes", "0"},  {"TxtValUp", "0"},      {"TxtValDown", "0"},     {"TxtPsflg", ""},
            {"TxtNsflg", ""},      {"TxtCheckNum", ""},    {"TxtHeadStart", ""},    {"TxtDataHead", ""},
            {"TxtCmdVal", ""},     {"TextDIValON", ""},    {"TextDIon", "开启"},    {"TextDIoff", "关闭"},
        };
        for (const auto& [name, expected] : boxes) QCOMPARE(text(name), QString::fromUtf8(expected));
        const QList<std::pair<const char*, const char*>> lists = {
            {"ComboValType", "整数"},           {"ComboCheck", "无"},
            {"ComboXieYi", "自定义"},           {"ComboDataFormat", "16进制"},
            {"ComboByteSort", "1-2-3-4"},       {"ComboBit", "bit0"},
            {"ComboBJPhone", "透明方式1 号码"}, {"ComboDataHead", "独立通道 不绑定"},
        };
        for (const auto& [name, expected] : lists)
            QCOMPARE(ctl<QComboBox>(name)->currentText(), QString::fromUtf8(expected));
        QVERIFY(ctl<QRadioButton>("Option14")->isChecked());
        QCOMPARE(g::PhoneMask, 0);
        for (int i = 0; i < 8; ++i) {
            QCOMPARE(text(QStringLiteral("TxtSMS(%1)").arg(i)), kDesignSegments[i]);
            QVERIFY(!ctl<QCheckBox>(QStringLiteral("CheckCrLf(%1)").arg(i))->isChecked());
        }

        // The design segments are Chinese: the English OK is refused whole.
        const QStringList before = host->rowTexts(1);
        ok();
        QCOMPARE(dialogs->messageCount(), 1);
        QCOMPARE(dialogs->messages()[0].text,
                 QStringLiteral("短信选择了英文模式，但是短信内容有Unicode 编码字符"));
        QCOMPARE(dialogs->messages()[0].title, QStringLiteral("提示"));
        QCOMPARE(host->rowTexts(1), before);
        QVERIFY(editor && editor->isVisible());
        QVERIFY(!host->grid->isEnabled());
        QVERIFY(!host->events.contains("newRow"));
    }

    void chineseModbusOkWritesTheRow() {
        host->addRows(1);
        host->grid->setTextMatrix(1, 0, "*");
        QVERIFY(openOn(1));
        QTest::mouseClick(ctl<QRadioButton>("Option15"), Qt::LeftButton);
        choose("ComboXieYi", 1);
        QCOMPARE(text("TextCheck"), QStringLiteral("00 00"));
        ok();
        QCOMPARE(dialogs->messageCount(), 0);
        const QStringList expected = {"",
                                      "CH0",
                                      "0",
                                      "0",
                                      "汉字",
                                      "0(透明方式1 号码)",
                                      "0",
                                      "0",
                                      "0",
                                      "0",
                                      "0",
                                      "0",
                                      "整数",
                                      "4",
                                      "2",
                                      "16位CRC（低字节在前）",
                                      "2字节",
                                      "0",
                                      "Modbus RTU",
                                      "16进制",
                                      "1-2-3-4",
                                      "bit0",
                                      "1",
                                      "0",
                                      "0",
                                      "01 03 00 04 ",
                                      "01 03 40 00 00 02 D1 CB ",
                                      "开启",
                                      "关闭",
                                      sms(kDesignSegments, "0,0,0,0,0,0,0,0"),
                                      "无,无,无,无,无,无,无,无"};
        const QStringList row = host->rowTexts(1);
        for (int c = 0; c < 31; ++c)
            QCOMPARE(QString("%1: %2").arg(c).arg(row[c]), QString("%1: %2").arg(c).arg(expected[c]));
        QVERIFY(closed());
        QVERIFY(host->grid->isEnabled());
        QCOMPARE(host->events, QStringList({"lock", "newRow", "unlock", "focus"}));
    }

    // Loading a row and pressing OK without a change gives the row back:
    // whatever the loader reads, OK writes in the same form.
    void unchangedRowSurvivesLoadAndOk() {
        host->addRows(3);
        host->setCells(3, goldenRow());
        QVERIFY(openOn(3));
        // The phone choice opened the picker before asking for the table.
        QCOMPARE(host->events, QStringList({"lock", "read(picker open)"}));
        QCOMPARE(g::PhoneMask, 0x30005);
        QCOMPARE(text("TextDIValON"), QStringLiteral("3A"));
        QCOMPARE(ctl<QComboBox>("ComboBit")->currentIndex(), 8);
        QCOMPARE(ctl<QComboBox>("ComboLinkVal(2)")->currentText(), QStringLiteral("采集值"));
        QVERIFY(!ctl<QLabel>("Label60(2)")->isEnabled());
        QVERIFY(ctl<QCheckBox>("CheckCrLf(0)")->isChecked());
        QVERIFY(!ctl<QCheckBox>("CheckCrLf(1)")->isChecked());
        QVERIFY(ctl<QCheckBox>("CheckCrLf(2)")->isChecked());
        QStringList expected = host->rowTexts(3);
        expected[25] = "ECED00";  // the head loads without its blanks
        ok();
        QCOMPARE(dialogs->messageCount(), 0);
        QCOMPARE(host->rowTexts(3), expected);
    }

    // An English segment may hold up to 120 bytes: loading one longer than
    // the 40 characters that can be typed must not cut it.
    void longEnglishSegmentSurvivesLoadAndOk() {
        host->addRows(1);
        QMap<int, QString> cells = goldenRow();
        cells[4] = "英文";
        cells[25] = "ECED00";
        cells[27] = "ON";
        cells[28] = "OFF";
        cells[29] = sms({QString(70, 'x'), "B", "", "", "", "", "", ""}, "0,0,0,0,0,0,0,0");
        host->setCells(1, cells);
        const QStringList before = host->rowTexts(1);
        QVERIFY(openOn(1));
        ok();
        QCOMPARE(dialogs->messageCount(), 0);
        QCOMPARE(host->rowTexts(1), before);
    }

    // OK pressed before the row is in the boxes would write the design
    // values over the row: it does nothing until the load has run.
    void okBeforeLoadWritesNothing() {
        host->addRows(1);
        host->setCells(1, goldenRow());
        host->setCells(1, {{2, "7"}, {23, "99"}});
        const QStringList before = host->rowTexts(1);
        host->grid->setRow(1);
        editor = ChannelEditor::open(host.get());
        QVERIFY(editor && !editor->loaded());
        ok();
        QCOMPARE(host->rowTexts(1), before);
        QVERIFY(editor && editor->isVisible());
        QVERIFY(QTest::qWaitFor([this] { return editor && editor->loaded(); }, 3000));
        ctl<QLineEdit>("TxtBJReTime")->setText("8");
        ok();
        QVERIFY(closed());
        QCOMPARE(host->grid->TextMatrix(1, 2), QStringLiteral("8"));
        QCOMPARE(host->grid->TextMatrix(1, 23), QStringLiteral("99"));
    }

    void phoneChoice_data() {
        QTest::addColumn<QString>("cell");
        QTest::addColumn<int>("item");
        QTest::addColumn<qint64>("mask");
        QTest::addColumn<bool>("picker");
        QTest::addColumn<QString>("written");
        QTest::newRow("own choice") << "8000(号码表自选)" << 2 << qint64(0x8000) << true
                                    << "8000(号码表自选)";
        QTest::newRow("all") << "FFFFFF(全部号码表)" << 1 << qint64(0xFFFFFF) << false
                             << "FFFFFF(全部号码表)";
        QTest::newRow("none") << "0(透明方式1 号码)" << 0 << qint64(0) << false << "0(透明方式1 号码)";
        QTest::newRow("25 bits keep 24")
            << "1FFFFFF(x)" << 1 << qint64(0xFFFFFF) << false << "FFFFFF(全部号码表)";
        QTest::newRow("empty") << "" << 0 << qint64(0) << false << "0(透明方式1 号码)";
    }
    void phoneChoice() {
        QFETCH(QString, cell);
        QFETCH(int, item);
        QFETCH(qint64, mask);
        QFETCH(bool, picker);
        QFETCH(QString, written);
        host->addRows(1);
        host->setCells(1, {{4, "汉字"}, {5, cell}});
        QVERIFY(openOn(1));
        QCOMPARE(ctl<QComboBox>("ComboBJPhone")->currentIndex(), item);
        QCOMPARE(g::PhoneMask, mask);
        QCOMPARE(NumberPicker::current(editor) != nullptr, picker);
        QCOMPARE(host->events.contains("read(picker open)"), picker);
        QCOMPARE(host->events.count("read") + host->events.count("read(picker open)"), picker ? 1 : 0);
        ok();
        QCOMPARE(host->grid->TextMatrix(1, 5), written);
    }

    void signView_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("clicks");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("view");
        QTest::addColumn<int>("messages");
        QTest::addColumn<QString>("stored");
        QTest::newRow("41 to A") << "41" << 1 << "A"
                                 << "Asc" << 0 << "41";
        QTest::newRow("41 and back") << "41" << 2 << "41"
                                     << "Hex" << 0 << "41";
        QTest::newRow("2B to +") << "2B" << 1 << "+"
                                 << "Asc" << 0 << "2B";
        QTest::newRow("C8 refused") << "C8" << 1 << "C8"
                                    << "Hex" << 1 << "C8";
        QTest::newRow("80 refused") << "80" << 1 << "80"
                                    << "Hex" << 1 << "80";
        QTest::newRow("7F accepted") << "7F" << 1 << "\x7f"
                                     << "Asc" << 0 << "7F";
        QTest::newRow("empty") << "" << 1 << ""
                               << "Asc" << 0 << "";
        QTest::newRow("00 empties") << "00" << 1 << ""
                                    << "Asc" << 0 << "";
    }
    void signView() {
        QFETCH(QString, typed);
        QFETCH(int, clicks);
        QFETCH(QString, shown);
        QFETCH(QString, view);
        QFETCH(int, messages);
        QFETCH(QString, stored);
        host->addRows(1);
        host->setCells(1, {{4, "汉字"}});
        QVERIFY(openOn(1));
        for (const auto& [box, index, col] : {std::tuple{"TxtPsflg", 1, 8}, std::tuple{"TxtNsflg", 0, 9}}) {
            dialogs->clear();
            ctl<QLineEdit>(box)->setText(typed);
            QLabel* lbl = ctl<QLabel>(QStringLiteral("Label32(%1)").arg(index));
            for (int i = 0; i < clicks; ++i) QTest::mouseClick(lbl, Qt::LeftButton);
            QCOMPARE(text(box), shown);
            QCOMPARE(lbl->text(), view);
            QCOMPARE(dialogs->messageCount(), messages);
            if (messages) {
                QCOMPARE(dialogs->lastText(), QStringLiteral("不是标准ASCII码字符"));
                QCOMPARE(dialogs->messages()[0].title, QStringLiteral("提示"));
            }
            Q_UNUSED(col);
        }
        ok();
        QCOMPARE(host->grid->TextMatrix(1, 8), stored);
        QCOMPARE(host->grid->TextMatrix(1, 9), stored);
    }

    // A rule that puts sign bytes into the boxes puts bytes, whichever view
    // the boxes were in: DCON's signs are + and -, a discrete value has none.
    void ruleSignsAreBytesInEitherView_data() {
        QTest::addColumn<QString>("list");
        QTest::addColumn<int>("item");
        QTest::addColumn<QStringList>("stored");
        QTest::newRow("DCON") << "ComboXieYi" << 2 << QStringList{"2B", "2D"};
        QTest::newRow("Modbus RTU") << "ComboXieYi" << 1 << QStringList{"0", "0"};
        QTest::newRow("discrete value") << "ComboValType" << 2 << QStringList{"0", "0"};
    }
    void ruleSignsAreBytesInEitherView() {
        QFETCH(QString, list);
        QFETCH(int, item);
        QFETCH(QStringList, stored);
        host->addRows(1);
        host->setCells(1, {{4, "汉字"}, {8, "41"}, {9, "42"}});
        QVERIFY(openOn(1));
        QTest::mouseClick(ctl<QLabel>("Label32(1)"), Qt::LeftButton);
        QTest::mouseClick(ctl<QLabel>("Label32(0)"), Qt::LeftButton);
        QCOMPARE(text("TxtPsflg"), QStringLiteral("A"));
        choose(list, item);
        ok();
        QVERIFY(closed());
        QCOMPARE(QStringList({host->grid->TextMatrix(1, 8), host->grid->TextMatrix(1, 9)}), stored);
    }

    // The character view holds one character, and only one with a one-byte
    // code: the box goes out as that code.
    void characterViewTakesOneByteCharacters() {
        host->addRows(1);
        host->setCells(1, {{4, "汉字"}, {8, ""}});
        QVERIFY(openOn(1));
        QTest::mouseClick(ctl<QLabel>("Label32(1)"), Qt::LeftButton);
        QCOMPARE(ctl<QLabel>("Label32(1)")->text(), QStringLiteral("Asc"));
        for (BoxInput::Way way : BoxInput::kWays) {
            BoxInput::put(ctl<QLineEdit>("TxtPsflg"), QStringLiteral("汉+-"), way);
            QCOMPARE(text("TxtPsflg"), QStringLiteral("+"));
        }
        QTest::mouseClick(ctl<QLabel>("Label32(1)"), Qt::LeftButton);
        QCOMPARE(text("TxtPsflg"), QStringLiteral("2B"));
    }

    void englishModeWithChineseSegmentIsRefused_data() {
        QTest::addColumn<QString>("segment");
        QTest::addColumn<bool>("refused");
        QTest::newRow("chinese") << "温度" << true;
        QTest::newRow("full-width colon") << "T：" << true;
        QTest::newRow("ascii") << "Temp:" << false;
    }
    void englishModeWithChineseSegmentIsRefused() {
        QFETCH(QString, segment);
        QFETCH(bool, refused);
        host->addRows(2);
        QMap<int, QString> cells = goldenRow();
        cells[4] = "英文";
        cells[5] = "0(透明方式1 号码)";
        cells[29] = sms({"A", "B", segment, "", "", "", "", ""}, "0,0,0,0,0,0,0,0");
        cells[30] = "无,采集值,无,无,无,无,无,无";
        host->setCells(2, cells);
        QVERIFY(openOn(2));
        ctl<QLineEdit>("TxtBJReTime")->setText("7");
        QCOMPARE(text("TxtSMS(1)"), QStringLiteral("B"));  // the loaded text wins over the link's
        const QStringList before = host->rowTexts(2);
        ok();
        if (refused) {
            QCOMPARE(dialogs->messageCount(), 1);
            QCOMPARE(host->rowTexts(2), before);
            QVERIFY(editor && editor->isVisible());
            // Chinese mode takes the same text.
            QTest::mouseClick(ctl<QRadioButton>("Option15"), Qt::LeftButton);
            ok();
            QCOMPARE(dialogs->messageCount(), 1);
            QCOMPARE(host->grid->TextMatrix(2, 4), QStringLiteral("汉字"));
        } else {
            QCOMPARE(dialogs->messageCount(), 0);
            QCOMPARE(host->grid->TextMatrix(2, 4), QStringLiteral("英文"));
        }
        QCOMPARE(host->grid->TextMatrix(2, 2), QStringLiteral("7"));
        QVERIFY(host->grid->TextMatrix(2, 29).contains(segment));
        QVERIFY(closed());
    }

    void stepping_data() {
        QTest::addColumn<QString>("length");
        QTest::addColumn<QString>("sign");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("point");
        QTest::addColumn<int>("valueType");
        QTest::addColumn<int>("direction");
        QTest::addColumn<QStringList>("after");  // start, sign, point
        QTest::newRow("next with sign") << "4"
                                        << "3"
                                        << "5"
                                        << "0" << 0 << 1 << QStringList{"10", "8", "0"};
        QTest::newRow("prev blocked at w") << "4"
                                           << "3"
                                           << "5"
                                           << "0" << 0 << -1 << QStringList{"5", "3", "0"};
        QTest::newRow("prev above w") << "4"
                                      << "3"
                                      << "11"
                                      << "0" << 0 << -1 << QStringList{"6", "0", "0"};
        QTest::newRow("next unsigned") << "2"
                                       << "0"
                                       << "4"
                                       << "0" << 0 << 1 << QStringList{"6", "0", "0"};
        QTest::newRow("float moves point") << "6"
                                           << "2"
                                           << "3"
                                           << "5" << 1 << 1 << QStringList{"10", "9", "12"};
        QTest::newRow("half length rounds even") << "2.5"
                                                 << "0"
                                                 << "4"
                                                 << "0" << 0 << 1 << QStringList{"6", "0", "0"};
    }
    void stepping() {
        QFETCH(QString, length);
        QFETCH(QString, sign);
        QFETCH(QString, start);
        QFETCH(QString, point);
        QFETCH(int, valueType);
        QFETCH(int, direction);
        QFETCH(QStringList, after);
        host->addRows(1);
        host->setCells(1, {{4, "汉字"}, {19, "ASCII码"}});
        QVERIFY(openOn(1));
        Controls::setListIndexQuiet(ctl<QComboBox>("ComboValType"), valueType);
        ctl<QLineEdit>("TxtValBytes")->setText(length);
        ctl<QLineEdit>("TxtSflgStart")->setText(sign);
        ctl<QLineEdit>("TxtValStart")->setText(start);
        ctl<QLineEdit>("TxtPointStart")->setText(point);
        QTest::mouseClick(ctl<QPushButton>(direction > 0 ? "CmdNext" : "CmdPrev"), Qt::LeftButton);
        QCOMPARE(QStringList({text("TxtValStart"), text("TxtSflgStart"), text("TxtPointStart")}), after);
    }

    void ranges_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("kept");
        QTest::newRow("interval high") << "TxtBJReTime"
                                       << "300"
                                       << "255";
        QTest::newRow("interval low") << "TxtBJReTime"
                                      << "-1"
                                      << "0";
        QTest::newRow("count high") << "TxtBJCount"
                                    << "256"
                                    << "255";
        QTest::newRow("read count") << "TxtBJReadCount"
                                    << "999"
                                    << "255";
        QTest::newRow("decimals low") << "TxtValPoint"
                                      << "-1"
                                      << "0";
        QTest::newRow("decimals high") << "TxtValPoint"
                                       << "5"
                                       << "4";
        QTest::newRow("length") << "TxtValBytes"
                                << "11"
                                << "10";
        QTest::newRow("check bytes 5") << "TxtCheckNum"
                                       << "5字节"
                                       << "0";
        QTest::newRow("check bytes 3") << "TxtCheckNum"
                                       << "3字节"
                                       << "3字节";
        QTest::newRow("head pos") << "TxtHeadStart"
                                  << "-2"
                                  << "0";
        QTest::newRow("value pos none") << "TxtValStart"
                                        << "x"
                                        << "0";
        QTest::newRow("sign two chars") << "TxtPsflg"
                                        << "2B3"
                                        << "2B";
        QTest::newRow("command 120") << "TxtCmdVal" << QString(130, 'A') << QString(120, 'A');
        QTest::newRow("segment 40") << "TxtSMS(3)" << QString(45, 'x') << QString(40, 'x');
        QTest::newRow("limits free") << "TxtValUp"
                                     << "99999"
                                     << "99999";
    }
    void ranges() {
        QFETCH(QString, box);
        QFETCH(QString, typed);
        QFETCH(QString, kept);
        host->addRows(1);
        QVERIFY(openOn(1));
        ctl<QLineEdit>(box)->setText(typed);
        QCOMPARE(text(box), kept);
    }

    void binding_data() {
        QTest::addColumn<QString>("headPos");
        QTest::addColumn<QString>("head");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("headBox");
        QTest::addColumn<QString>("written");
        QTest::newRow("bound to CH2") << "0"
                                      << "83" << 3 << ""
                                      << "83";
        QTest::newRow("head at 1") << "1"
                                   << "83" << 0 << "83"
                                   << "83";
        QTest::newRow("code 80 chooses nothing") << "0"
                                                 << "80" << -1 << "80"
                                                 << "80";
        QTest::newRow("beyond the list") << "0"
                                         << "BF" << 0 << "BF"
                                         << "BF";
        QTest::newRow("last channel") << "0"
                                      << "85" << 5 << ""
                                      << "85";
    }
    void binding() {
        QFETCH(QString, headPos);
        QFETCH(QString, head);
        QFETCH(int, index);
        QFETCH(QString, headBox);
        QFETCH(QString, written);
        host->addRows(6);
        host->setCells(6, {{4, "汉字"}, {22, headPos}, {25, head}, {26, "01 02 "}});
        QVERIFY(openOn(6));  // CH5: the list skips it
        QComboBox* list = ctl<QComboBox>("ComboDataHead");
        QCOMPARE(list->count(), 6);
        QCOMPARE(list->itemText(5), QStringLiteral("CH4"));
        QCOMPARE(list->currentIndex(), index);
        QCOMPARE(text("TxtDataHead"), headBox);
        if (index > 0) {
            // A row loaded bound keeps the command it holds.
            QCOMPARE(text("TxtCmdVal"), QStringLiteral("01 02 "));
            QCOMPARE(text("TxtHeadStart"), QStringLiteral("0"));
            // A protocol preset leaves a bound channel's request alone.
            choose("ComboXieYi", 1);
            QCOMPARE(text("TxtCmdVal"), QStringLiteral("01 02 "));
        }
        ok();
        QCOMPARE(host->grid->TextMatrix(6, 25), written);
    }

    // A bound channel goes out as its binding code alone: a head typed after
    // the binding was chosen would be dropped, or (with a head position) sent
    // in place of the binding.
    void boundChannelTakesNoHead_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("typed");
        QTest::newRow("head position") << "TxtHeadStart"
                                       << "1";
        QTest::newRow("head bytes") << "TxtDataHead"
                                    << "01 02";
    }
    void boundChannelTakesNoHead() {
        QFETCH(QString, box);
        QFETCH(QString, typed);
        host->addRows(3);
        host->setCells(3, {{4, "汉字"}, {22, "0"}, {25, "81"}});
        QVERIFY(openOn(3));
        QCOMPARE(ctl<QComboBox>("ComboDataHead")->currentIndex(), 1);
        BoxInput::put(ctl<QLineEdit>(box), typed, BoxInput::Way::Typed);
        const QStringList before = host->rowTexts(3);
        ok();
        QCOMPARE(dialogs->messageCount(), 1);
        QCOMPARE(host->rowTexts(3), before);
        BoxInput::put(ctl<QLineEdit>(box), box == "TxtHeadStart" ? "0" : "", BoxInput::Way::Typed);
        ok();
        QVERIFY(closed());
        QCOMPARE(host->grid->TextMatrix(3, 25), QStringLiteral("81"));
        QCOMPARE(host->grid->TextMatrix(3, 22), QStringLiteral("0"));
    }

    void formatAndTypeRules() {
        host->addRows(1);
        QVERIFY(openOn(1));
        QComboBox* type = ctl<QComboBox>("ComboValType");
        QComboBox* order = ctl<QComboBox>("ComboByteSort");
        // BCD has no discrete values.
        choose("ComboValType", 2);
        QVERIFY(ctl<QComboBox>("ComboBit")->isEnabled());
        QCOMPARE(text("TxtValDown"), QStringLiteral("1"));
        choose("ComboDataFormat", 2);
        QCOMPARE(type->count(), 2);
        QCOMPARE(type->currentText(), QStringLiteral("整数"));
        QVERIFY(!ctl<QComboBox>("ComboBit")->isEnabled());
        // Hex after ASCII turns 4-3-2-1 round, keeps 2-1-4-3.
        choose("ComboDataFormat", 1);
        QCOMPARE(type->count(), 3);
        QCOMPARE(order->currentIndex(), 2);
        choose("ComboValType", 1);
        QVERIFY(ctl<QLineEdit>("TxtPointStart")->isEnabled());
        ctl<QLineEdit>("TxtPointStart")->setText("7");
        choose("ComboDataFormat", 0);
        QCOMPARE(order->currentIndex(), 0);
        QCOMPARE(text("TxtPointStart"), QStringLiteral("0"));
        QCOMPARE(type->currentText(), QStringLiteral("浮点数"));
        choose("ComboValType", 0);
        QVERIFY(!ctl<QLineEdit>("TxtPointStart")->isEnabled());
        choose("ComboByteSort", 1);
        choose("ComboDataFormat", 0);
        QCOMPARE(order->currentIndex(), 1);
        // Modbus value length follows the value type.
        const QList<std::pair<int, const char*>> lengths = {{1, "4"}, {0, "2"}, {2, "1"}};
        for (const auto& [t, len] : lengths) {
            choose("ComboValType", t);
            choose("ComboXieYi", 1);
            QCOMPARE(text("TxtValBytes"), QString::fromUtf8(len));
            QVERIFY(!ctl<QWidget>("Frame16(0)")->isVisibleTo(editor));
            QVERIFY(ctl<QWidget>("Frame16(1)")->isVisibleTo(editor));
        }
        choose("ComboXieYi", 2);
        QCOMPARE(type->currentText(), QStringLiteral("浮点数"));
        QCOMPARE(text("TxtCmdVal"), QStringLiteral("23 30 31 0D "));
        QCOMPARE(text("TxtPsflg"), QStringLiteral("2B"));
        // Linked variable on segment 3 and back.
        choose("ComboLinkVal(3)", 2);
        QCOMPARE(text("TxtSMS(3)"), QStringLiteral("上限值:"));
        QVERIFY(!ctl<QLabel>("Label60(3)")->isEnabled());
        choose("ComboLinkVal(3)", 0);
        QCOMPARE(text("TxtSMS(3)"), QStringLiteral("上限值:"));
        QVERIFY(ctl<QLabel>("Label60(3)")->isEnabled());
    }

    // The table changed under the open editor: OK writes into the channel
    // it was opened on wherever it moved, and never into a row that is now
    // another channel, the header or nothing at all.
    void okAfterTableChanged_data() {
        QTest::addColumn<QString>("change");
        QTest::addColumn<int>("written");  // the channel's row afterwards, -1 when gone
        QTest::newRow("shortened") << "rows 3" << -1;
        QTest::newRow("emptied") << "rows 1" << -1;
        QTest::newRow("a row above deleted") << "remove 1" << 2;
    }
    void okAfterTableChanged() {
        QFETCH(QString, change);
        QFETCH(int, written);
        host->addRows(3);
        QVERIFY(openOn(3));
        const int n = change.section(' ', 1).toInt();
        if (change.startsWith(QStringLiteral("rows")))
            host->grid->setRows(n);
        else
            host->grid->RemoveItem(n);
        QList<QStringList> before;
        for (int r = 0; r < host->grid->Rows(); ++r) before << host->rowTexts(r);
        QTest::mouseClick(ctl<QRadioButton>("Option15"), Qt::LeftButton);
        ok();
        QVERIFY(closed());
        for (int r = 0; r < host->grid->Rows(); ++r)
            QVERIFY2((host->rowTexts(r) == before[r]) == (r != written), qPrintable(QString::number(r)));
        QCOMPARE(dialogs->messageCount(), written > 0 ? 0 : 1);
        QVERIFY(host->grid->isEnabled());
        QCOMPARE(host->events.contains("newRow"), written > 0);
    }

    void checkCode_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("method");
        QTest::addColumn<QString>("count");
        QTest::addColumn<QString>("shown");
        QTest::newRow("crc low first") << "01 03 40 00 00 02" << 3 << "2字节"
                                       << "D1 CB";
        QTest::newRow("crc high first") << "01 03 40 00 00 02" << 4 << "2字节"
                                        << "CB D1";
        QTest::newRow("crc over its own crc") << "01 03 40 00 00 02 D1 CB" << 3 << "2字节"
                                              << "00 00";
        QTest::newRow("sum one byte") << "FD FE 00 03" << 1 << "1字节"
                                      << "FE";
        QTest::newRow("sum two bytes") << "FD FE 00 03" << 1 << "2字节"
                                       << "01 FE";
        QTest::newRow("xor") << "FD FE 00 03" << 2 << "1字节"
                             << "00";
        // The code of the bytes the command sends, however its blanks stand.
        QTest::newRow("no blanks") << "FDFE0003" << 1 << "1字节"
                                   << "FE";
        QTest::newRow("blanks astray") << "F DFE 0 003" << 2 << "1字节"
                                       << "00";
        QTest::newRow("empty command") << "" << 1 << "1字节"
                                       << "";
        QTest::newRow("none keeps") << "FD FE 00 03" << 0 << "1字节"
                                    << "KEEP";
    }
    // The box follows every change of the command while a method is chosen.
    void checkCode() {
        QFETCH(QString, command);
        QFETCH(int, method);
        QFETCH(QString, count);
        QFETCH(QString, shown);
        host->addRows(1);
        QVERIFY(openOn(1));
        ctl<QLineEdit>("TextCheck")->setText("KEEP");
        Controls::setListIndexQuiet(ctl<QComboBox>("ComboCheck"), method);
        ctl<QLineEdit>("TxtCheckNum")->setText(count);
        ctl<QLineEdit>("TxtCmdVal")->setText(command + "X");
        ctl<QLineEdit>("TxtCmdVal")->setText(command);
        QCOMPARE(text("TextCheck"), shown);
        // A click computes it too.
        ctl<QLineEdit>("TextCheck")->setText("KEEP");
        QTest::mouseClick(ctl<QLineEdit>("TextCheck"), Qt::LeftButton);
        QCOMPARE(text("TextCheck"), method == 0 ? QStringLiteral("KEEP") : shown);
        QCOMPARE(dialogs->messageCount(), 0);
    }

    // The settings form, and its table with it, went while the editor was
    // open: the editor closes and asks nothing more of the form.
    void tableGoneClosesEditor() {
        host->addRows(2);
        QVERIFY(openOn(2));
        delete host->grid.data();
        QVERIFY(closed());
        QCOMPARE(host->events, QStringList({"lock"}));
    }

    // A table read going on under the open editor rewrites the shared phone
    // mask row by row: the editor, and the picker it opened, keep the mask of
    // the channel they were opened on.
    void phoneMaskSurvivesATableRead_data() {
        QTest::addColumn<QString>("cell");
        QTest::addColumn<qint64>("readMask");
        QTest::addColumn<QString>("written");
        QTest::newRow("all, then a row of none") << "FFFFFF(全部号码表)" << qint64(0) << "FFFFFF(全部号码表)";
        QTest::newRow("none, then a row of all")
            << "0(透明方式1 号码)" << qint64(0xFFFFFF) << "0(透明方式1 号码)";
        QTest::newRow("own choice, then another")
            << "30005(号码表自选)" << qint64(0x12) << "3000D(号码表自选)";
        QTest::newRow("own choice, then none") << "30005(号码表自选)" << qint64(0) << "3000D(号码表自选)";
    }
    void phoneMaskSurvivesATableRead() {
        QFETCH(QString, cell);
        QFETCH(qint64, readMask);
        QFETCH(QString, written);
        host->addRows(2);
        QMap<int, QString> cells = goldenRow();
        cells[5] = cell;
        host->setCells(1, cells);
        QVERIFY(openOn(1));
        g::PhoneMask = readMask;
        if (NumberPicker* picker = NumberPicker::current(editor)) {
            // The phone table arrives after the row read moved the mask on.
            host->phones.setRows(21);
            for (int i = 1; i <= 20; ++i)
                host->phones.setTextMatrix(i, 2, QStringLiteral("1390000%1").arg(i));
            QVERIFY(QTest::qWaitFor([&] { return picker->Check1[19]->text() == "139000020"; }, 3000));
            for (int i = 0; i < 20; ++i) QCOMPARE(picker->Check1[i]->isChecked(), bool((0x30005 >> i) & 1));
            QTest::mouseClick(picker->Check1[3], Qt::LeftButton);
            QTest::mouseClick(picker->Command1, Qt::LeftButton);
            g::PhoneMask = readMask;
        }
        ok();
        QCOMPARE(host->grid->TextMatrix(1, 5), written);
    }

    // The ON value of a switch is one byte: whatever the box shows goes out
    // as that byte, and reopening shows it again.
    void onValueGoesOutAsShown_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("byte");
        QTest::newRow("one digit") << "3"
                                   << "3" << 0x03;
        QTest::newRow("lower case") << "3a"
                                    << "3A" << 0x3A;
        QTest::newRow("two digits") << "C8"
                                    << "C8" << 0xC8;
        QTest::newRow("empty") << ""
                               << "" << 0x00;
        QTest::newRow("not hex") << "g7"
                                 << "7" << 0x07;
    }
    void onValueGoesOutAsShown() {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(int, byte);
        host->addRows(1);
        host->setCells(1, goldenRow());
        QVERIFY(openOn(1));
        BoxInput::put(ctl<QLineEdit>("TextDIValON"), typed, BoxInput::Way::Typed);
        QCOMPARE(text("TextDIValON"), shown);
        for (int pass = 0; pass < 2; ++pass) {
            ok();
            QVERIFY(closed());
            const protocol::RowWrite w = protocol::channelRowFrame(record(1), 0);
            QVERIFY2(!w.refused(), qPrintable(w.message));
            QCOMPARE(int(uint8_t(w.frame[21])), byte);
            // Reopened and confirmed unchanged, the byte stays.
            QVERIFY(openOn(1));
            QCOMPARE(hexValue(text("TextDIValON")), byte);
        }
    }

    // What the module holds beyond what typing lets in stays as it is when
    // the row is opened and confirmed unchanged.
    void loadedValuesOutsideTypedRangesStay() {
        host->addRows(1);
        QMap<int, QString> cells = goldenRow();
        cells[11] = "6";
        cells[14] = "20";
        cells[16] = "5字节";
        cells[23] = "123.456789";
        cells[24] = "-0.000001";
        cells[25] = "ECED00";
        host->setCells(1, cells);
        const QStringList before = host->rowTexts(1);
        const QByteArray frame = protocol::channelRowFrame(record(1), 0).frame;
        QVERIFY(openOn(1));
        ok();
        QCOMPARE(dialogs->messageCount(), 0);
        QCOMPARE(host->rowTexts(1), before);
        QCOMPARE(protocol::channelRowFrame(record(1), 0).frame.toHex(' '), frame.toHex(' '));
        // Typed into, the same fields keep to their ranges.
        QVERIFY(openOn(1));
        for (const auto& [box, kept] :
             {std::pair{"TxtValPoint", "4"}, {"TxtValBytes", "10"}, {"TxtCheckNum", "0"}}) {
            BoxInput::put(ctl<QLineEdit>(box), text(box), BoxInput::Way::Pasted);
            QCOMPARE(text(box), QString::fromUtf8(kept));
        }
    }

    void cancelLeavesRow() {
        host->addRows(2);
        host->setCells(2, goldenRow());
        QVERIFY(openOn(2));
        const QStringList before = host->rowTexts(2);
        ctl<QLineEdit>("TxtBJReTime")->setText("9");
        QTest::mouseClick(ctl<QPushButton>("Command1(1)"), Qt::LeftButton);
        QVERIFY(closed());
        QCOMPARE(host->rowTexts(2), before);
        QVERIFY(host->grid->isEnabled());
        QCOMPARE(host->events.count("unlock"), 1);
    }
};

QTEST_MAIN(TestChannelEditor)
#include "tst_channel_editor.moc"
