// Whatever valid settings the module holds, in every work and transmission
// mode: the form refreshes and reads the collection settings, every write
// button of the parameter page and 保存设置 are pressed with nothing
// changed, and the module holds exactly what it held. A press either sends
// or says why it does not. Each case connects at a random rate and reads
// and writes back two module states in turn, so that the second meets what
// the first left on the page.
//
// The short run is part of the test command; SMSTOOLS_PROPERTY_CASES and
// SMSTOOLS_PROPERTY_SECONDS run it longer (scripts/fuzz.sh --long does).

#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <algorithm>
#include <sstream>

#include "../VarnelHarness.h"
#include "core/protocol/ParamFrames.h"
#include "tests/support/Property.h"
#include "tests/support/VirtualTime.h"
#include "tools/SimParams.h"
#include "varnel/settings/ParamTab.h"
#include "varnel/settings/TableTabs.h"

namespace {

// Either end of the range now and then, else anywhere in it.
template <typename T>
rc::Gen<T> edged(T lo, T hi) {
    return rc::gen::weightedOneOf<T>({{1, rc::gen::just(lo)}, {1, rc::gen::just(hi)}, {4, rc::gen::inRange<T>(lo, hi)},
                                      {2, rc::gen::inRange<T>(lo, T(lo + std::min<T>(hi - lo, 2)))}});
}

QByteArray bytes(int n) {
    const auto v = *rc::gen::container<std::vector<uint8_t>>(size_t(n), edged<uint8_t>(0, 255));
    return QByteArray(reinterpret_cast<const char*>(v.data()), n);
}

// Every value the page reads or writes, as the module holds it.
struct ModuleState {
    uint8_t workMode, transMode, subMode, passwordUse, powerSaving, wakeMode, timeoutUnits, resends, history;
    QByteArray password, receiver, address;
    uint32_t restartCount, layout, periodUnits;
    uint16_t idleUnits, dataUnits;

    static ModuleState random() {
        ModuleState s;
        s.workMode = *rc::gen::inRange<uint8_t>(0, 2);
        s.transMode = *rc::gen::inRange<uint8_t>(0, 2);
        s.subMode = *rc::gen::inRange<uint8_t>(0, 2);
        s.passwordUse = *rc::gen::inRange<uint8_t>(0, 4);
        s.password = bytes(4);
        s.receiver = QByteArray(1, '\x01') + bytes(5);
        s.address = bytes(2);
        s.restartCount = *edged<uint32_t>(0, 0x7FFFFFFF);
        s.layout = *edged<uint32_t>(0, 0xFFFFFFFF);
        s.powerSaving = *rc::gen::inRange<uint8_t>(0, 2);
        s.wakeMode = *rc::gen::inRange<uint8_t>(0, 2);
        s.idleUnits = *edged<uint16_t>(0, 0xFFFF);
        s.dataUnits = *edged<uint16_t>(0, 0xFFFF);
        // 0: the module only listens; else 10 ms units up to a day.
        s.periodUnits = *edged<uint32_t>(0, 8640000);
        s.timeoutUnits = *edged<uint8_t>(1, 255);
        s.resends = *edged<uint8_t>(0, 10);
        s.history = *rc::gen::inRange<uint8_t>(0, 2);
        return s;
    }

    void putInto(SimQv7351& m) const {
        SimParams& p = *m.params;
        m.sim().identity.workMode = workMode;
        m.sim().identity.transMode = transMode;
        p.subMode = subMode;
        p.passwordUse = passwordUse;
        p.password = password;
        p.receiver = receiver;
        p.address = address;
        p.restartCount = restartCount;
        p.mask = layout;
        p.powerSaving = powerSaving;
        p.wakeMode = wakeMode;
        p.idleUnits = idleUnits;
        p.dataUnits = dataUnits;
        m.collection.periodUnits = periodUnits;
        m.collection.timeoutUnits = timeoutUnits;
        m.collection.resends = resends;
        m.collection.history = history;
    }

    static ModuleState of(const SimQv7351& m) {
        const SimParams& p = *m.params;
        return {m.sim().identity.workMode, m.sim().identity.transMode, p.subMode, p.passwordUse,
                p.powerSaving, p.wakeMode, m.collection.timeoutUnits, m.collection.resends,
                m.collection.history, p.password, p.receiver, p.address, p.restartCount, p.mask,
                m.collection.periodUnits, p.idleUnits, p.dataUnits};
    }

    std::string text(uint8_t baud) const {
        std::ostringstream o;
        o << "work " << int(workMode) << " trans " << int(transMode) << " sub " << int(subMode) << " pwuse "
          << int(passwordUse) << " pw " << password.toHex(' ').toStdString() << " rcv "
          << receiver.toHex(' ').toStdString() << " addr " << address.toHex(' ').toStdString() << " baud "
          << int(baud) << " restart " << restartCount << " layout " << std::hex << layout << std::dec
          << " power " << int(powerSaving) << " wake " << int(wakeMode) << " delays " << idleUnits << '/'
          << dataUnits << " period " << periodUnits << " timeout " << int(timeoutUnits) << " resends "
          << int(resends) << " history " << int(history);
        return o.str();
    }
};

// The program and the module on the virtual clock.
struct Rig {
    VirtualTime time;
    VarnelHarness h;

    Rig() { time.watchLine(&h.port(), &h.sim()); }

    bool until(const std::function<bool()>& done, qint64 ms = 60000) { return time.runUntil(done, ms); }
    bool quiet() {
        SettingsForm* f = h.form();
        return until([f] { return !f->Timer1->enabled() && !f->Timer2->enabled() && !f->Timer3->enabled(); }) &&
               time.runUntilLineQuiet(1000, 30000);
    }

    // Connects at `rate` and lets the form's first refresh run out.
    bool connect(const QString& rate) {
        if (!until([&] { return h.main().pictureWindow() && h.main().pictureWindow()->isVisible(); })) return false;
        QTest::mouseClick(h.main().pictureWindow()->Label2, Qt::LeftButton);
        ConnectDialog* dlg = h.main().connectDialog();
        if (!dlg) return false;
        dlg->Combo2->setCurrentIndex(dlg->Combo2->findText(rate));
        QTest::mouseClick(dlg->Command1[0], Qt::LeftButton);
        if (!until([&] { return h.form() && g::RecvMode == 101 && !h.form()->Timer6->enabled(); })) return false;
        return quiet();
    }

    // Presses a button; false when it neither sent a request nor said why.
    bool press(QPushButton* b) {
        const auto sent = h.sim().requests().size();
        const int said = h.dialogs.messageCount();
        QTest::mouseClick(b, Qt::LeftButton);
        if (!quiet()) return false;
        return h.sim().requests().size() > sent || h.dialogs.messageCount() > said;
    }
};

}  // namespace

class TestSettingsRoundTrip : public QObject {
    Q_OBJECT

private slots:
    void everyWriteLeavesTheModuleAsRead();
};

void TestSettingsRoundTrip::everyWriteLeavesTheModuleAsRead() {
    const auto property = [] {
        Rig r;
        RC_ASSERT(r.h.fixture.ok());
        const std::vector<QString> rates = {"1200bps", "2400bps", "4800bps", "9600bps", "14400bps", "19200bps",
                                   "38400bps", "57600bps", "115200bps"};
        const QString rate = *rc::gen::elementOf(rates);
        // The module talks at the rate the port was opened with.
        const uint8_t baud = ParamFrames::baudCode(rate);
        r.h.module->params->baudCode = baud;
        ModuleState held = ModuleState::random();
        held.putInto(*r.h.module);
        RC_ASSERT(r.connect(rate));
        SettingsForm* f = r.h.form();
        ParamTab* p = f->paramTab;
        InputTableTab* in = f->inputTab;
        for (int round = 0; round < 2; ++round) {
            if (round == 1) {
                held = ModuleState::random();
                held.putInto(*r.h.module);
                QTest::mouseClick(p->Command8, Qt::LeftButton);
                RC_ASSERT(r.quiet());
            }
            RC_ASSERT(r.press(in->Command28));
            std::vector<QPushButton*> writes = {p->Command1, p->Command2, p->Command3, p->Command4, p->Command5,
                                                p->Command6, p->Command7, p->Command14, in->Command29};
            // In a random order: no write may depend on another going first.
            const auto keys = *rc::gen::container<std::vector<int>>(writes.size(), rc::gen::inRange(0, 100));
            std::vector<size_t> order(writes.size());
            for (size_t i = 0; i < order.size(); ++i) order[i] = i;
            std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return keys[a] < keys[b]; });
            std::vector<QPushButton*> shuffled;
            for (size_t i : order) shuffled.push_back(writes[i]);
            writes = shuffled;
            for (QPushButton* b : writes) {
                RC_LOG() << "press " << b->objectName().toStdString() << '\n';
                RC_ASSERT(b->isEnabled());
                RC_ASSERT(r.press(b));
            }
            RC_LOG() << r.h.dialogs.describe().toStdString() << '\n';
            RC_ASSERT(ModuleState::of(*r.h.module).text(r.h.module->params->baudCode) == held.text(baud));
        }
    };
    SMS_PROPERTY("module settings read then written back", 6, 8, property);
}

QTEST_MAIN(TestSettingsRoundTrip)
#include "tst_settings_roundtrip.moc"
