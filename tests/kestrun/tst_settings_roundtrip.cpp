// What is read is what is written: a module holding random contents of its
// parameters, alarm settings and output settings (every field at random,
// its edges included, in every work and transmission mode) is refreshed and
// read by the settings form, every write button is pressed with nothing
// changed, and the module must hold exactly what it held. A write may refuse
// with a message (a value the refresh did not read), never send something
// else.
//
// A short run is part of the test command; SMSTOOLS_PROPERTY_CASES and
// SMSTOOLS_PROPERTY_SECONDS make it longer (scripts/fuzz.sh --long does).

#include <QComboBox>
#include <QLineEdit>

#include "KestrunHarness.h"
#include "core/protocol/ParamFrames.h"
#include "core/protocol/SettingsRecords.h"
#include "kestrun/settings/AlarmTab.h"
#include "kestrun/settings/OutputTab.h"
#include "platform/text/TextCodec.h"
#include "tests/support/Property.h"
#include "tests/support/VirtualTime.h"
#include "tools/SimParams.h"
#include "tools/SimSettings.h"

using namespace SettingsRecords;

namespace {

const QString kChinese = QStringLiteral("你好温度报警开关阀门湿压力上下限岚岫公司设备");
const QString kAscii = [] {
    QString s = QStringLiteral("\r\n\t");
    for (char16_t c = 0x20; c < 0x7F; ++c) s += QChar(c);
    return s;
}();

// A text of at most maxBytes in its encoding: code page 936 for an English
// one (one byte per ASCII character, two per Chinese), UCS-2 otherwise.
rc::Gen<QString> text(bool english, int maxBytes) {
    return rc::gen::exec([=] {
        const int room = *rc::gen::weightedOneOf<int>({{1, rc::gen::just(0)},
                                                       {1, rc::gen::just(maxBytes)},
                                                       {4, rc::gen::inRange(0, maxBytes + 1)}});
        QString s;
        int bytes = 0;
        while (true) {
            const bool wide = *rc::gen::inRange(0, 3) == 0;
            const int cost = english ? (wide ? 2 : 1) : 2;
            if (bytes + cost > room) break;
            const QString& from = wide ? kChinese : kAscii;
            s += from.at(*rc::gen::inRange(0, int(from.size())));
            bytes += cost;
        }
        return s;
    });
}

// A text field as the module holds it: its length byte and its bytes, the
// rest of the field 00.
void putText(QByteArray& block, int lengthAt, int fieldAt, const QString& s, bool english) {
    QByteArray bytes;
    if (english) {
        bytes = TextCodec::toGbk(s);
    } else {
        for (QChar c : s) bytes.append(char(c.unicode() >> 8)).append(char(c.unicode() & 0xFF));
    }
    block[lengthAt] = char(bytes.isEmpty() ? 0 : bytes.size() | (english ? 0x80 : 0));
    block.replace(fieldAt, bytes.size(), bytes);
}

uint8_t byteIn(int lo, int hi) {
    return uint8_t(*rc::gen::weightedOneOf<int>(
        {{1, rc::gen::just(lo)}, {1, rc::gen::just(hi)}, {4, rc::gen::inRange(lo, hi + 1)}}));
}

uint32_t anyWord() {
    return *rc::gen::weightedOneOf<uint32_t>({{1, rc::gen::just(0u)},
                                              {1, rc::gen::just(0xFFFFFFFFu)},
                                              {1, rc::gen::just(0x7FFFFFFFu)},
                                              {4, rc::gen::arbitrary<uint32_t>()}});
}

QByteArray alarmBlock() {
    QByteArray b(SimSettings::AlarmBlockSize, '\0');
    b[AlarmAt::Mode] = char(*rc::gen::element(1, 2, 3));
    b[AlarmAt::Receivers] = char(*rc::gen::element(0, 1, 2));
    b[AlarmAt::Interval] = char(byteIn(0, 255));
    for (auto [lengthAt, fieldAt] : {std::pair{AlarmAt::LowLength, AlarmAt::LowText},
                                     std::pair{AlarmAt::HighLength, AlarmAt::HighText}}) {
        const bool english = *rc::gen::arbitrary<bool>();
        putText(b, lengthAt, fieldAt, *text(english, AlarmTextMax), english);
    }
    const uint32_t mask = anyWord();
    for (int i = 0; i < 4; ++i) b[AlarmAt::Mask + i] = char(mask >> (24 - 8 * i));
    b[AlarmAt::Count] = char(byteIn(0, 255));
    b[AlarmAt::Relay] = char(*rc::gen::element(0, 1, 2));
    return b;
}

QByteArray outputBlock() {
    QByteArray b(SimSettings::OutputBlockSize, '\0');
    const bool pulse = *rc::gen::arbitrary<bool>();
    b[OutputAt::Mode] = char(pulse ? 2 : 1);
    b[OutputAt::Reply] = char(*rc::gen::element(0, 1, 2, 3));
    b[OutputAt::ReplyDelay] = char(byteIn(0, 250));
    // A level output has no restore delays: the form writes none.
    b[OutputAt::HighDelay] = char(pulse ? byteIn(0, 250) : 0);
    b[OutputAt::LowDelay] = char(pulse ? byteIn(0, 250) : 0);
    for (auto [lengthAt, fieldAt] : {std::pair{OutputAt::LowLength, OutputAt::LowText},
                                     std::pair{OutputAt::HighLength, OutputAt::HighText}}) {
        const bool english = *rc::gen::arbitrary<bool>();
        // The form shows the first control text without blanks at its ends.
        const bool padded = fieldAt == OutputAt::LowText && *rc::gen::inRange(0, 3) == 0;
        QString s = *text(english, OutputTextMax - (padded ? 4 : 0));
        if (padded) s = QLatin1Char(' ') + s + QLatin1Char(' ');
        putText(b, lengthAt, fieldAt, s, english);
    }
    b[OutputAt::Hold] = char(*rc::gen::element(0, 1));
    return b;
}

const char* const kRates[] = {"1200", "2400", "4800", "9600", "14400", "19200", "38400", "57600", "115200"};

// Everything the module holds, as one comparable text.
QString moduleState(ModuleSim& sim, SimParams* p, SimSettings* s) {
    const ModuleSim::Identity& id = sim.identity;
    QStringList out{QStringLiteral("work %1 trans %2 sub %3").arg(id.workMode).arg(id.transMode).arg(p->subMode),
                    QStringLiteral("password use %1 password %2").arg(p->passwordUse).arg(hex(p->password)),
                    QStringLiteral("receiver %1 address %2").arg(hex(p->receiver), hex(p->address)),
                    QStringLiteral("rate %1 restart %2 mask %3").arg(p->baudCode).arg(p->restartCount).arg(p->mask),
                    QStringLiteral("power %1 wake %2 delays %3 %4")
                        .arg(p->powerSaving)
                        .arg(p->wakeMode)
                        .arg(p->idleUnits)
                        .arg(p->dataUnits)};
    for (int i = 0; i < SimSettings::AlarmChannels; ++i)
        out << QStringLiteral("DI%1 %2").arg(i).arg(hex(s->alarm[size_t(i)]));
    for (int i = 0; i < SimSettings::OutputChannels; ++i)
        out << QStringLiteral("DO%1 %2").arg(i).arg(hex(s->output[size_t(i)]));
    return out.join(QLatin1Char('\n'));
}

// The lines of `after` that differ from `before`, each under its old one.
QString changes(const QString& before, const QString& after) {
    const QStringList b = before.split(QLatin1Char('\n')), a = after.split(QLatin1Char('\n'));
    QStringList out;
    for (qsizetype i = 0; i < b.size() && i < a.size(); ++i)
        if (a[i] != b[i]) out << QStringLiteral("held    %1\nnow     %2").arg(b[i], a[i]);
    return out.join(QLatin1Char('\n'));
}

// The program against a module that keeps every setting, on the virtual
// clock, so that the refresh and the chains take no real time.
struct Rig {
    VirtualTime time;
    KestrunHarness h;
    SimParams* params = SimParams::install(h.sim());
    SimSettings* settings = SimSettings::install(h.sim());
    SettingsForm* f = nullptr;

    bool idle() const {
        return f && !f->commandsDisabled() && !f->Timer1->enabled() && !f->Timer2->enabled() &&
               !f->Timer3->enabled() && g::RxState == 0;
    }
    // Runs until the form's chains have ended and the line is quiet.
    bool settle() {
        return time.runUntil([this] { return idle(); }, 120000) && time.runUntilLineQuiet(1000, 120000) && idle();
    }
    bool open(const QString& rate) {
        if (!h.fixture.ok()) return false;
        time.watchLine(&h.port(), &h.sim());
        h.port().setCommPort(h.fixture.comNumber());
        if (!h.port().setSettings(rate + QStringLiteral(",n,8,1"))) return false;
        if (h.port().open() != CommPort::OpenResult::Ok) return false;
        h.app->forms->showSettingsForm(true);
        f = h.settingsForm();
        if (!f) return false;
        f->Timer6->setEnabled(false);
        return time.runUntil([] { return g::RecvMode == 101; }, 5000);
    }
    // Presses a button and waits for the next message box.
    bool pressForMessage(QPushButton* b) {
        const int before = h.dialogs.messageCount();
        b->click();
        return time.runUntil([&] { return h.dialogs.messageCount() > before && g::RxState == 0; }, 10000) &&
               settle();
    }
};

}  // namespace

class TestSettingsRoundTrip : public QObject {
    Q_OBJECT
private slots:
    void readThenWriteKeepsWhatTheModuleHolds();
};

void TestSettingsRoundTrip::readThenWriteKeepsWhatTheModuleHolds() {
    const auto property = [] {
        Rig r;
        ModuleSim::Identity& id = r.h.sim().identity;
        SimParams* p = r.params;
        id.workMode = uint8_t(*rc::gen::element(0, 1));
        id.transMode = uint8_t(*rc::gen::element(0, 1));
        p->subMode = uint8_t(*rc::gen::element(0, 1));
        p->passwordUse = uint8_t(*rc::gen::inRange(0, 4));
        p->password = QByteArray(1, char(byteIn(0, 255)));
        for (int i = 0; i < 3; ++i) p->password.append(char(byteIn(0, 255)));
        p->receiver = QByteArray(1, char(0x01));
        for (int i = 0; i < 5; ++i) p->receiver.append(char(byteIn(0, 255)));
        p->address = QByteArray(1, char(byteIn(0, 255))).append(char(byteIn(0, 255)));
        const int rate = *rc::gen::inRange(0, int(std::size(kRates)));
        p->baudCode = uint8_t(ParamFrames::baudCode(QLatin1String(kRates[rate]) + QStringLiteral("bps")));
        // The module answers the restart count signed: a count it shows as
        // negative cannot be written, and is refused.
        p->restartCount = anyWord() & 0x7FFFFFFF;
        p->mask = anyWord();
        p->powerSaving = uint8_t(*rc::gen::element(0, 1));
        p->wakeMode = uint8_t(*rc::gen::element(0, 1));
        p->idleUnits = uint16_t(anyWord());
        p->dataUnits = uint16_t(anyWord());
        for (QByteArray& b : r.settings->alarm) b = alarmBlock();
        for (QByteArray& b : r.settings->output) b = outputBlock();
        const int alarmChannel = *rc::gen::inRange(0, SimSettings::AlarmChannels);
        const int outputChannel = *rc::gen::inRange(0, SimSettings::OutputChannels);

        RC_ASSERT(r.open(QLatin1String(kRates[rate])));
        const QString before = moduleState(r.h.sim(), p, r.settings);
        SettingsForm* f = r.f;
        f->Command8->click();
        RC_ASSERT(r.settle());
        QStringList pressed;
        for (QPushButton* b : {f->Command1, f->Command2, f->Command3, f->Command4, f->Command6, f->Command7,
                               f->Command5, f->Command14}) {
            b->click();
            RC_ASSERT(r.settle());
            pressed << b->objectName();
            const QString now = moduleState(r.h.sim(), p, r.settings);
            if (now != before)
                RC_FAIL(QStringLiteral("after %1:\n%2\nmessages: %3")
                            .arg(pressed.join(QLatin1Char(' ')), changes(before, now), r.h.dialogs.describe())
                            .toStdString());
        }

        // Refused, each with its message, are the values this mode's refresh
        // does not read, and nothing else.
        QStringList refused;
        if (p->passwordUse == 0) refused << ParamFrames::notReadYet(QStringLiteral("短信密码"));
        if (id.transMode != 0 || p->subMode == 0) refused << ParamFrames::notReadYet(QStringLiteral("接收方号码"));
        if (id.workMode != 0) refused << ParamFrames::notReadYet(QStringLiteral("模块地址"));
        QStringList shown;
        for (const Dialogs::Message& m : r.h.dialogs.messages()) shown << m.text;
        RC_ASSERT(shown == refused);

        f->SSTab1->setCurrentIndex(3);
        f->alarmTab->Combo5->setCurrentIndex(alarmChannel);
        RC_ASSERT(r.pressForMessage(f->alarmTab->Command17));
        RC_ASSERT(r.h.dialogs.lastText() == QStringLiteral("读取参数成功"));
        RC_ASSERT(r.pressForMessage(f->alarmTab->Command16));
        RC_ASSERT(r.h.dialogs.lastText() == QStringLiteral("设置成功"));
        f->SSTab1->setCurrentIndex(4);
        f->outputTab->Combo6->setCurrentIndex(outputChannel);
        RC_ASSERT(r.pressForMessage(f->outputTab->Command23));
        RC_ASSERT(r.h.dialogs.lastText() == QStringLiteral("读取参数成功"));
        RC_ASSERT(r.pressForMessage(f->outputTab->Command13));
        RC_ASSERT(r.h.dialogs.lastText() == QStringLiteral("设置成功"));

        const QString after = moduleState(r.h.sim(), p, r.settings);
        if (after != before)
            RC_FAIL(QStringLiteral("after the settings records:\n%1\nmessages: %2")
                        .arg(changes(before, after), r.h.dialogs.describe())
                        .toStdString());
    };
    SMS_PROPERTY("settings read and written back unchanged", 40, 5, property);
}

QTEST_MAIN(TestSettingsRoundTrip)
#include "tst_settings_roundtrip.moc"
