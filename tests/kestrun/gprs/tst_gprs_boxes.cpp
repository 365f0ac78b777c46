// Every box and list of the GPRS settings form that feeds a frame sends what
// it shows, or refuses with a message, sending nothing and keeping the text:
// random text (lower case, non-hex, blanks, line breaks, commas, characters
// without a one-byte code, over-long text, numbers past their field) typed,
// pasted, dropped or loaded into one box, its button pressed, and the frame
// read back into what the box shows.

#include <cmath>

#include "GprsHarness.h"
#include "core/protocol/GprsFrames.h"
#include "tests/support/BoxInput.h"
#include "tests/support/Property.h"
#include "tests/support/VirtualTime.h"

namespace {

struct Rig {
    VirtualTime time;
    GprsHarness h;
    Rig() { time.watchLine(&h.port(), &h.sim()); }
};

QString hexOf(const QByteArray& b) { return QString::fromLatin1(b.toHex().toUpper()); }
QString hexGroupsOf(const QByteArray& b) {
    QString s;
    for (char c : b) s += QString::fromLatin1(QByteArray(1, c).toHex().toUpper()) + QLatin1Char(':');
    return s;
}
// A number as a box shows it (blanks around it, a sign, leading zeros);
// "?" when the text is no whole number.
QString number(const QString& text) {
    bool ok = false;
    const qlonglong v = text.trimmed().toLongLong(&ok);
    return ok && !text.trimmed().isEmpty() ? QString::number(v) : QStringLiteral("?");
}
QString units(const QString& ms) {
    const QString n = number(ms);
    return n == "?" ? n : QString::number(qlonglong(std::nearbyint(n.toDouble() / 400.0)));
}
int be16(const QByteArray& d, int at) { return uint8_t(d.at(at)) * 256 + uint8_t(d.at(at + 1)); }

// One box: where it sits, the button that sends it, the other boxes its
// frame carries (loaded with valid text), the modes the terminal works in,
// and how a frame of its code reads back as the box's text.
struct Box {
    const char* name;
    int button;
    QList<std::pair<const char*, const char*>> others;
    int work, trans;
    uint8_t head;  // the frame's first byte after the preamble, or its own first byte
    std::function<QString(const QByteArray& frame)> sent;
    std::function<QString(const QString& shown)> shows;
};

QString hexData(const QByteArray& f) { return hexOf(f.mid(10)); }
QString upper(const QString& s) { return s.toUpper(); }
QString asShown(const QString& s) { return s; }
QString address(const QString& s) { return s.toUpper().endsWith(':') ? s.toUpper() : s.toUpper() + ":"; }
// The item a list's code stands for (the codes in order), else the code.
std::function<QString(const QByteArray&)> item(int at, int first, QStringList items) {
    return [=](const QByteArray& f) {
        return items.value(uint8_t(f.at(at)) - first, QStringLiteral("code %1").arg(uint8_t(f.at(at))));
    };
}
// The work-mode chain reads every list down to the address layout.
const QList<std::pair<const char*, const char*>> kLayout = {
    {"Combo1", "主动方式"}, {"Combo2", "透明传输"}, {"Combo3", "方式2"}, {"Combo4", "ASCII"},
    {"Text5", "1"}, {"Text6", "2"}, {"Text7", "3"}};
QList<std::pair<const char*, const char*>> layoutBut(const char* box) {
    QList<std::pair<const char*, const char*>> out;
    for (const auto& p : kLayout)
        if (qstrcmp(p.first, box) != 0) out << p;
    return out;
}

const QList<Box>& boxes() {
    // clang-format off
    static const QList<Box> table = {
        {"Text2", 0, {{"Text3", "234"}}, 1, 1, 0xF4, hexData, [](const QString& s) { return s.toUpper() + "234"; }},
        {"Text3", 0, {{"Text2", "1"}}, 1, 1, 0xF4, hexData, [](const QString& s) { return "1" + s.toUpper(); }},
        {"Text8", 6, {{"Text1(0)", "234"}}, 1, 1, 0xF3, hexData, [](const QString& s) { return s.toUpper() + "234"; }},
        {"Text1(0)", 6, {{"Text8", "1"}}, 1, 1, 0xF3, hexData, [](const QString& s) { return "1" + s.toUpper(); }},
        {"Text9", 11, {}, 0, 1, 0xE2, [](const QByteArray& f) { return QString::fromLatin1(f.mid(10)); },
         [](const QString& s) { return s.size() == 1 ? "0" + s : s; }},
        {"Text4", 2, {{"Text10", "6"}}, 1, 1, 0xF6, [](const QByteArray& f) { return QString::number(be16(f, 10)); }, number},
        {"Text10", 2, {{"Text4", "300"}}, 1, 1, 0xE4, [](const QByteArray& f) { return QString::number(uint8_t(f.at(10))); }, number},
        // The module counts the delays in 400 ms: the nearest count goes.
        {"Text11", 9, {{"Text12", "10400"}}, 1, 1, 0xD2, [](const QByteArray& f) { return QString::number(be16(f, 10)); }, units},
        {"Text12", 9, {{"Text11", "1200"}}, 1, 1, 0xD2, [](const QByteArray& f) { return QString::number(be16(f, 12)); }, units},
        {"Combo7", 8, {}, 1, 1, 0xF2, item(10, 3, {"1200bps", "2400bps", "4800bps", "9600bps", "14400bps", "19200bps",
                                                  "38400bps", "57600bps", "115200bps"}), asShown},
        {"Combo1", 10, layoutBut("Combo1"), 1, 1, 0xF8, item(10, 0, {"被动方式", "主动方式"}), asShown},
        {"Combo2", 10, layoutBut("Combo2"), 1, 1, 0xF9, item(10, 0, {"透明传输", "格式传输"}), asShown},
        {"Combo3", 10, layoutBut("Combo3"), 1, 1, 0xFB, item(10, 0, {"方式2", "方式1"}), asShown},
        {"Combo4", 10, layoutBut("Combo4"), 1, 1, 0xE1, item(13, 0, {"ASCII", "16进制", "BCD码"}), asShown},
        {"Text1(6)", 1, {{"Text1(1)", "41:"}}, 1, 1, 0xD7, [](const QByteArray& f) { return hexGroupsOf(f.mid(2, 2)); }, address},
        {"Text1(1)", 1, {{"Text1(6)", "12:34:"}}, 1, 1, 0xD7, [](const QByteArray& f) { return hexGroupsOf(f.mid(6)); }, upper},
        {"Text1(1)", 1, {}, 1, 0, 0x00, hexGroupsOf, upper},
        {"Text1(4)", 3, {}, 0, 0, '$', [](const QByteArray& f) { return hexGroupsOf(f.mid(1, 2)); }, address},
    };
    // clang-format on
    return table;
}

// clang-format off
const QStringList kPieces = {"0", "1", "5", "9", "A", "F", "a", "f", "g", "Z", " ", "\r\n", "\n", ",", ":", "中", "€",
                             "é", "😀", "\t", "-", "+", ".", "65535", "65536", "255", "256", "12:", "3A:", "26214000",
                             "26214001", "99999999999", "主动方式", "被动方式", "格式传输", "透明传输", "方式1", "方式2",
                             "ASCII", "16进制", "BCD码", "无", "9600bps", "bps"};
// clang-format on

}  // namespace

class TestGprsBoxes : public QObject {
    Q_OBJECT
private slots:
    void everyBoxSendsWhatItShowsOrRefuses();
};

void TestGprsBoxes::everyBoxSendsWhatItShowsOrRefuses() {
    Rig r;
    GprsHarness& h = r.h;
    QVERIFY(h.openForm(1));
    h.f<QRadioButton>("Option7")->click();  // the wake mode as the installer chose it
    auto idle = [&] {
        for (const char* t : {"Timer1", "Timer2", "Timer4", "Timer5", "Timer7"})
            if (h.timer(t)->enabled()) return false;
        return h.allButtonsEnabled() && !h.form()->dataCentreWait();
    };
    SMS_PROPERTY("gprs boxes send what they show", 100000, 4, [&] {
        const Box& box = boxes().at(*rc::gen::inRange<int>(0, int(boxes().size())));
        const BoxInput::Way way = BoxInput::kWays[*rc::gen::inRange<int>(0, 4)];
        QString text = Property::textFromPieces(kPieces);
        g::WorkModeByte[0] = uint8_t(box.work);
        g::TransModeByte[0] = uint8_t(box.trans);
        for (const auto& [other, value] : box.others)
            BoxInput::put(h.f<QWidget>(other), value, BoxInput::Way::Loaded);
        QWidget* w = h.f<QWidget>(QString::fromLatin1(box.name));
        RC_ASSERT(w != nullptr);
        BoxInput::put(w, text, way);
        RC_ASSERT(r.time.settle());
        const QString shown = BoxInput::shown(w);
        const int messages = h.dialogs.messageCount();
        const int from = int(h.sim().requests().size());
        QTest::mouseClick(h.button(box.button), Qt::LeftButton);
        RC_ASSERT(r.time.runUntil(idle, 60000) && r.time.runUntilLineQuiet(1000, 10000));
        const auto requests = h.sim().requests();
        const std::string what = std::string(box.name) + " " + BoxInput::name(way) + " showing \"" +
                                 shown.left(60).toStdString() + "\"";
        if (h.dialogs.messageCount() > messages &&
            h.dialogs.lastText() != QStringLiteral("模块身份地址设置成功")) {
            if (requests.size() > from)
                RC_FAIL(what + ": refused and sent " + hex(requests.at(from).bytes).toStdString());
            if (BoxInput::shown(w) != shown)
                RC_FAIL(what + ": refused and the box now shows \"" +
                        BoxInput::shown(w).left(60).toStdString() + "\"");
            return;
        }
        std::optional<QByteArray> frame;
        for (qsizetype i = from; i < requests.size(); ++i) {
            const QByteArray b = requests.at(i).bytes;
            const bool config = b.startsWith(h.frame("")) && b.size() > 8;
            if (box.head == 0x00 || (config && uint8_t(b.at(8)) == box.head) ||
                (!config && uint8_t(b.at(0)) == box.head))
                frame = b;
        }
        // Raw data of an empty send text are no bytes.
        if (!frame && box.head == 0x00) frame = QByteArray();
        if (!frame) RC_FAIL(what + ": neither refused nor sent");
        const QString meant = BoxInput::shown(w);
        if (box.sent(*frame) != box.shows(meant))
            RC_FAIL(what + ": sent " + hex(*frame).left(80).toStdString() + ", which reads \"" +
                    box.sent(*frame).left(60).toStdString() + "\", while the box shows \"" +
                    meant.left(60).toStdString() + "\"");
    });
}

QTEST_MAIN(TestGprsBoxes)
#include "tst_gprs_boxes.moc"
