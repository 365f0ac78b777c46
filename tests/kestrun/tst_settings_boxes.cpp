// Every box and editable list of the SMS settings form that feeds a frame
// sends what it shows, or refuses with a message, sending nothing and keeping
// the text: random text (lower case, non-hex, blanks, line breaks, commas,
// characters without a one-byte code, over-long text, numbers past their
// field) typed, pasted, dropped or loaded into one box on any tab, an
// encoding switched after it, its buttons pressed, and the frame read back
// into what the box shows.

#include <QAbstractButton>
#include <QAction>
#include <cmath>

#include "KestrunHarness.h"
#include "core/protocol/PhoneCodec.h"
#include "core/protocol/SettingsRecords.h"
#include "core/protocol/TestFrames.h"
#include "kestrun/settings/PhoneTab.h"
#include "kestrun/settings/TestTab.h"
#include "platform/Controls.h"
#include "platform/FlexGrid.h"
#include "platform/text/TextCodec.h"
#include "platform/text/VbNum.h"
#include "tests/support/BoxInput.h"
#include "tests/support/Property.h"
#include "tests/support/VirtualTime.h"
#include "tools/SimParams.h"
#include "tools/SimSettings.h"

namespace {

using Sent = std::function<QString(const QByteArray&)>;
using Shows = std::function<QString(const QString&)>;

struct Rig {
    VirtualTime time;
    KestrunHarness h;
    SimParams* params = SimParams::install(h.sim());
    SimSettings* settings = SimSettings::install(h.sim());
    SettingsForm* f = nullptr;
    bool open() {
        if (!h.fixture.ok()) return false;
        time.watchLine(&h.port(), &h.sim());
        h.port().setCommPort(h.fixture.comNumber());
        if (h.port().open() != CommPort::OpenResult::Ok) return false;
        h.app->forms->showSettingsForm(true);
        f = h.settingsForm();
        if (!f) return false;
        f->Timer6->setEnabled(false);
        return time.runUntil([] { return g::RecvMode == 101; }, 5000);
    }
    bool idle() const {
        return !f->commandsDisabled() && !f->Timer1->enabled() && !f->Timer2->enabled() && !f->Timer3->enabled() &&
               g::RxState == 0 && !f->testTab->sendPending();
    }
};

QString hexGroupsOf(const QByteArray& b) { return TestFrames::hexText(b); }
int be16(const QByteArray& d, int at) { return uint8_t(d.at(at)) * 256 + uint8_t(d.at(at + 1)); }
qint64 be32(const QByteArray& d, int at) { return qint64(be16(d, at)) * 65536 + be16(d, at + 2); }
Sent byteAt(int at) {
    return [at](const QByteArray& f) { return QString::number(uint8_t(f.at(at))); };
}

// A number as the box shows it: a whole decimal text (blanks around it, a
// sign, a fraction) in units of `scale`, rounded half to even, within
// [lo, hi]; "?" for anything else. `empty` is what an empty box stands for.
Shows number(double scale, int64_t lo, int64_t hi, const char* empty = "?") {
    return [=](const QString& text) -> QString {
        if (text.trimmed().isEmpty()) return QString::fromLatin1(empty);
        const auto v = VbNum::parseNumber(text.trimmed());
        const double r = v ? std::nearbyint(*v / scale) : -1e300;
        return r < double(lo) || r > double(hi) ? QStringLiteral("?") : QString::number(qint64(r));
    };
}
// The repeat interval goes in units of 10 s, the rest dropped.
QString tens(const QString& text) {
    const QString n = number(1, 0, 2550, "0")(text);
    return n == "?" ? n : QString::number(n.toLongLong() / 10);
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
// A hex content: a single digit left over at the end is not sent.
QString content(const QString& s) { return groups(s.size() % 3 == 1 ? s.chopped(1) : s); }
// A text field of a settings record.
Sent field(int lengthAt, int fieldAt, int size) {
    return [=](const QByteArray& f) {
        const auto t = SettingsRecords::decodeText(f.mid(12), lengthAt, fieldAt, size);
        return t ? t->text : QStringLiteral("(none)");
    };
}
Sent item(int at, int first, QStringList items) {
    return [=](const QByteArray& f) {
        return items.value(uint8_t(f.at(at)) - first, QStringLiteral("code %1").arg(uint8_t(f.at(at))));
    };
}

// One box: its tab, the buttons that send it, the other controls its frame
// reads (text loaded, or a button clicked), the options that switch its
// encoding, and how the frame with its code reads back as the box's text.
// On the test tab: the work and transmission modes and the send mode
// (0 汉字, 1 英文, 2 十六进制); the frame is the last request.
struct Box {
    const char* name;
    int tab;
    QStringList buttons;
    QList<std::pair<const char*, const char*>> others;
    QStringList switches;
    uint8_t code;
    Sent sent;
    Shows shows;
    int work = 1, trans = 1, mode = 0;
};

Box testBox(const char* name, int work, int trans, int mode, Shows shows) {
    QList<std::pair<const char*, const char*>> others = {{"Text21(1)", mode == 2 ? "41:" : "AB"}};
    if (work == 0) others << std::pair{"Text22", "01:02:"};
    if (trans != 0) others << std::pair{"Text21(4)", "13800138000"};
    // The request taken apart: "$", the address, "W", the length, the data,
    // CR; in the data the record's type, 01, the number, the length, the
    // content, read back by the send mode.
    const QString which = QString::fromLatin1(name);
    return {name, 1, {"Command21(2)"}, others, {}, 0,
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
    using namespace SettingsRecords;
    const QStringList rates = {"1200bps", "2400bps", "4800bps", "9600bps", "14400bps", "19200bps",
                               "38400bps", "57600bps", "115200bps"};
    const auto lineBreaks = [](const QString& s) { return QString(s).replace('\n', QStringLiteral("\r\n")); };
    // clang-format off
    static const QList<Box> table = {
        {"Text1", 0, {"Command2"}, {}, {}, 0xF1, [](const QByteArray& f) { return hexGroupsOf(f.mid(10, 4)); }, groups},
        {"Text2", 0, {"Command3"}, {}, {}, 0xA2, [](const QByteArray& f) { return "1" + hexGroupsOf(f.mid(11, 5)).remove(':'); }, upper},
        {"Text3", 0, {"Command4"}, {}, {}, 0xE2, [](const QByteArray& f) { return hexGroupsOf(f.mid(10, 2)); }, groups},
        {"Text4", 0, {"Command7"}, {}, {}, 0xA3, [](const QByteArray& f) { return QString::number(be32(f, 10)); },
         number(0.005, 0, std::numeric_limits<int32_t>::max())},
        {"Combo3", 0, {"Command6"}, {}, {}, 0xF2, item(10, 3, rates), asShown},
        {"Combo1", 0, {"Command5"}, {{"Combo2", "格式传输"}}, {}, 0xF8, item(10, 0, {"被动方式", "主动方式"}), asShown},
        {"Text11", 0, {"Command14"}, {{"Option5", ""}, {"Text13", "10000"}}, {}, 0xD2,
         [](const QByteArray& f) { return QString::number(be16(f, 10)); }, units},
        {"Text13", 0, {"Command14"}, {{"Option5", ""}, {"Text11", "1000"}}, {}, 0xD2,
         [](const QByteArray& f) { return QString::number(be16(f, 12)); }, units},
        {"Text9", 2, {"Command19", "Command11"}, {}, {}, 0xD9,
         [](const QByteArray& f) { return PhoneCodec::entryText(f.mid(12, 6)); },
         [](const QString& s) { return s.toUpper().replace('*', '0'); }},
        {"Text16", 3, {"Command16"}, {{"Option9", ""}}, {}, 0xB4, byteAt(12 + AlarmAt::Interval), tens},
        {"Text20", 3, {"Command16"}, {}, {}, 0xB4, byteAt(12 + AlarmAt::Count), number(1, 0, 255, "0")},
        {"TextBJPhone", 3, {"Command16"}, {}, {}, 0xB4,
         [](const QByteArray& f) { return QString::number(be32(f, 12 + AlarmAt::Mask)); }, number(1, 0, 4294967295LL, "0")},
        {"Text15", 3, {"Command16"}, {}, {"Option11", "Option12"}, 0xB4,
         field(AlarmAt::LowLength, AlarmAt::LowText, AlarmTextMax), asShown},
        {"Text17", 3, {"Command16"}, {}, {"Option15", "Option14"}, 0xB4,
         field(AlarmAt::HighLength, AlarmAt::HighText, AlarmTextMax), asShown},
        {"Combo7", 3, {"Command16"}, {}, {}, 0xB4, item(12 + AlarmAt::Relay, 0, {"", "继电器0", "继电器1"}), asShown},
        {"Text18", 4, {"Command13"}, {}, {}, 0xB5, byteAt(12 + OutputAt::ReplyDelay), number(1, 0, 250, "0")},
        {"Text10", 4, {"Command13"}, {{"Option17", ""}}, {}, 0xB5, byteAt(12 + OutputAt::HighDelay), number(1, 0, 250, "0")},
        {"Text14", 4, {"Command13"}, {{"Option17", ""}}, {}, 0xB5, byteAt(12 + OutputAt::LowDelay), number(1, 0, 250, "0")},
        {"Text12", 4, {"Command13"}, {}, {"Option21", "Option22"}, 0xB5,
         field(OutputAt::LowLength, OutputAt::LowText, OutputTextMax), asShown},
        {"Text8", 4, {"Command13"}, {}, {"Option24", "Option23"}, 0xB5,
         field(OutputAt::HighLength, OutputAt::HighText, OutputTextMax), asShown},
    };
    // clang-format on
    static const QList<Box> all = [&] {
        QList<Box> out = table;
        for (int work : {0, 1})
            for (int trans : {0, 1}) {
                for (int mode : {0, 1}) out << testBox("Text21(1)", work, trans, mode, lineBreaks);
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
                             "€", "é", "😀", "\t", "-", "+", ".", "e3", "250", "251", "255", "256", "2550", "2551",
                             "65535", "26214000", "4294967295", "4294967296", "99999999999", "13800138000", "1380013800",
                             "5A:21:7C:40:", "01:02:", "主动方式", "被动方式", "无", "继电器0", "继电器1",
                             "9600bps", "9600", "14400bps", "bps", "岚岫公司设备一异常报警"};
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
    KestrunHarness& h = r.h;
    auto widget = [&](const QString& name) { return f->findChild<QWidget*>(name); };
    auto run = [&] { return r.time.runUntil([&] { return r.idle(); }, 60000) && r.time.runUntilLineQuiet(1000, 10000); };
    SMS_PROPERTY("settings boxes send what they show", 100000, 6, [&] {
        const Box& box = boxes().at(*rc::gen::inRange<int>(0, int(boxes().size())));
        const BoxInput::Way way = BoxInput::kWays[*rc::gen::inRange<int>(0, 4)];
        QString text = Property::textFromPieces(kPieces);
        g::WorkModeByte[0] = uint8_t(box.work);
        g::TransModeByte[0] = uint8_t(box.trans);
        h.main().action(QString::fromLatin1(kModes[box.mode]))->trigger();
        f->SSTab1->setCurrentIndex(box.tab == 0 ? 2 : 0);
        f->SSTab1->setCurrentIndex(box.tab);
        f->phoneTab->Grid->setRows(1);
        for (const auto& [name, value] : box.others) {
            QWidget* o = widget(QString::fromLatin1(name));
            RC_ASSERT(o != nullptr);
            if (auto* b = qobject_cast<QAbstractButton*>(o))
                b->click();
            else if (auto* c = qobject_cast<QComboBox*>(o); c && !c->isEditable())
                Controls::setListIndexAndClick(c, c->findText(QString::fromUtf8(value)));
            else
                BoxInput::put(o, QString::fromUtf8(value), BoxInput::Way::Loaded);
        }
        QWidget* w = widget(QString::fromLatin1(box.name));
        RC_ASSERT(w != nullptr);
        BoxInput::put(w, text, way);
        if (!box.switches.isEmpty() && *rc::gen::arbitrary<bool>())
            qobject_cast<QAbstractButton*>(widget(box.switches.at(*rc::gen::inRange<int>(0, int(box.switches.size())))))->click();
        RC_ASSERT(r.time.settle());
        const QString shown = BoxInput::shown(w);
        const int messages = h.dialogs.messageCount();
        const int from = int(h.sim().requests().size());
        for (const QString& button : box.buttons) {
            QTest::mouseClick(qobject_cast<QAbstractButton*>(widget(button)), Qt::LeftButton);
            RC_ASSERT(r.time.runUntil([&] { return r.idle() || h.dialogs.messageCount() > messages; }, 60000));
            if (f->Timer1->enabled() && h.dialogs.messageCount() > messages) {
                f->Timer1->setEnabled(false);  // the work-mode chain waits for a choice
                f->Enable_Command();
            }
            RC_ASSERT(run());
            if (h.dialogs.messageCount() > messages) break;
        }
        const auto requests = h.sim().requests();
        const std::string what = std::string(box.name) + " " + BoxInput::name(way) + " showing \"" +
                                 shown.left(60).toStdString() + "\"";
        std::optional<QByteArray> frame;
        for (qsizetype i = from; i < requests.size(); ++i) {
            const QByteArray b = requests.at(i).bytes;
            if (box.code == 0 || (b.size() > 10 && b.startsWith(KestrunHarness::frame("")) &&
                                  uint8_t(b.at(8)) == box.code && b.at(9) == (box.code == 0xD9 ? 2 : 1)))
                frame = b;
        }
        if (!frame) {
            if (h.dialogs.messageCount() == messages) RC_FAIL(what + ": neither refused nor sent");
            if (BoxInput::shown(w) != shown)
                RC_FAIL(what + ": refused and the box now shows \"" + BoxInput::shown(w).left(60).toStdString() +
                        "\"");
            return;
        }
        const QString meant = BoxInput::shown(w);
        if (box.sent(*frame) != box.shows(meant))
            RC_FAIL(what + ": sent " + hex(*frame).left(90).toStdString() + ", which reads \"" +
                    box.sent(*frame).left(60).toStdString() + "\", while the box shows \"" +
                    meant.left(60).toStdString() + "\"");
    });
}

QTEST_MAIN(TestSettingsBoxes)
#include "tst_settings_boxes.moc"
