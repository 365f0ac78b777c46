#include <QtTest>

#include "core/protocol/ChannelRecord.h"

using namespace protocol;

namespace {

const QString SEP = QStringLiteral("\r\n \r\n");

QByteArray hex(const QString& text) { return QByteArray::fromHex(text.toLatin1()); }

// The channel every test starts from: table index 2, Chinese texts.
ChannelRecord goldenRow() {
    ChannelRecord c;
    const QStringList cells = {"60",
                               "3",
                               "汉字",
                               "30005(号码表自选)",
                               "1440",
                               "4",
                               "2B",
                               "2D",
                               "0",
                               "1",
                               "整数",
                               "5",
                               "4",
                               "累加和",
                               "1字节",
                               "2",
                               "自定义",
                               "ASCII码",
                               "4-3-2-1",
                               "按字节/字符取值,3A",
                               "1",
                               "35.5",
                               "-15.6",
                               "EC ED 00",
                               "FD FE 00 03 ",
                               "开启",
                               "关闭"};
    for (int i = 0; i < cells.size(); ++i) c[2 + i] = cells.at(i);
    c[29] =
        "安装地点" + SEP + "设备号" + SEP + "温度" + SEP + SEP + SEP + SEP + SEP + SEP + "1,0,1,0,0,0,0,0";
    c[30] = "无,无,采集值,无,无,无,无,无";
    return c;
}

// The frame of goldenRow(), as a dump: offset comments, bytes in hex.
const char* const kGoldenFrame =
    "1A 2A 3A 4A 5A 6A 7A 8A A8 01 02 F8 02 3C 03 00"  // 0
    "05 00 03 A0 05 3A 05 04 2B 2D 00 01 00 05 04 01"  // 16
    "01 04 02 00 01 02 08 01 03 04 04 63 01 00 00 64"  // 32
    "FF FF FF EC ED 00 00 00 00 00 00 FD FE 00 03 00"  // 48
    "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"  // 64
    "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"  // 80
    "00 00 00 5F 00 54 2F 00 00 00 00 00 00 00 00 00"  // 96
    "00 00 00 51 73 95 ED 00 00 00 00 00 00 00 00 00"  // 112
    "00 00 00 08 06 04 00 00 00 00 00 00 00 01 00 00"  // 128
    "00 00 00 5B 89 88 C5 57 30 70 B9 8B BE 59 07 53"  // 144
    "F7 6E 29 5E A6 00 00 00 00 00 00 00 00 00 00 00"  // 160
    "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"  // 176
    "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"  // 192
    "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"  // 208
    "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"  // 224
    "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"  // 240
    "00 00 00 00 00 00 00 00 00 00 00";                // 256

QByteArray goldenFrame() { return hex(QString::fromLatin1(kGoldenFrame).remove(' ')); }

// "col=text" entries applied to a row.
ChannelRecord withCells(ChannelRecord c, const QStringList& changes) {
    for (const QString& ch : changes) {
        const qsizetype eq = ch.indexOf('=');
        c[ch.left(eq).toInt()] = ch.mid(eq + 1);
    }
    return c;
}

QString repeated(const QString& s, int n) {
    QString out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

}  // namespace

class TestChannelRecord : public QObject {
    Q_OBJECT
private slots:
    void goldenFrameBytes();
    void goldenReadBack();
    void roundTrip_data();
    void roundTrip();
    void rowFrameCases_data();
    void rowFrameCases();
    void readBackCases_data();
    void readBackCases();
    void limitsSurviveReadBackAndResend();
    void readBackStopsAtPayloadEnd_data();
    void readBackStopsAtPayloadEnd();
    void smsColumnShapes();
    void englishModeTexts_data();
    void englishModeTexts();
};

void TestChannelRecord::goldenFrameBytes() {
    const QByteArray expected = goldenFrame();
    QCOMPARE(expected.size(), 267);
    const RowWrite w = channelRowFrame(goldenRow(), 2);
    QVERIFY2(!w.refused(), qPrintable(w.message));
    QCOMPARE(w.frame.toHex(' '), expected.toHex(' '));
}

void TestChannelRecord::goldenReadBack() {
    const QByteArray frame = goldenFrame();
    const ChannelReadBack r = decodeChannelRow(frame.mid(11));
    QVERIFY(r.complete);
    ChannelRecord expected = goldenRow();
    expected[1] = "CH2";
    expected[25] = "EC ED 00 ";
    for (int col = 0; col < kChannelColumns; ++col) QCOMPARE(r.cells[col], expected[col]);
    QCOMPARE(r.phoneMask.value_or(0), 0x30005u);
    // The last text read is segment 7 (empty here).
    QCOMPARE(r.rxText, QString());
    QCOMPARE(channelRowFrame(r.cells, 2).frame, frame);
}

void TestChannelRecord::roundTrip_data() {
    QTest::addColumn<QStringList>("changes");
    QTest::newRow("golden") << QStringList();
    QTest::newRow("two decimals") << QStringList{"11=2", "23=12.5", "24=-3"};
    QTest::newRow("bound channel") << QStringList{"22=0", "25=83", "26="};
    QTest::newRow("english texts") << QStringList{
        "4=英文", "27=ON", "28=OFF",
        "29=Site" + SEP + "Dev" + SEP + SEP + SEP + SEP + SEP + SEP + SEP + "0,0,0,0,0,0,0,1"};
    QTest::newRow("all phones, bit3") << QStringList{"5=FFFFFF(全部号码表)", "21=bit3", "12=离散位"};
}

void TestChannelRecord::roundTrip() {
    QFETCH(QStringList, changes);
    const RowWrite first = channelRowFrame(withCells(goldenRow(), changes), 7);
    QVERIFY2(!first.refused(), qPrintable(first.message));
    const ChannelReadBack back = decodeChannelRow(first.frame.mid(11));
    QVERIFY(back.complete);
    QCOMPARE(back.cells[1], QStringLiteral("CH7"));
    const RowWrite again = channelRowFrame(back.cells, 7);
    QVERIFY2(!again.refused(), qPrintable(again.message));
    QCOMPARE(again.frame.toHex(' '), first.frame.toHex(' '));
}

void TestChannelRecord::rowFrameCases_data() {
    QTest::addColumn<QStringList>("changes");
    QTest::addColumn<int>("tableIndex");
    QTest::addColumn<QString>("message");  // "" = built; a trailing "*" compares the start only
    QTest::addColumn<QString>("bytes");    // "offset:HEX..." groups, ';' between

    const QString generic = QStringLiteral("执行错误！*");
    const QString ascii70 = repeated("A", 70);
    auto english = [](const QString& s0, const QString& s1) {
        return QStringList{
            "4=英文", "27=ON", "28=OFF",
            "29=" + s0 + SEP + s1 + SEP + SEP + SEP + SEP + SEP + SEP + SEP + "0,0,0,0,0,0,0,0"};
    };
    auto sms = [](const QString& s0) {
        return "29=" + s0 + SEP + SEP + SEP + SEP + SEP + SEP + SEP + SEP + "0,0,0,0,0,0,0,0";
    };

    QTest::newRow("table index 4") << QStringList() << 4 << ""
                                   << "10:04;12:04";
    QTest::newRow("all phones") << QStringList{"5=FFFFFF(全部号码表)"} << 2 << ""
                                << "16:FFFFFF";
    QTest::newRow("chosen phone 8000") << QStringList{"5=8000(号码表自选)"} << 2 << ""
                                       << "16:008000";
    QTest::newRow("no phone") << QStringList{"5=0(透明方式1 号码)"} << 2 << ""
                              << "16:000000";
    QTest::newRow("mask over 24 bits") << QStringList{"5=1FFFFFF"} << 2 << ""
                                       << "16:FFFFFF";
    QTest::newRow("upload 1440") << QStringList{"6=1440"} << 2 << ""
                                 << "19:A005";
    QTest::newRow("upload negative") << QStringList{"6=-1"} << 2 << generic << "";
    QTest::newRow("upload 40000") << QStringList{"6=40000"} << 2 << ""
                                  << "19:409C";
    QTest::newRow("upload 70000") << QStringList{"6=70000"} << 2 << "执行错误！自动上传的数值超出0-65535"
                                  << "";
    QTest::newRow("limits two decimals") << QStringList{"11=2", "23=12.5", "24=-3"} << 2 << ""
                                         << "27:02;43:E2040000D4FEFFFF";
    QTest::newRow("decimals 9 is 2") << QStringList{"11=9"} << 2 << ""
                                     << "27:02";
    QTest::newRow("limit halves to even") << QStringList{"11=0", "23=2.5", "24=3.5"} << 2 << ""
                                          << "43:0200000004000000";
    QTest::newRow("limit of eight digits") << QStringList{"11=0", "23=16777217", "24=-32285465"} << 2 << ""
                                           << "43:01000001E75C13FE";
    QTest::newRow("limit beyond 32 bits") << QStringList{"11=4", "23=1e9"} << 2 << generic << "";
    QTest::newRow("check bytes 1字节") << QStringList{"16=1字节"} << 2 << ""
                                       << "32:01";
    QTest::newRow("bit mode with value") << QStringList{"21=按字节/字符取值,31"} << 2 << ""
                                         << "21:31;38:08";
    QTest::newRow("bit3") << QStringList{"21=bit3"} << 2 << ""
                          << "21:00;38:03";
    QTest::newRow("binding code 81") << QStringList{"22=0", "25=81"} << 2 << ""
                                     << "40:81;51:0000";
    QTest::newRow("EC ED with no head position") << QStringList{"22=0", "25=EC ED"} << 2 << ""
                                                 << "40:00;51:0000";
    QTest::newRow("EC ED 00 with no head position")
        << QStringList{"22=0", "25=EC ED 00"} << 2 << generic << "";
    QTest::newRow("head of ten bytes cut to 8")
        << QStringList{"22=3", "25=01 02 03 04 05 06 07 08 09 0A"} << 2 << ""
        << "40:08;51:0102030405060708;59:FDFE0003";
    QTest::newRow("head with odd digits rounding up") << QStringList{"25=ECE"} << 2 << generic << "";
    QTest::newRow("command of 41 bytes")
        << QStringList{"26=" + repeated("01 ", 41)} << 2 << "采集指令长度超出范围40字节"
        << "";
    QTest::newRow("command of 40 bytes") << QStringList{"26=" + repeated("01 ", 40)} << 2 << ""
                                         << "33:28;59:" + repeated("01", 40);
    QTest::newRow("command of 83 digits is too long before it is odd")
        << QStringList{"26=" + repeated("01", 41) + "F"} << 2 << "采集指令长度超出范围40字节"
        << "";
    QTest::newRow("nine head digits with no head position")
        << QStringList{"22=0", "25=123456789"} << 2 << generic << "";
    QTest::newRow("command with odd digits rounding up") << QStringList{"26=FD F"} << 2 << generic << "";
    QTest::newRow("command with a Chinese character") << QStringList{"26=FD 汉字"} << 2 << generic << "";
    QTest::newRow("lower-case hex counts 0") << QStringList{"25=ec ED", "26=fd FE"} << 2 << ""
                                             << "40:02;51:00ED;59:00FE";
    QTest::newRow("alarm interval 256") << QStringList{"2=256"} << 2 << generic << "";
    QTest::newRow("alarm count 255") << QStringList{"3=2 5 5"} << 2 << ""
                                     << "14:FF";
    QTest::newRow("value position wraps") << QStringList{"13=300"} << 2 << ""
                                          << "29:2C";
    QTest::newRow("sign position negative") << QStringList{"7=-1"} << 2 << generic << "";
    QTest::newRow("sign FFFF is negative") << QStringList{"8=FFFF"} << 2 << generic << "";
    QTest::newRow("english 70 and 50 bytes") << english(ascii70, repeated("B", 50)) << 2 << ""
                                             << "15:01;131:4632;147:41";
    QTest::newRow("english 70 and 51 bytes")
        << english(ascii70, repeated("B", 51)) << 2 << "短信内容超出120字节范围"
        << "";
    QTest::newRow("english segment beyond the code page")
        << english(QString::fromUtf8("\u0E01"), "") << 2 << generic << "";
    QTest::newRow("chinese 31 characters")
        << QStringList{sms(repeated("温", 31))} << 2 << "第1段短信内容超出范围60字节"
        << "";
    QTest::newRow("chinese 61 characters in all")
        << QStringList{"29=" + repeated("温", 30) + SEP + repeated("度", 31) + SEP + SEP + SEP + SEP + SEP +
                       SEP + SEP + "0,0,0,0,0,0,0,0"}
        << 2 << "短信内容超出120字节范围"
        << "";
    QTest::newRow("eight parts send no segments")
        << QStringList{"29=a" + SEP + "b" + SEP + SEP + SEP + SEP + SEP + SEP + "1,1,1,1,1,1,1,1"} << 2 << ""
        << "22:00;131:" + repeated("00", 16) + ";147:0000";
    QTest::newRow("five links") << QStringList{"30=采集值,采集值,上限值,下限值,采集值"} << 2 << ""
                                << "139:0101020301000000";
    QTest::newRow("flags 1,0,0,0,0,0,0,1")
        << QStringList{sms("").replace("0,0,0,0,0,0,0,0", "1,0,0,0,0,0,0,1")} << 2 << ""
        << "22:81";
    QTest::newRow("seven flags") << QStringList{sms("").replace("0,0,0,0,0,0,0,0", "1,0,0,0,0,0,1")} << 2
                                 << ""
                                 << "22:00";
    QTest::newRow("switch text of 16 bytes") << QStringList{"27=一二三四五六七八"} << 2 << ""
                                             << "41:10;99:4E004E8C4E0956DB4E94516D4E03516B;115:5173";
    QTest::newRow("switch text over 16 bytes")
        << QStringList{"27=一二三四五六七八九"} << 2 << "开关量1描述超出范围16字节"
        << "";
    QTest::newRow("english switch text over 16 bytes")
        << QStringList{"4=英文", "27=ON", "28=a你你你你你你你你", sms("")} << 2 << "开关量0描述超出范围16字节"
        << "";
    QTest::newRow("empty list cells") << QStringList{"12=", "15=", "18=", "19=", "20=", "21="} << 2 << ""
                                      << "28:00;31:00;35:000000;38:00";
    QTest::newRow("value type in no list") << QStringList{"12=int"} << 2
                                           << QStringLiteral("执行错误！数值类型“int”不是可选的项目") << "";
    QTest::newRow("linked variable in no list") << QStringList{"30=无,无,采集,无,无,无,无,无"} << 2
                                                << QStringLiteral("执行错误！关联变量“采集”不是可选的项目") << "";
    QTest::newRow("bit in no list") << QStringList{"21=bit8,31"} << 2
                                    << QStringLiteral("执行错误！位变量取值方式“bit8”不是可选的项目") << "";
    QTest::newRow("empty switch text, chinese") << QStringList{"27="} << 2 << "转换开关量描述内容时发生错误！"
                                                << "";
    QTest::newRow("empty switch text, last row")
        << QStringList{"28="} << 63 << "转换开关量描述内容时发生错误！"
        << "";
    QTest::newRow("empty switch text, english")
        << QStringList{"4=英文", "27=ON", "28=", sms("")} << 2 << generic << "";
}

void TestChannelRecord::rowFrameCases() {
    QFETCH(QStringList, changes);
    QFETCH(int, tableIndex);
    QFETCH(QString, message);
    QFETCH(QString, bytes);
    const RowWrite w = channelRowFrame(withCells(goldenRow(), changes), tableIndex);
    if (message.isEmpty()) {
        QVERIFY2(!w.refused(), qPrintable(w.message));
        QCOMPARE(w.frame.size(), 267);
        unsigned sum = 0;
        for (int i = 12; i < 267; ++i) sum += static_cast<uint8_t>(w.frame[i]);
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
            QVERIFY(w.message.size() > message.size() - 1);  // a reason follows
        } else {
            QCOMPARE(w.message, message);
        }
    }
}

void TestChannelRecord::readBackCases_data() {
    QTest::addColumn<QString>("patch");  // "index:HEX..." groups into the golden payload
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("text");

    const QString eightSeps = repeated(SEP, 8);
    QTest::newRow("all phones") << "5:FFFFFF" << 5 << "FFFFFF(全部号码表)";
    QTest::newRow("no phone") << "5:000000" << 5 << "0(透明方式1 号码)";
    QTest::newRow("chosen phones") << "5:050008" << 5 << "80005(号码表自选)";
    QTest::newRow("upload unsigned") << "8:FFFF" << 6 << "65535";
    QTest::newRow("upload 40000") << "8:409C" << 6 << "40000";
    QTest::newRow("limit 100") << "16:02;32:10270000" << 23 << "100";
    QTest::newRow("limit 12.5") << "16:02;32:E2040000" << 23 << "12.5";
    QTest::newRow("limit -3") << "16:02;36:D4FEFFFF" << 24 << "-3";
    QTest::newRow("limit 400") << "16:02;32:409C0000" << 23 << "400";
    QTest::newRow("limit seven digits") << "16:00;32:87D61200" << 23 << "1234567";
    QTest::newRow("limit of eight digits") << "16:00;32:4E61BC00" << 23 << "12345678";
    QTest::newRow("limit 0.0001") << "16:04;32:01000000" << 23 << "0.0001";
    QTest::newRow("limit -0.830806") << "16:06;36:AA52F3FF" << 24 << "-0.830806";
    QTest::newRow("limit 99999.99") << "16:02;32:7F969800" << 23 << "99999.99";
    QTest::newRow("limit -2147483648") << "16:00;36:00000080" << 24 << "-2147483648";
    QTest::newRow("bit mode with value") << "10:31;27:08" << 21 << "按字节/字符取值,31";
    QTest::newRow("bit byte outside list") << "27:09" << 21 << "bit0";
    QTest::newRow("value type outside list") << "17:07" << 12 << "整数";
    QTest::newRow("protocol outside list") << "24:03" << 18 << "自定义";
    QTest::newRow("check outside list") << "20:05" << 15 << "无";
    QTest::newRow("check bytes") << "21:02" << 16 << "2字节";
    QTest::newRow("binding code") << "29:81" << 25 << "81";
    QTest::newRow("head count 0") << "29:00" << 25 << "";
    QTest::newRow("head count 9") << "29:09" << 25 << "";
    QTest::newRow("head count 128") << "29:80" << 25 << "";
    QTest::newRow("head count 8") << "29:08;40:0102030405060708" << 25 << "01 02 03 04 05 06 07 08 ";
    QTest::newRow("command count 0") << "22:00" << 26 << "";
    QTest::newRow("command count 41") << "22:29" << 26 << "";
    QTest::newRow("no segments, no flags")
        << "11:00;120:0000000000000000" << 29 << eightSeps + "0,0,0,0,0,0,0,0";
    QTest::newRow("links outside list")
        << "128:0100020300000009" << 30 << "采集值,无,上限值,下限值,无,无,无,无";
    QTest::newRow("length top bit cleared")
        << "4:01;11:00;120:8500000000000000;136:48454C4C4F" << 29 << "HELLO" + eightSeps + "0,0,0,0,0,0,0,0";
    QTest::newRow("odd chinese length takes one more byte") << "30:03;88:00410042" << 27 << "AB";
    QTest::newRow("english switch text") << "4:01;30:02;88:4F4E" << 27 << "ON";
    QTest::newRow("switch length 17 stays in its field")
        << "30:11;88:4F604F604F604F604F604F604F604F60;104:8DF7" << 27 << "你你你你你你你你";
    QTest::newRow("english chinese bytes") << "4:01;31:04;104:B9D8B1D5" << 28 << "关闭";
    QTest::newRow("sign bytes") << "13:00;14:FF" << 9 << "FF";
}

void TestChannelRecord::readBackCases() {
    QFETCH(QString, patch);
    QFETCH(int, column);
    QFETCH(QString, text);
    QByteArray p = goldenFrame().mid(11);
    for (const QString& group : patch.split(';', Qt::SkipEmptyParts)) {
        const int at = group.section(':', 0, 0).toInt();
        const QByteArray b = hex(group.section(':', 1));
        p.replace(at, b.size(), b);
    }
    const ChannelReadBack r = decodeChannelRow(p);
    QVERIFY(r.complete);
    QCOMPARE(r.cells[column], text);
    if (column == 5) QCOMPARE(phoneMaskText(r.phoneMask.value()), text);
}

// Whatever limit the module holds, a read-back followed by a re-send gives
// it the same four bytes, and the text shows the value exactly.
void TestChannelRecord::limitsSurviveReadBackAndResend() {
    QRandomGenerator rng(26);
    const QList<int32_t> edges = {0, 1, -1, 9999999, 32285464, 32285465, 16777217, INT32_MAX, INT32_MIN};
    for (int n = 0; n < 4000; ++n) {
        const int32_t upper = n < edges.size() ? edges[n] : int32_t(rng.generate());
        const int32_t lower =
            n < edges.size() ? edges[edges.size() - 1 - n] : int32_t(rng.bounded(20000000)) - 10000000;
        const int decimals = n % 7;
        QByteArray p = goldenFrame().mid(11);
        p[16] = char(decimals);
        for (int i = 0; i < 4; ++i) {
            p[32 + i] = char(uint32_t(upper) >> (8 * i));
            p[36 + i] = char(uint32_t(lower) >> (8 * i));
        }
        const ChannelReadBack back = decodeChannelRow(p);
        QVERIFY(back.complete);
        for (const QString& t : {back.cells[23], back.cells[24]})
            QVERIFY2(!t.contains('E') && !t.endsWith('.') && !(t.contains('.') && t.endsWith('0')),
                     qPrintable(t));
        const RowWrite again = channelRowFrame(back.cells, 2);
        QVERIFY2(!again.refused(), qPrintable(again.message));
        QCOMPARE(again.frame.mid(43, 8).toHex(' '), p.mid(32, 8).toHex(' '));
    }
}

void TestChannelRecord::readBackStopsAtPayloadEnd_data() {
    QTest::addColumn<QString>("patch");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("lastWritten");  // columns up to here are filled ...
    QTest::addColumn<int>("firstEmpty");   // ... and from here on empty

    QTest::newRow("payload of 20 bytes") << "" << 20 << 14 << 15;
    // A switch text stays in its 16-byte field, so only a payload cut inside
    // that field stops it.
    QTest::newRow("switch-1 text past the end") << "30:10" << 95 << 26 << 27;
    QTest::newRow("switch-0 text past the end") << "31:10" << 110 << 27 << 28;
    QTest::newRow("segment lengths past the end") << "120:7F7F7F7F7F7F7F7F" << 256 << 28 << 31;
}

void TestChannelRecord::readBackStopsAtPayloadEnd() {
    QFETCH(QString, patch);
    QFETCH(int, size);
    QFETCH(int, lastWritten);
    QFETCH(int, firstEmpty);
    QByteArray p = goldenFrame().mid(11);
    for (const QString& group : patch.split(';', Qt::SkipEmptyParts)) {
        const int at = group.section(':', 0, 0).toInt();
        const QByteArray b = hex(group.section(':', 1));
        p.replace(at, b.size(), b);
    }
    p.truncate(size);
    const ChannelReadBack r = decodeChannelRow(p);
    QVERIFY(!r.complete);
    QCOMPARE(r.cells[1], QStringLiteral("CH2"));
    QCOMPARE(r.phoneMask.value_or(0), 0x30005u);
    QVERIFY(!r.cells[lastWritten].isEmpty());
    for (int col = firstEmpty; col < kChannelColumns; ++col)
        QVERIFY2(r.cells[col].isEmpty(), qPrintable(QString::number(col)));
}

void TestChannelRecord::smsColumnShapes() {
    SmsColumn sms;
    sms.segments = {"安装地点", "设备号", "", "", "", "", "", "x"};
    sms.lineBreaks[0] = sms.lineBreaks[7] = true;
    const QString text = smsColumnText(sms);
    QCOMPARE(text,
             "安装地点" + SEP + "设备号" + SEP + SEP + SEP + SEP + SEP + SEP + "x" + SEP + "1,0,0,0,0,0,0,1");
    const auto parts = splitSmsColumn(text);
    QVERIFY(parts && parts->flagsValid);
    QCOMPARE(parts->sms.segments, sms.segments);
    QCOMPARE(parts->sms.lineBreaks, sms.lineBreaks);
    QVERIFY(!splitSmsColumn("a" + SEP + "b"));
    const auto sevenFlags = splitSmsColumn(repeated(SEP, 8) + "1,1,1,1,1,1,1");
    QVERIFY(sevenFlags && !sevenFlags->flagsValid);
    QCOMPARE(phoneMaskOf(" 3 0005(号码表自选)"), 0x30005u);
    QCOMPARE(phoneMaskText(0x8000), QStringLiteral("8000(号码表自选)"));
    QCOMPARE(bindingCodeText(3), QStringLiteral("83"));
}

void TestChannelRecord::englishModeTexts_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("ascii with separators") << "Site" + SEP + "Dev" + SEP + "1,0,0,0,0,0,0,0" << true;
    QTest::newRow("empty") << "" << true;
    QTest::newRow("code 128") << QString(QChar(0x20AC)) << true;
    QTest::newRow("chinese") << "Site温度" << false;
    QTest::newRow("full-width comma") << "a，b" << false;
    QTest::newRow("outside the code page") << QString(QChar(0x0E01)) << false;
}

void TestChannelRecord::englishModeTexts() {
    QFETCH(QString, text);
    QFETCH(bool, accepted);
    QCOMPARE(englishTextAccepted(text), accepted);
}

QTEST_GUILESS_MAIN(TestChannelRecord)
#include "tst_channel_record.moc"
