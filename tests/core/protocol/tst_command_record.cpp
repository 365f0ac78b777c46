#include <QtTest>

#include "core/protocol/ByteRoutines.h"
#include "core/protocol/CommandRecord.h"

using namespace protocol;

namespace {

QByteArray hex(const QString& text) { return QByteArray::fromHex(text.toLatin1()); }

const QString kGoldenOutput = QStringLiteral(
    "Modbus RTU,16进制,2-1-4-3,浮点数,5,4,1,FF,2B(+),2D(-),16位CRC（低字节在前）,2字节,Hex4,Asc2,01 10 00 02 "
    ",OK");

// The command every test starts from: table index 1.
CommandRecord goldenRow() {
    CommandRecord c;
    c[2] = "汉字";
    c[3] = "打开阀门";
    c[4] = "回复操作结果";
    c[5] = "转换输出";
    c[6] = "无";
    c[7] = "写";
    c[8] = kGoldenOutput;
    c[9] = "CH3";
    return c;
}

// The frame of goldenRow(), as a dump: offset comments, bytes in hex.
const char* const kGoldenFrame =
    "1A 2A 3A 4A 5A 6A 7A 8A A9 01 01 DF 01 01 01 00"  // 0
    "01 04 06 08 02 00 00 01 00 01 01 05 04 01 03 2B"  // 16
    "2D 03 02 04 82 00 00 01 10 00 02 4F 4B 00 00 00"  // 32
    "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"  // 48
    "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"  // 64
    "00 00 00 00 00 00 00 00 00 62 53 5F 00 96 00 95"  // 80
    "E8 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"  // 96
    "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"  // 112
    "00 00 00 00 00 00 00 00 00 00 00";                // 128

QByteArray goldenFrame() { return hex(QString::fromLatin1(kGoldenFrame).remove(' ')); }

CommandRecord withCells(CommandRecord c, const QStringList& changes) {
    for (const QString& ch : changes) {
        const qsizetype eq = ch.indexOf('=');
        c[ch.left(eq).toInt()] = ch.mid(eq + 1);
    }
    return c;
}

// Column 8 with some fields replaced: "field=text".
QString outputWith(const QStringList& changes) {
    OutputFrameRecord o = *splitOutputFrame(kGoldenOutput);
    for (const QString& ch : changes) {
        const qsizetype eq = ch.indexOf('=');
        o[ch.left(eq).toInt()] = ch.mid(eq + 1);
    }
    return joinOutputFrame(o);
}

void patch(QByteArray& p, const QString& groups) {
    for (const QString& group : groups.split(';', Qt::SkipEmptyParts)) {
        const int at = group.section(':', 0, 0).toInt();
        const QByteArray b = hex(group.section(':', 1));
        p.replace(at, b.size(), b);
    }
}

}  // namespace

class TestCommandRecord : public QObject {
    Q_OBJECT
private slots:
    void goldenFrameBytes();
    void goldenReadBack();
    void englishLengthCountsBytes();
    void rowFrameCases_data();
    void rowFrameCases();
    void readBackCases_data();
    void readBackCases();
    void readBackStaysInsidePayload();
    void outputFrameFields();
    void editorFields_data();
    void editorFields();
};

void TestCommandRecord::goldenFrameBytes() {
    const RowWrite w = commandRowFrame(goldenRow(), 1);
    QVERIFY2(!w.refused(), qPrintable(w.message));
    QCOMPARE(w.frame.toHex(' '), goldenFrame().toHex(' '));
}

void TestCommandRecord::goldenReadBack() {
    const QByteArray frame = goldenFrame();
    const CommandReadBack r = decodeCommandRow(frame.mid(11));
    CommandRecord expected = goldenRow();
    expected[1] = "CH1";
    expected[8] = QStringLiteral(
        "Modbus RTU,16进制,2-1-4-3,浮点数,5,4,1,FF,2B(+),2D(-),16位CRC（低字节在前）,2,Hex4,Asc2,01 10 00 02 "
        ",OK");
    for (int col = 0; col < kCommandColumns; ++col) QCOMPARE(r.cells[col], expected[col]);
    QCOMPARE(r.rxText, QStringLiteral("打开阀门"));
    QCOMPARE(commandRowFrame(r.cells, 1).frame.toHex(' '), frame.toHex(' '));
}

void TestCommandRecord::englishLengthCountsBytes() {
    const RowWrite w = commandRowFrame(withCells(goldenRow(), {"2=英文", "3=读AB"}), 1);
    QVERIFY2(!w.refused(), qPrintable(w.message));
    QCOMPARE(w.frame.mid(19, 2).toHex(' '), QByteArray("04 01"));
    QCOMPARE(w.frame.mid(89, 4).toHex(' '), QByteArray("b6 c1 41 42"));
    QCOMPARE(static_cast<uint8_t>(w.frame[11]), uint8_t(0xAD));
    // The module's answer gives the whole text back.
    QCOMPARE(decodeCommandRow(w.frame.mid(11)).cells[3], QStringLiteral("读AB"));
}

void TestCommandRecord::rowFrameCases_data() {
    QTest::addColumn<QStringList>("changes");
    QTest::addColumn<int>("tableIndex");
    QTest::addColumn<QString>("message");  // "" = built; a trailing "*" compares the start only
    QTest::addColumn<QString>("bytes");    // "offset:HEX..." groups, ';' between

    const QString generic = QStringLiteral("执行错误！*");
    const QString format = QStringLiteral("转换指令输出设置或报文格式不正确，请重新设置");
    const QString tooLong = QStringLiteral("短信内容超出50字节范围");
    const QString defaults =
        QStringLiteral("8=自定义,16进制,1-2-3-4,整数,5,2,1,0,31(1),30(0),无,1字节,Hex4,0000,FD FE 00 03,");

    QTest::newRow("table index 2") << QStringList() << 2 << ""
                                   << "10:02;12:02";
    QTest::newRow("list columns") << QStringList{"4=回复执行结果", "5=转换输出", "6=通讯超时", "7=写",
                                                 "9=CH5"}
                                  << 1 << ""
                                  << "13:0201050106";
    // An empty list cell is the first item; a text that is no item (a
    // file's cell) is refused rather than sent as the first.
    QTest::newRow("empty list cells") << QStringList{"4=", "9="} << 1 << ""
                                      << "13:00;17:00";
    QTest::newRow("text in no list") << QStringList{"4=xyz", "9="} << 1
                                     << QStringLiteral("执行错误！短信回复“xyz”不是可选的项目") << "";
    QTest::newRow("channel in no list") << QStringList{"9=CH64"} << 1
                                        << QStringLiteral("执行错误！操作通道“CH64”不是可选的项目") << "";
    QTest::newRow("language in no list") << QStringList{"2=English"} << 1
                                         << QStringLiteral("执行错误！汉字/英文“English”不是可选的项目") << "";
    QTest::newRow("output protocol in no list") << QStringList{"8=" + outputWith({"0=Modbus"})} << 1
                                                << QStringLiteral("执行错误！通信协议“Modbus”不是可选的项目") << "";
    QTest::newRow("output check in no list") << QStringList{"8=" + outputWith({"10=CRC16"})} << 1
                                             << QStringLiteral("执行错误！校验方式“CRC16”不是可选的项目") << "";
    QTest::newRow("english letters") << QStringList{"2=英文", "3=ABCDEF"} << 1 << ""
                                     << "19:0601;89:414243444546";
    QTest::newRow("chinese characters") << QStringList{"3=你好"} << 1 << ""
                                        << "19:0402;89:4F60597D";
    QTest::newRow("empty text") << QStringList{"3="} << 1 << ""
                                << "19:0002;89:0000";
    QTest::newRow("english 50 bytes") << QStringList{"2=英文", "3=" + QString(50, 'x')} << 1 << ""
                                      << "19:3201";
    QTest::newRow("english 51 bytes") << QStringList{"2=英文", "3=" + QString(51, 'x')} << 1 << tooLong << "";
    QTest::newRow("english 26 chinese characters")
        << QStringList{"2=英文", "3=" + QString(26, QChar(0x6C49))} << 1 << tooLong << "";
    QTest::newRow("chinese 25 characters") << QStringList{"3=" + QString(25, QChar(0x6C49))} << 1 << ""
                                           << "19:3202";
    QTest::newRow("chinese 26 characters")
        << QStringList{"3=" + QString(26, QChar(0x6C49))} << 1 << tooLong << "";
    QTest::newRow("english text of 300 bytes")
        << QStringList{"2=英文", "3=" + QString(300, 'x')} << 1 << tooLong << "";
    QTest::newRow("english text beyond the code page")
        << QStringList{"2=英文", "3=A\u0E01"} << 1 << generic << "";
    QTest::newRow("editor defaults") << QStringList{defaults} << 1 << ""
                                     << "18:04;23:000000000502010031300001;35:04;36:00;39:FDFE0003;43:00";
    QTest::newRow("asc head") << QStringList{"8=" + outputWith({"12=Asc4", "14=#010", "13=0000", "15="})} << 1
                              << ""
                              << "18:04;35:84;36:00;39:23303130;43:00";
    QTest::newRow("hex head with blanks")
        << QStringList{"8=" + outputWith({"12=Hex6", "14=01 06 00 00 00 01 ", "13=0000"})} << 1 << ""
        << "35:06;39:010600000001;45:00";
    QTest::newRow("hex head of 2.5") << QStringList{"8=" + outputWith({"12=Hex2.5", "14=01 02 0", "13=0000"})}
                                     << 1 << ""
                                     << "18:02;35:02;39:010200";
    // The count is the whole bytes: an odd last digit is not sent.
    QTest::newRow("hex head of 1.5") << QStringList{"8=" +
                                                    outputWith({"12=Hex1.5", "14=01 0", "13=Hex1", "15=AA"})}
                                     << 1 << ""
                                     << "18:02;35:01;36:01;39:01AA00";
    QTest::newRow("hex head of 3.5") << QStringList{"8=" + outputWith({"12=Hex3.5", "14=01 02 03 0",
                                                                       "13=Hex1", "15=AA"})}
                                     << 1 << ""
                                     << "18:04;35:03;36:01;39:010203AA00";
    // A character head holds what the module's code page gives it, two
    // bytes for a Chinese character; a count that cuts one is refused.
    QTest::newRow("double-byte asc head")
        << QStringList{"8=" + outputWith({"12=Asc3", "14=啊A", "13=0000"})} << 1 << ""
        << "18:03;35:83;39:B0A14100";
    QTest::newRow("asc head cutting a character")
        << QStringList{"8=" + outputWith({"12=Asc1", "14=啊", "13=0000"})} << 1 << generic << "";
    QTest::newRow("lower-case hex head") << QStringList{"8=" + outputWith({"14=fd fe 0a 0b"})} << 1 << ""
                                         << "39:FDFE0A0B4F4B";
    QTest::newRow("switch value FF") << QStringList{"8=" + outputWith({"7=FF"})} << 1 << ""
                                     << "30:03";
    QTest::newRow("switch value 2") << QStringList{"8=" + outputWith({"7=2"})} << 1 << ""
                                    << "30:00";
    QTest::newRow("switch value 原值输出")
        << QStringList{"8=" + outputWith({"7=原值输出", "3=原值输出"})} << 1 << ""
        << "26:00;30:00";
    QTest::newRow("sign without character") << QStringList{"8=" + outputWith({"8=00()", "9=FF()"})} << 1 << ""
                                            << "31:00FF";
    // A number past its byte is refused, not wrapped.
    QTest::newRow("value start 256") << QStringList{"8=" + outputWith({"4=256"})} << 1
                                     << QStringLiteral("执行错误！起始位置的数值超出0-255") << "";
    QTest::newRow("check byte count 256") << QStringList{"8=" + outputWith({"11=256字节"})} << 1
                                          << QStringLiteral("执行错误！校验字节数的数值超出0-255") << "";
    QTest::newRow("value start as &H") << QStringList{"8=" + outputWith({"4=&H10"})} << 1 << ""
                                       << "27:10";
    QTest::newRow("negative value start") << QStringList{"8=" + outputWith({"4=-1"})} << 1 << generic << "";
    QTest::newRow("empty output cell") << QStringList{"8="} << 1 << format << "";
    QTest::newRow("fifteen fields") << QStringList{"8=" + kGoldenOutput.section(',', 0, 14)} << 1 << format
                                    << "";
    QTest::newRow("head text with a comma") << QStringList{"8=" + kGoldenOutput + ",x"} << 1 << format << "";
    QTest::newRow("head 30 and tail 21")
        << QStringList{"8=" + outputWith({"12=Hex30", "13=Hex21"})} << 1 << format << "";
    QTest::newRow("three-digit head count")
        << QStringList{"8=" + outputWith({"12=Asc100", "14=" + QString(100, 'a')})} << 1 << format << "";
    QTest::newRow("three-digit hex tail count")
        << QStringList{"8=" + outputWith({"13=Hex120"})} << 1 << format << "";
    QTest::newRow("head 30 and tail 7") << QStringList{"8=" + outputWith({"12=Hex30", "13=Hex7"})} << 1 << ""
                                        << "18:25;35:1E;36:07";
    QTest::newRow("negative head count")
        << QStringList{"8=" + outputWith({"12=Hex-1"})} << 1 << generic << "";
    QTest::newRow("asc tail shorter than its count")
        << QStringList{"8=" + outputWith({"13=Asc3"})} << 1 << generic << "";
    QTest::newRow("asc tail with a chinese character")
        << QStringList{"8=" + outputWith({"15=O汉"})} << 1 << generic << "";
}

void TestCommandRecord::rowFrameCases() {
    QFETCH(QStringList, changes);
    QFETCH(int, tableIndex);
    QFETCH(QString, message);
    QFETCH(QString, bytes);
    const RowWrite w = commandRowFrame(withCells(goldenRow(), changes), tableIndex);
    if (message.isEmpty()) {
        QVERIFY2(!w.refused(), qPrintable(w.message));
        QCOMPARE(w.frame.size(), 139);
        unsigned sum = 0;
        for (int i = 12; i < 139; ++i) sum += static_cast<uint8_t>(w.frame[i]);
        QCOMPARE(static_cast<uint8_t>(w.frame[11]), static_cast<uint8_t>(sum));
        for (const QString& group : bytes.split(';', Qt::SkipEmptyParts)) {
            const int offset = group.section(':', 0, 0).toInt();
            const QByteArray want = hex(group.section(':', 1));
            QCOMPARE(w.frame.mid(offset, want.size()).toHex(' '), want.toHex(' '));
        }
    } else {
        QVERIFY(w.refused());
        QVERIFY(w.frame.isEmpty());
        QCOMPARE(w.title, QStringLiteral("提示"));
        if (message.endsWith('*')) {
            QVERIFY2(w.message.startsWith(message.chopped(1)), qPrintable(w.message));
            QVERIFY(w.message.size() > message.size() - 1);
        } else {
            QCOMPARE(w.message, message);
        }
    }
}

void TestCommandRecord::readBackCases_data() {
    QTest::addColumn<QString>("patch");  // "index:HEX..." into the golden payload
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("field");  // field of column 8, or -1 for the whole cell
    QTest::addColumn<QString>("text");

    QTest::newRow("channel none") << "6:00" << 9 << -1 << "无";
    QTest::newRow("channel CH5") << "6:06" << 9 << -1 << "CH5";
    QTest::newRow("channel CH63") << "6:40" << 9 << -1 << "CH63";
    QTest::newRow("channel outside list") << "6:46" << 9 << -1 << "";
    QTest::newRow("reply outside list") << "2:03" << 4 << -1 << "";
    QTest::newRow("link value 6") << "4:06" << 6 << -1 << "重发次数";
    QTest::newRow("english") << "9:01;8:00" << 2 << -1 << "英文";
    QTest::newRow("language 0") << "9:00" << 2 << -1 << "汉字";
    QTest::newRow("language 2") << "9:02" << 2 << -1 << "汉字";
    QTest::newRow("switch value 2") << "19:02" << 8 << 7 << "00";
    QTest::newRow("switch value 4") << "19:04" << 8 << 7 << "按指令输出";
    QTest::newRow("switch value 5") << "19:05" << 8 << 7 << "";
    QTest::newRow("protocol outside list") << "12:03" << 8 << 0 << "";
    QTest::newRow("value type 0") << "15:00" << 8 << 3 << "整数";
    QTest::newRow("sign 31") << "20:31" << 8 << 8 << "31(1)";
    QTest::newRow("sign 0") << "20:00" << 8 << 8 << "00()";
    QTest::newRow("sign B0") << "20:B0" << 8 << 8 << "B0()";
    // A control character would make the row one no table file takes.
    QTest::newRow("sign 01") << "20:01" << 8 << 8 << "01()";
    QTest::newRow("sign 7F") << "21:7F" << 8 << 9 << "7F()";
    QTest::newRow("asc head kind") << "24:84;25:00;28:23303130" << 8 << 12 << "Asc4";
    QTest::newRow("asc head text") << "24:84;25:00;28:23303130" << 8 << 14 << "#010";
    QTest::newRow("hex head, no tail")
        << "24:04;25:00;28:FDFE0003" << 8 << -1
        << "Modbus RTU,16进制,2-1-4-3,浮点数,5,4,1,FF,2B(+),2D(-),16位CRC（低字节在前）,2,"
           "Hex4,Hex0,FD FE 00 03 ,";
    QTest::newRow("chinese text") << "8:04;78:4F60597D" << 3 << -1 << "你好";
    QTest::newRow("chinese odd length") << "8:05;78:4F60597D0041" << 3 << -1 << "你好A";
    QTest::newRow("english text") << "9:01;8:06;78:414243444546" << 3 << -1 << "ABCDEF";
    QTest::newRow("english length top bit cleared") << "9:01;8:82;78:4142" << 3 << -1 << "AB";
    QTest::newRow("english chinese bytes") << "9:01;8:04;78:B6C14142" << 3 << -1 << "读AB";
    QTest::newRow("empty english text") << "9:01;8:00" << 3 << -1 << "";
}

void TestCommandRecord::readBackCases() {
    QFETCH(QString, patch);
    QFETCH(int, column);
    QFETCH(int, field);
    QFETCH(QString, text);
    QByteArray p = goldenFrame().mid(11);
    ::patch(p, patch);
    const CommandReadBack r = decodeCommandRow(p);
    if (field < 0) {
        QCOMPARE(r.cells[column], text);
    } else {
        const auto fields = splitOutputFrame(r.cells[column]);
        QVERIFY(fields);
        QCOMPARE(fields->at(field), text);
    }
    QCOMPARE(r.rxText, r.cells[3]);
}

void TestCommandRecord::readBackStaysInsidePayload() {
    // A payload longer than a row: the bytes beyond 128 must never show.
    QByteArray p = goldenFrame().mid(11) + QByteArray(64, 'Z');
    QCOMPARE(p.size(), 192);

    QByteArray longHead = p;
    ::patch(longHead, "24:7F;25:85");
    const auto head = splitOutputFrame(decodeCommandRow(longHead).cells[8]);
    QVERIFY(head);
    QCOMPARE(head->at(12), QStringLiteral("Hex127"));
    QCOMPARE(head->at(14).size(), 100 * 3);  // bytes 28..127
    QCOMPARE(head->at(13), QStringLiteral("Asc5"));
    QCOMPARE(head->at(15), QString());

    QByteArray longEnglish = p;
    ::patch(longEnglish, "9:01;8:FF");
    longEnglish.replace(78, 50, QByteArray(50, 'a'));
    QCOMPARE(decodeCommandRow(longEnglish).cells[3], QString(50, 'a'));

    QByteArray longChinese = p;
    ::patch(longChinese, "9:00;8:FF");
    for (int i = 78; i < 128; i += 2) ::patch(longChinese, QStringLiteral("%1:4E2D").arg(i));
    QCOMPARE(decodeCommandRow(longChinese).cells[3], QString(25, QChar(0x4E2D)));

    const CommandReadBack shortRow = decodeCommandRow(goldenFrame().mid(11, 127));
    for (const QString& cell : shortRow.cells) QVERIFY(cell.isEmpty());
}

void TestCommandRecord::outputFrameFields() {
    const auto fields = splitOutputFrame(kGoldenOutput);
    QVERIFY(fields);
    QCOMPARE(fields->at(14), QStringLiteral("01 10 00 02 "));
    QCOMPARE(joinOutputFrame(*fields), kGoldenOutput);
    QVERIFY(!splitOutputFrame(QString()));
    QVERIFY(!splitOutputFrame(kGoldenOutput + ","));
    QCOMPARE(kindFieldCount("Hex6"), 6);
    QCOMPARE(kindFieldCount("Asc12"), 12);
    QCOMPARE(kindFieldCount("Hex2.5"), 2);
    QCOMPARE(kindFieldCount("Hex100"), 100);
    QCOMPARE(kindFieldCount("0000"), 0);
    QCOMPARE(signFieldText(0x2B), QStringLiteral("2B(+)"));
    QCOMPARE(signFieldText(0xC8), QStringLiteral("C8()"));
    // A comma sign must not split the record it is read back into.
    QCOMPARE(signFieldText(0x2C), QStringLiteral("2C()"));
    QByteArray p = goldenFrame().mid(11);
    ::patch(p, "20:2C;21:2C");
    const auto readBack = splitOutputFrame(decodeCommandRow(p).cells[CommandCol::OutputFrame]);
    QVERIFY(readBack);
    QCOMPARE(readBack->at(OutputField::PositiveSign), QStringLiteral("2C()"));

    // Commas in character heads and tails: the record keeps its 16 fields
    // and goes out again byte for byte.
    QByteArray frame = goldenFrame();
    ::patch(frame, "18:05;35:83;36:82;39:2C412C2C2C00");
    const CommandReadBack back = decodeCommandRow(frame.mid(11));
    const auto backFields = splitOutputFrame(back.cells[CommandCol::OutputFrame]);
    QVERIFY2(backFields, qPrintable(back.cells[CommandCol::OutputFrame]));
    QCOMPARE(backFields->at(OutputField::HeadKind), QStringLiteral("Asc3"));
    QCOMPARE(backFields->at(OutputField::HeadText), QStringLiteral("\uFF0CA\uFF0C"));
    const RowWrite again = commandRowFrame(back.cells, 1);
    QVERIFY2(!again.refused(), qPrintable(again.message));
    QCOMPARE(again.frame.mid(12).toHex(' '), frame.mid(12).toHex(' '));
}

void TestCommandRecord::editorFields_data() {
    QTest::addColumn<QString>("kind");  // which builder
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");  // "<none>" for nullopt

    QTest::newRow("hex sign 2B") << "hexSign"
                                 << "2B"
                                 << "2B(+)";
    QTest::newRow("hex sign as typed") << "hexSign"
                                       << "2b"
                                       << "2b(+)";
    QTest::newRow("hex sign 00") << "hexSign"
                                 << "00"
                                 << "00()";
    QTest::newRow("hex sign empty") << "hexSign"
                                    << ""
                                    << "00()";
    QTest::newRow("hex sign FF") << "hexSign"
                                 << "FF"
                                 << "FF()";
    QTest::newRow("hex sign 80") << "hexSign"
                                 << "80"
                                 << "80()";
    QTest::newRow("char sign +") << "charSign"
                                 << "+"
                                 << "2B(+)";
    QTest::newRow("char sign 1") << "charSign"
                                 << "1"
                                 << "31(1)";
    QTest::newRow("hex sign comma") << "hexSign"
                                    << "2C"
                                    << "2C()";
    QTest::newRow("char sign comma") << "charSign"
                                     << ","
                                     << "2C()";
    QTest::newRow("char sign empty") << "charSign"
                                     << ""
                                     << "00()";
    QTest::newRow("char sign chinese") << "charSign"
                                       << "汉"
                                       << "<none>";
    QTest::newRow("hex kind six bytes") << "hexKind"
                                        << "01 06 00 00 00 01 "
                                        << "Hex6";
    QTest::newRow("hex kind five digits") << "hexKind"
                                          << "01 02 0"
                                          << "Hex2.5";
    QTest::newRow("limit english") << "limit"
                                   << "英文"
                                   << "60";
    QTest::newRow("limit chinese") << "limit"
                                   << "汉字"
                                   << "30";
    QTest::newRow("limit other") << "limit"
                                 << "英文 "
                                 << "30";
}

void TestCommandRecord::editorFields() {
    QFETCH(QString, kind);
    QFETCH(QString, input);
    QFETCH(QString, expected);
    QString got;
    if (kind == "hexSign") got = signFieldFromHexView(input);
    if (kind == "charSign") got = signFieldFromCharView(input).value_or("<none>");
    if (kind == "hexKind") got = hexKindField(input);
    if (kind == "limit") got = QString::number(commandTextLimit(input));
    QCOMPARE(got, expected);
    // What the editor writes is what the row frame sends.
    if (kind == "hexSign" || (kind == "charSign" && expected != "<none>")) {
        const RowWrite w = commandRowFrame(withCells(goldenRow(), {"8=" + outputWith({"8=" + got})}), 1);
        QVERIFY(!w.refused());
        QCOMPARE(ByteToHex2(static_cast<uint8_t>(w.frame[31])), got.left(2).toUpper());
    }
}

QTEST_GUILESS_MAIN(TestCommandRecord)
#include "tst_command_record.moc"
