// Every box and editable list of the QV7351 settings form whose text reaches
// a frame sends what it shows, or refuses with a message, sending nothing at
// all and keeping the text: random text (lower case, non-hex, blanks, line
// breaks, commas, characters without a one-byte code, over-long text,
// numbers past their field) typed, pasted, dropped or loaded into one box,
// its buttons pressed, and the frame read back into what the box shows.

#include <QAbstractButton>
#include <QAction>
#include <algorithm>
#include <cmath>

#include "../VarnelHarness.h"
#include "core/protocol/PhoneCodec.h"
#include "core/protocol/TestFrames.h"
#include "platform/Controls.h"
#include "platform/FlexGrid.h"
#include "platform/text/TextCodec.h"
#include "platform/text/VbNum.h"
#include "tests/support/BoxInput.h"
#include "tests/support/Property.h"
#include "tests/support/VirtualTime.h"
#include "varnel/settings/PhoneTab.h"
#include "varnel/settings/TestTab.h"

namespace {

using Sent = std::function<QString(const QByteArray&)>;
using Shows = std::function<QString(const QString&)>;

struct Rig {
    VirtualTime time;
    VarnelHarness h;
    SettingsForm* f = nullptr;

    Rig() { time.watchLine(&h.port(), &h.sim()); }
    bool until(const std::function<bool()>& done) { return time.runUntil(done, 60000); }
    bool idle() const {
        return !f->Timer1->enabled() && !f->Timer2->enabled() && !f->Timer3->enabled() && !f->testTab->sendPending();
    }
    // Connected, with the first refresh run out: the page shows the module.
    bool open() {
        if (!h.fixture.ok()) return false;
        if (!until([&] { return h.main().pictureWindow() && h.main().pictureWindow()->isVisible(); })) return false;
        QTest::mouseClick(h.main().pictureWindow()->Label2, Qt::LeftButton);
        if (!h.main().connectDialog()) return false;
        QTest::mouseClick(h.main().connectDialog()->Command1[0], Qt::LeftButton);
        if (!until([&] { return h.form() && g::RecvMode == 101 && !h.form()->Timer6->enabled(); })) return false;
        f = h.form();
        return until([&] { return idle(); }) && time.runUntilLineQuiet(1000, 30000);
    }
};

QString hexGroupsOf(const QByteArray& b) { return TestFrames::hexText(b); }
qint64 be(const QByteArray& d, int at, int n) {
    qint64 v = 0;
    for (int i = 0; i < n; ++i) v = v * 256 + uint8_t(d.at(at + i));
    return v;
}
Sent bigEndian(int at, int n, int scale = 1) {
    return [=](const QByteArray& f) { return QString::number(be(f, at, n) * scale); };
}
Sent byteAt(int at) { return bigEndian(at, 1); }

// A number as the box shows it, in units of `scale` rounded half to even,
// within [lo, hi]; "?" for anything else. `empty` stands for an empty box.
Shows number(double scale, int64_t lo, int64_t hi, const char* empty = "?") {
    return [=](const QString& text) -> QString {
        if (text.trimmed().isEmpty()) return QString::fromLatin1(empty);
        const auto v = VbNum::parseNumber(text.trimmed());
        const double r = v ? std::nearbyint(*v / scale) : -1e300;
        return r < double(lo) || r > double(hi) ? QStringLiteral("?") : QString::number(qint64(r));
    };
}
// The period, seconds held in single precision, in units of 10 ms; none
// (listening only) is no polling period.
QString period(const QString& text) {
    const auto v = VbNum::parseNumber(text.trimmed());
    const double r = v ? std::nearbyint(double(float(*v)) * 100.0) : -1;
    return r < 1 || r > 8640000 ? QStringLiteral("?") : QString::number(qint64(r));
}
// Milliseconds, rounded, in units of 400 ms, rounded again.
QString units(const QString& ms) {
    const QString n = number(1, 0, int64_t(1) << 50)(ms);
    const double u = std::nearbyint(n.toDouble() / 400.0);
    return n == "?" || u > 65535 ? QStringLiteral("?") : QString::number(qlonglong(u));
}
QString upper(const QString& s) { return s.toUpper(); }
QString asShown(const QString& s) { return s; }
QString groups(const QString& s) { return s.size() % 3 == 2 ? s.toUpper() + ":" : s.toUpper(); }
QString content(const QString& s) { return groups(s.size() % 3 == 1 ? s.chopped(1) : s); }
Sent item(int at, QStringList items) {
    return [=](const QByteArray& f) { return items.value(uint8_t(f.at(at)), QStringLiteral("code %1").arg(uint8_t(f.at(at)))); };
}
// A list that the frame reads by its position: any of `items`, as `as`.
Shows oneOf(QStringList items, QString as) {
    return [=](const QString& s) { return items.contains(s) ? as : s; };
}

// One box: its tab, the buttons that send it, what the other controls are
// given first (an item chosen, a button clicked, a text typed), the request
// (code and operation; code 0: the test tab's last request) and how it reads
// back as the box's text. On the test tab: the work and transmission modes
// and the send mode (0 汉字, 1 英文, 2 十六进制).
struct Box {
    const char* name;
    int tab;
    QStringList buttons;
    QList<std::pair<const char*, const char*>> others;
    uint8_t code, op;
    Sent sent;
    Shows shows;
    int work = 1, trans = 1, mode = 0;
};

Box testBox(const char* name, int work, int trans, int mode, Shows shows) {
    QList<std::pair<const char*, const char*>> others = {{"Text21(1)", mode == 2 ? "41:" : "AB"}};
    if (work == 0) others << std::pair{"Text22", "01:02:"};
    if (trans != 0) others << std::pair{"Text21(4)", "13800138000"};
    const QString which = QString::fromLatin1(name);
    return {name, 1, {"Command21(2)"}, others, 0, 0,
            [=](QByteArray b) {
                if (which == "Text22") return hexGroupsOf(b.mid(1, 2));
                if (work == 0) b = b.mid(6, b.size() - 7);
                if (which == "Text21(4)") return PhoneCodec::entryText(b.mid(2, 6));
                if (trans != 0) b = b.mid(10);
                return mode == 0 ? TextCodec::fromUcs2BE(b) : mode == 1 ? TextCodec::fromGbk(b) : hexGroupsOf(b);
            },
            shows, work, trans, mode};
}

const QList<Box>& boxes() {
    const QStringList rates = {"", "", "", "1200bps", "2400bps", "4800bps", "9600bps", "14400bps",
                               "19200bps", "38400bps", "57600bps", "115200bps"};
    // clang-format off
    static const QList<Box> table = {
        {"Text1", 0, {"Command2"}, {}, 0xF1, 1, [](const QByteArray& f) { return hexGroupsOf(f.mid(10, 4)); }, groups},
        {"Text2", 0, {"Command3"}, {}, 0xA2, 1, [](const QByteArray& f) { return "1" + hexGroupsOf(f.mid(11, 5)).remove(':'); }, upper},
        {"Text3", 0, {"Command4"}, {{"Combo1", "被动方式"}}, 0xE2, 1, [](const QByteArray& f) { return hexGroupsOf(f.mid(10, 2)); }, groups},
        {"Text4", 0, {"Command7"}, {}, 0xA3, 1, bigEndian(10, 4), number(0.005, 0, std::numeric_limits<int32_t>::max())},
        {"Combo3", 0, {"Command6"}, {}, 0xF2, 1, item(10, rates), asShown},
        {"Combo1", 0, {"Command5"}, {{"Combo2", "格式传输"}}, 0xF8, 1, item(10, {"被动方式", "主动方式"}), asShown},
        {"Combo2", 0, {"Command5"}, {{"Combo1", "主动方式"}}, 0xF9, 1, item(10, {"透明", "格式传输"}),
         oneOf({"透明方式1", "透明方式2"}, "透明")},
        // In 透明方式2 no frame carries the type: the sequence runs only on an item.
        {"Combo4", 0, {"Command5"}, {{"Combo1", "主动方式"}, {"Combo2", "透明方式2"}}, 0xF8, 1,
         [](const QByteArray&) { return QStringLiteral("an item"); },
         oneOf({"ASCII", "16进制", "BCD码", "R50模式", "无"}, "an item")},
        {"Text11", 0, {"Command14"}, {{"Option5", ""}, {"Option7", ""}, {"Text13", "10000"}}, 0xD2, 1, bigEndian(10, 2), units},
        {"Text13", 0, {"Command14"}, {{"Option5", ""}, {"Option7", ""}, {"Text11", "1000"}}, 0xD2, 1, bigEndian(12, 2), units},
        {"Text9", 2, {"Command19", "Command11"}, {}, 0xD9, 2,
         [](const QByteArray& f) { return PhoneCodec::entryText(f.mid(12, 6)); },
         [](const QString& s) { return s.toUpper().replace('*', '0'); }},
        {"TxtPeriod", 3, {"Command29"}, {{"Option9", ""}}, 0xA8, 0xF1,
         [](const QByteArray& f) { QByteArray p = f.mid(12, 4); std::reverse(p.begin(), p.end()); return QString::number(be(p, 0, 4)); },
         period},
        {"TxtTimeOut", 3, {"Command29"}, {{"Option9", ""}}, 0xA8, 0xF1, byteAt(16), number(100, 0, 255)},
        {"TxtReSend", 3, {"Command29"}, {}, 0xA8, 0xF1, byteAt(17), number(1, 0, 10, "0")},
    };
    // clang-format on
    static const QList<Box> all = [&] {
        QList<Box> out = table;
        for (int work : {0, 1})
            for (int trans : {0, 1}) {
                for (int mode : {0, 1})
                    out << testBox("Text21(1)", work, trans, mode,
                                   [](const QString& s) { return QString(s).replace('\n', QStringLiteral("\r\n")); });
                out << testBox("Text21(1)", work, trans, 2, content);
                if (work == 0) out << testBox("Text22", work, trans, 1, groups);
                if (trans != 0) out << testBox("Text21(4)", work, trans, 1, upper);
            }
        return out;
    }();
    return all;
}

// clang-format off
const QStringList kPieces = {"0", "1", "5", "9", "A", "F", "a", "f", "g", "Z", "*", " ", "\r\n", "\n", ",", ":", "中",
                             "€", "é", "😀", "\t", "-", "+", ".", "e3", "10", "11", "250", "255", "256", "550",
                             "25500", "25501", "86400", "68380.73", "0.015", "65535", "26214000", "4294967296",
                             "13800138000", "5A:21:7C:40:", "01:02:", "主动方式", "被动方式", "格式传输", "透明方式1",
                             "透明方式2", "16进制", "R50模式", "无", "9600bps", "9600", "14400bps", "bps"};
// clang-format on

const char* const kModes[] = {"chinese", "englist", "sendhex"};

}  // namespace

class TestSettingsBoxes : public QObject {
    Q_OBJECT
private slots:
    void everyBoxSendsWhatItShowsOrRefuses();
};

void TestSettingsBoxes::everyBoxSendsWhatItShowsOrRefuses() {
    Rig r;
    QVERIFY(r.open());
    SettingsForm* f = r.f;
    VarnelHarness& h = r.h;
    auto widget = [&](const QString& name) { return f->findChild<QWidget*>(name); };
    SMS_PROPERTY("QV7351 settings boxes send what they show", 100000, 6, [&] {
        const Box& box = boxes().at(*rc::gen::inRange<int>(0, int(boxes().size())));
        const BoxInput::Way way = BoxInput::kWays[*rc::gen::inRange<int>(0, 4)];
        const QString text = Property::textFromPieces(kPieces);
        g::WorkModeByte[0] = uint8_t(box.work);
        g::TransModeByte[0] = uint8_t(box.trans);
        h.main().action(QString::fromLatin1(kModes[box.mode]))->trigger();
        f->SSTab1->setCurrentIndex(box.tab == 0 ? 2 : 0);
        f->SSTab1->setCurrentIndex(box.tab);
        f->phoneTab->Grid->setRows(1);
        for (const auto& [name, value] : box.others) {
            QWidget* o = widget(QString::fromLatin1(name));
            RC_ASSERT(o != nullptr);
            const QString v = QString::fromUtf8(value);
            if (auto* b = qobject_cast<QAbstractButton*>(o))
                b->click();
            else if (auto* c = qobject_cast<QComboBox*>(o))
                Controls::setListIndexAndClick(c, c->findText(v));
            else  // the user's own entry, as the write takes it
                BoxInput::put(o, v, BoxInput::Way::Typed);
        }
        QWidget* w = widget(QString::fromLatin1(box.name));
        RC_ASSERT(w != nullptr);
        BoxInput::put(w, text, way);
        RC_ASSERT(r.time.settle());
        const QString shown = BoxInput::shown(w);
        const int messages = h.dialogs.messageCount();
        const int from = int(h.sim().requests().size());
        bool waited = false;  // the work-mode sequence waited for a choice after its first frames
        for (const QString& button : box.buttons) {
            QTest::mouseClick(qobject_cast<QAbstractButton*>(widget(button)), Qt::LeftButton);
            RC_ASSERT(r.until([&] { return r.idle() || h.dialogs.messageCount() > messages; }));
            if (f->Timer1->enabled() && h.dialogs.messageCount() > messages) {
                f->Timer1->setEnabled(false);
                f->Enable_Command();
                waited = true;
            }
            RC_ASSERT(r.until([&] { return r.idle(); }) && r.time.runUntilLineQuiet(1000, 30000));
            if (h.dialogs.messageCount() > messages) break;
        }
        const auto requests = h.sim().requests();
        const std::string what = std::string(box.name) + " " + BoxInput::name(way) + " showing \"" +
                                 shown.left(60).toStdString() + "\"";
        std::optional<QByteArray> frame;
        for (qsizetype i = from; i < requests.size(); ++i) {
            const QByteArray b = requests.at(i).bytes;
            if (box.code == 0 || (b.size() > 10 && b.startsWith(VarnelHarness::frame("")) &&
                                  uint8_t(b.at(8)) == box.code && uint8_t(b.at(9)) == box.op))
                frame = b;
        }
        if (!frame) {
            if (h.dialogs.messageCount() == messages) RC_FAIL(what + ": neither refused nor sent");
            if (!waited && requests.size() > from)
                RC_FAIL(what + ": refused after sending " + requests.at(from).bytes.toHex(' ').toStdString());
            if (BoxInput::shown(w) != shown)
                RC_FAIL(what + ": refused and the box now shows \"" + BoxInput::shown(w).left(60).toStdString() + "\"");
            return;
        }
        const QString meant = BoxInput::shown(w);
        if (box.sent(*frame) != box.shows(meant))
            RC_FAIL(what + ": sent " + frame->toHex(' ').left(90).toStdString() + ", which reads \"" +
                    box.sent(*frame).left(60).toStdString() + "\", while the box shows \"" +
                    meant.left(60).toStdString() + "\"");
    });
}

QTEST_MAIN(TestSettingsBoxes)
#include "tst_settings_boxes.moc"
