// The communication-test tab end to end: the requests after their two-second
// wait, the module's answers in each mode, the display of received data,
// the typing rules and the refusals, against the simulated module.

#include <QAction>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QTabWidget>
#include <QTextCursor>
#include <QTimer>
#include <atomic>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <thread>
#include <unistd.h>

#include "KestrunHarness.h"
#include "kestrun/settings/AlarmTab.h"
#include "kestrun/settings/TestTab.h"
#include "kestrun/sms_parser/SmsAnswerReceiver.h"
#include "platform/VbTimer.h"
#include "tools/SimSettings.h"
#include "tools/SimTestPeer.h"
#include "tests/support/LoopStall.h"
#include "tests/support/WriteTimes.h"

namespace {

const QString kSend = QStringLiteral("发射  ");
const QString kRecv = QStringLiteral("接收  ");

// The program connected to a module in the given modes, the test tab open.
struct Rig {
    KestrunHarness h;
    SimTestPeer* peer = nullptr;
    SettingsForm* f = nullptr;
    TestTab* t = nullptr;

    bool open(uint8_t workMode, uint8_t transMode) {
        h.sim().identity.workMode = workMode;
        h.sim().identity.transMode = transMode;
        peer = SimTestPeer::install(h.sim());
        h.connect();
        if (!QTest::qWaitFor([&] { return h.settingsFormShown(); }, 10000)) return false;
        f = h.settingsForm();
        t = f->testTab;
        // No parameter refresh: this module answers only the test.
        f->Timer6->setEnabled(false);
        if (!QTest::qWaitFor([] { return g::RecvMode == 101; }, 3000)) return false;
        f->SSTab1->setCurrentIndex(1);
        // The work-mode answer of a refresh shows the send button.
        t->Command21[2]->setVisible(true);
        h.sim().clearRecorded();
        return g::WorkModeByte[0] == workMode && g::TransModeByte[0] == transMode;
    }

    void sendMode(const char* item) { h.main().action(QString::fromLatin1(item))->trigger(); }
    QString log() const { return t->TextBox[0]->toPlainText(); }
    QStringList logLines() const {
        QStringList l = log().split(QLatin1Char('\n'));
        if (!l.isEmpty() && l.last().isEmpty()) l.removeLast();
        return l;
    }
    QString received() const { return t->TextBox[2]->toPlainText(); }
    QString status() { return h.main().panel(2); }
    bool waitLog(const QString& line, int ms = 5000) {
        return QTest::qWaitFor([&] { return logLines().contains(line); }, ms);
    }
    bool waitStatus(const QString& word, int ms = 5000) {
        return QTest::qWaitFor([&] { return status() == QStringLiteral("模块状态：") + word; }, ms);
    }
    void press(int i) { QTest::mouseClick(t->Command21[i], Qt::LeftButton); }
    // Presses and waits for the request to be written; returns the time
    // from the press to the request's arrival (-1 when none came).
    qint64 pressAndWait(int i, int requestsBefore) {
        const qint64 t0 = h.sim().elapsedMs();
        press(i);
        if (!h.fixture.waitForRequests(requestsBefore + 1, 6000)) return -1;
        return h.at(requestsBefore) - t0;
    }
    void typeInto(QWidget* w, const QString& text) { QTest::keyClicks(w, text); }
    // The module sends; true once the program has taken the bytes in and
    // any display they started has been shown.
    bool sendAndSettle(const QByteArray& bytes) { return h.sendAndSettle(bytes) && displayDone(); }
    bool displayDone() {
        return QTest::qWaitFor([&] { return !f->rTimer->enabled(); }, 5000) && h.settle();
    }
};

#define OPEN_RIG(rig, work, trans)                                   \
    Rig rig;                                                         \
    QVERIFY2(rig.h.fixture.ok(), qPrintable(rig.h.fixture.error())); \
    QVERIFY(rig.open((work), (trans)))

// A line linked as `path` whose far end is read on a thread of its own:
// when bytes reach it is seen however busy the program's thread is.
struct TimedLine {
    int master = posix_openpt(O_RDWR | O_NOCTTY);
    int keeper = -1;  // holds the line open between the program's opens
    std::atomic<bool> stop{false};
    std::mutex m;
    std::vector<std::pair<qint64, qint64>> reads;  // bytes so far, ms
    std::thread reader;

    bool link(const QString& path) {
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return false;
        const QString slave = QString::fromLocal8Bit(ptsname(master));
        keeper = ::open(qPrintable(slave), O_RDWR | O_NOCTTY);
        if (keeper < 0 || !QFile::link(slave, path)) return false;
        reader = std::thread([this] {
            QElapsedTimer clock;
            clock.start();
            qint64 total = 0;
            char buf[65536];
            for (pollfd p{master, POLLIN, 0}; !stop;)
                if (::poll(&p, 1, 20) > 0)
                    if (const ssize_t n = ::read(master, buf, sizeof buf); n > 0) {
                        std::lock_guard lock(m);
                        reads.emplace_back(total += n, clock.elapsed());
                    }
        });
        return true;
    }
    ~TimedLine() {
        stop = true;
        if (reader.joinable()) reader.join();
        ::close(keeper);
        ::close(master);
    }
    qint64 received() {
        std::lock_guard lock(m);
        return reads.empty() ? 0 : reads.back().first;
    }
    // The longest time between two reads that took the count from past `from` to `to`.
    qint64 longestGap(qint64 from, qint64 to) {
        std::lock_guard lock(m);
        qint64 longest = 0, last = -1;
        for (const auto& [count, ms] : reads) {
            if (count <= from) continue;
            if (last >= 0) longest = std::max(longest, ms - last);
            last = ms;
            if (count >= to) break;
        }
        return longest;
    }
};

}  // namespace

class TestCommTest : public QObject {
    Q_OBJECT

private slots:
    void passiveTransparentRequestsAndAnswers();
    void waitKeepsRequestAndAnswerInOrder();
    void passiveFormattedHexAndReadRecord();
    void activeFormattedStatusesRecordsAndSample();
    void activeTransparentDataAndOverlongText();
    void chatteringLineStaysBounded();
    void longSendWithFullLogDoesNotPause();
    void strayFrameStartLeavesNoTestAnswerWaiting();
    void activeTransparentAfterSettingsAnswers();
    void refusalsAndClosedPort();
    void typingRulesAndByteCount();
};

void TestCommTest::passiveTransparentRequestsAndAnswers() {
    OPEN_RIG(r, 0, 0);
    QVERIFY(r.t->Text22->isVisibleTo(r.f) && r.t->Command21[0]->isVisibleTo(r.f));
    QVERIFY(!r.t->ReceiverNumber->isVisibleTo(r.f));
    r.typeInto(r.t->Text22, QStringLiteral("0102"));
    QCOMPARE(r.t->Text22->text(), QStringLiteral("01:02:"));
    r.sendMode("englist");
    r.typeInto(r.t->TextBox[1], QStringLiteral("AB"));
    QCOMPARE(r.h.main().panel(3), QStringLiteral("发射区字节数：2"));

    // "发送短信": DTR low and the button disabled through the wait; the
    // window keeps running meanwhile.
    WriteTimes writes(r.h.port());
    const qint64 t0 = writes.nowMs();
    r.press(2);
    QVERIFY(!r.t->Command21[2]->isEnabled());
    QVERIFY(!r.h.port().dtrEnable());
    QCOMPARE(g::DollarPendingOp, 3);
    QVERIFY(!g::ParamMode);
    // The wait does not block: the press has returned with nothing sent,
    // and the window runs a zero timer before the request goes out.
    QCOMPARE(writes.count(), 0);
    int sentBeforeTurn = -1;
    QTimer::singleShot(0, [&] { sentBeforeTurn = writes.count(); });
    QVERIFY(QTest::qWaitFor([&] { return sentBeforeTurn >= 0; }, 5000));
    QCOMPARE(sentBeforeTurn, 0);
    QVERIFY(r.h.fixture.waitForRequests(1, 6000));
    QCOMPARE(hex(r.h.request(0)), QStringLiteral("24 01 02 57 00 02 41 42 0D"));
    QVERIFY2(writes.atMs(0) - t0 >= 1950, qPrintable(QString::number(writes.atMs(0) - t0)));
    QVERIFY(r.waitLog(kRecv + QStringLiteral("21:01:02:0D:")));
    QCOMPARE(r.logLines(), (QStringList{kSend + QStringLiteral("24:01:02:57:00:02:41:42:0D:"),
                                        kRecv + QStringLiteral("21:01:02:0D:")}));
    QCOMPARE(r.status(), QStringLiteral("模块状态：格式正确"));
    QVERIFY(r.t->Command21[2]->isEnabled());
    QVERIFY(r.h.port().dtrEnable());
    QCOMPARE(r.peer->taken, QList<QByteArray>{QByteArray("AB")});

    // "读取短信" with a message waiting: gathered, then shown 200 ms after
    // the last byte with the answer's own bytes left out.
    r.peer->inbox = "ABC";
    g::RxText = QStringLiteral("left over");
    // Shown by the display timer, counting its delay from the last byte.
    int shownAfterMs = -1;
    QObject tickWatch;
    QObject::connect(r.f->rTimer, &VbTimer::tick, &tickWatch, [&] {
        if (shownAfterMs < 0 && r.received() == QStringLiteral("ABC\n")) shownAfterMs = r.f->rTimer->interval();
    });
    QVERIFY(r.pressAndWait(0, 1) >= 1950);
    QCOMPARE(hex(r.h.request(1)), QStringLiteral("24 01 02 52 0D"));
    QCOMPARE(g::DollarPendingOp, 1);
    QVERIFY(r.waitStatus(QStringLiteral("接收短信")));
    QVERIFY(QTest::qWaitFor([&] { return r.received() == QStringLiteral("ABC\n"); }, 3000));
    QCOMPARE(shownAfterMs, 200);
    QCOMPARE(r.logLines().last(), kRecv + QStringLiteral("21:01:02:00:03:41:42:43:0D:"));
    QVERIFY(g::RxText.isEmpty());
    QCOMPARE(g::RxState, 0);

    // Nothing waiting: "读短信空".
    QVERIFY(r.pressAndWait(0, 2) >= 1950);
    QVERIFY(r.waitStatus(QStringLiteral("读短信空")));
    QCOMPARE(r.logLines().last(), kRecv + QStringLiteral("21:01:02:00:00:0D:"));
    QCOMPARE(r.received(), QStringLiteral("ABC\n"));  // the last message stays

    // "发送状态" with part of the log selected: its line still goes at the
    // end and the selection stays.
    QTextCursor sel(r.t->TextBox[0]->document());
    sel.setPosition(2);
    sel.setPosition(6, QTextCursor::KeepAnchor);
    r.t->TextBox[0]->setTextCursor(sel);
    const QString selected = r.t->TextBox[0]->textCursor().selectedText();
    const int linesBefore = int(r.logLines().size());
    r.peer->sendStatus = 2;
    QVERIFY(r.pressAndWait(1, 3) >= 1950);
    QCOMPARE(hex(r.h.request(3)), QStringLiteral("24 01 02 57 00 00 0D"));
    QVERIFY(r.waitStatus(QStringLiteral("正在发送")));
    QStringList lines = r.logLines();
    QCOMPARE(lines.size(), linesBefore + 2);
    QCOMPARE(lines[linesBefore], kSend + QStringLiteral("24:01:02:57:00:00:0D:"));
    QCOMPARE(lines[linesBefore + 1], kRecv + QStringLiteral("21:01:02:0D:02:0D:"));
    QCOMPARE(lines[0], kSend + QStringLiteral("24:01:02:57:00:02:41:42:0D:"));
    QCOMPARE(r.t->TextBox[0]->textCursor().selectedText(), selected);
    QCOMPARE(r.t->TextBox[0]->textCursor().selectionStart(), 2);

    // Further status answers to the same request, and a refusal in pieces.
    r.h.sim().send(fromHex("21 01 02 0D 01 0D"));
    QVERIFY(r.waitStatus(QStringLiteral("发送失败")));
    r.h.sim().send(fromHex("21 01 02 0D 00 0D"));
    QVERIFY(r.waitStatus(QStringLiteral("发送成功")));
    r.h.sim().send(fromHex("21 01 02 0D 03 0D"));
    QVERIFY(r.waitLog(kRecv + QStringLiteral("21:01:02:0D:03:0D:")));
    QCOMPARE(r.status(), QStringLiteral("模块状态：发送成功"));
    QVERIFY(r.sendAndSettle(fromHex("3F 01 02")));
    QVERIFY(!r.logLines().contains(kRecv + QStringLiteral("3F:01:02:03:")));
    QCOMPARE(g::RxState, 7);
    r.h.sim().send(fromHex("03"));
    QVERIFY(r.waitStatus(QStringLiteral("格式错误")));
    QCOMPARE(r.logLines().last(), kRecv + QStringLiteral("3F:01:02:03:"));
    // Bytes that begin no answer are dropped without a trace.
    const int count = int(r.logLines().size());
    QVERIFY(r.sendAndSettle(fromHex("00 55 0D")));
    QCOMPARE(r.logLines().size(), count);
    QCOMPARE(g::RxState, 0);

    // A state no test answer uses (left by another machine) returns to the
    // hunt instead of holding the bytes.
    g::RxState = 42;
    r.h.sim().send(fromHex("21 01 02 0D 00 0D"));
    QVERIFY(QTest::qWaitFor([&] { return r.logLines().size() == count + 1; }, 3000));
    QCOMPARE(r.logLines().last(), kRecv + QStringLiteral("21:01:02:0D:00:0D:"));

    // A refusal cut short, then a new request: the hunt takes the next
    // answer byte by byte, whatever read length the cut answer left.
    r.h.sim().send(fromHex("3F 01 02"));
    QVERIFY(QTest::qWaitFor([] { return g::RxState == 7; }, 3000));
    QCOMPARE(r.h.port().inputLen(), 3);
    const int sent = int(r.h.sim().requests().size());
    QVERIFY(r.pressAndWait(0, sent) >= 1950);
    QVERIFY(r.waitStatus(QStringLiteral("读短信空")));
    QCOMPARE(r.logLines().last(), kRecv + QStringLiteral("21:01:02:00:00:0D:"));
}

void TestCommTest::waitKeepsRequestAndAnswerInOrder() {
    OPEN_RIG(r, 0, 0);
    r.h.sim().behaviour.silent = true;
    r.typeInto(r.t->Text22, QStringLiteral("0102"));
    r.sendMode("englist");
    r.t->TextBox[1]->setPlainText(QStringLiteral("AB"));

    WriteTimes writes(r.h.port());
    // What the window showed when the first request went out, i.e. for
    // the whole of the wait.
    QString logAtFirst = QStringLiteral("-"), statusAtFirst;
    QObject::connect(&r.h.port(), &CommPort::frameWritten, &writes, [&] {
        if (writes.count() != 1) return;
        logAtFirst = r.log();
        statusAtFirst = r.status();
    });
    r.press(2);
    // Bytes arriving during the wait, and a second request asked for.
    const quint64 taken = r.h.port().receivedTotal() + 4;
    r.h.sim().send(fromHex("21 01 02 0D"));
    QVERIFY(QTest::qWaitFor([&] { return r.h.port().receivedTotal() >= taken; }, 5000));
    QVERIFY(r.t->Command21[0]->isEnabled());
    QCOMPARE(writes.count(), 0);
    r.press(0);

    QVERIFY(r.h.fixture.waitForRequests(2, 8000));
    QCOMPARE(hex(r.h.request(0)), QStringLiteral("24 01 02 57 00 02 41 42 0D"));
    QCOMPARE(hex(r.h.request(1)), QStringLiteral("24 01 02 52 0D"));
    QVERIFY(logAtFirst.isEmpty());
    QCOMPARE(statusAtFirst, QStringLiteral("模块状态：未使用"));
    // The second request waited its own two seconds after the first.
    QVERIFY2(writes.gapMs(1) >= 1950, qPrintable(QString::number(writes.gapMs(1))));
    QVERIFY(QTest::qWaitFor([&] { return r.logLines().size() == 3; }, 3000));
    QCOMPARE(r.logLines(), (QStringList{kSend + QStringLiteral("24:01:02:57:00:02:41:42:0D:"),
                                        kRecv + QStringLiteral("21:01:02:0D:"),
                                        kSend + QStringLiteral("24:01:02:52:0D:")}));
    QCOMPARE(r.status(), QStringLiteral("模块状态：格式正确"));
    QCOMPARE(g::DollarPendingOp, 1);
    QVERIFY(r.t->Command21[0]->isEnabled() && r.t->Command21[2]->isEnabled());
    QVERIFY(r.h.port().dtrEnable());

    // A display that fell due during a wait runs after the request.
    r.peer->inbox.clear();
    r.h.sim().send(fromHex("21 01 02 00 02 48 69 0D"));
    QVERIFY(r.waitStatus(QStringLiteral("接收短信")));
    r.press(1);
    QTest::qWait(600);
    QVERIFY(r.received().isEmpty());
    QVERIFY(QTest::qWaitFor([&] { return r.received() == QStringLiteral("Hi\n"); }, 5000));
    const QStringList lines = r.logLines();
    QCOMPARE(lines.mid(3), (QStringList{kSend + QStringLiteral("24:01:02:57:00:00:0D:"),
                                        kRecv + QStringLiteral("21:01:02:00:02:48:69:0D:")}));
}

void TestCommTest::passiveFormattedHexAndReadRecord() {
    OPEN_RIG(r, 0, 1);
    QVERIFY(r.t->ReceiverNumber->isVisibleTo(r.f) && r.t->SenderNumber->isVisibleTo(r.f));
    r.typeInto(r.t->Text22, QStringLiteral("0102"));
    r.typeInto(r.t->ReceiverNumber, QStringLiteral("13800138000"));
    r.sendMode("sendhex");
    r.typeInto(r.t->TextBox[1], QStringLiteral("0102"));
    QCOMPARE(r.t->TextBox[1]->toPlainText(), QStringLiteral("01:02:"));
    QCOMPARE(r.h.main().panel(3), QStringLiteral("发射区字节数：2"));

    QVERIFY(r.pressAndWait(2, 0) >= 1950);
    QCOMPARE(hex(r.h.request(0)), QStringLiteral("24 01 02 57 00 0C D7 01 01 38 00 13 80 00 00 02 01 02 0D"));
    QVERIFY(r.waitStatus(QStringLiteral("格式正确")));
    QCOMPARE(r.logLines().mid(0, 2),
             (QStringList{kSend + QStringLiteral("24:01:02:57:00:0C:D7:01:01:38:00:13:80:00:00:"),
                          QStringLiteral("02:01:02:0D:")}));
    QCOMPARE(r.peer->taken.size(), 1);
    QCOMPARE(hex(r.peer->taken[0]), QStringLiteral("D7 01 01 38 00 13 80 00 00 02 01 02"));

    // A received record read back in Chinese: the number and the text.
    r.sendMode("chinese");
    QVERIFY(r.t->TextBox[1]->toPlainText().isEmpty());
    r.peer->inbox = SimTestPeer::receivedRecord(fromHex("01 38 00 13 80 00"), fromHex("4E 2D 65 87"));
    QVERIFY(r.pressAndWait(0, 1) >= 1950);
    QVERIFY(QTest::qWaitFor([&] { return r.received() == QStringLiteral("中文\n"); }, 3000));
    QCOMPARE(r.t->SenderNumber->text(), QStringLiteral("13800138000"));
    QCOMPARE(r.logLines().mid(r.logLines().size() - 2),
             (QStringList{kRecv + QStringLiteral("21:01:02:00:14:D7:01:01:38:00:13:80:00:00:0A:"),
                          QStringLiteral("4E:2D:65:87:24:01:15:10:30:00:0D:")}));
}

void TestCommTest::activeFormattedStatusesRecordsAndSample() {
    OPEN_RIG(r, 1, 1);
    QVERIFY(!r.t->Text22->isVisibleTo(r.f));
    QVERIFY(!r.t->Command21[0]->isVisibleTo(r.f) && !r.t->Command21[1]->isVisibleTo(r.f));
    r.typeInto(r.t->ReceiverNumber, QStringLiteral("13800138000"));
    r.t->TextBox[1]->setPlainText(QStringLiteral("中"));
    QCOMPARE(r.h.main().panel(3), QStringLiteral("发射区字节数：2"));

    QVERIFY(r.pressAndWait(2, 0) >= 1950);
    QCOMPARE(hex(r.h.request(0)), QStringLiteral("D7 01 01 38 00 13 80 00 00 02 4E 2D"));
    QCOMPARE(g::DollarPendingOp, 3);
    QVERIFY(r.waitStatus(QStringLiteral("发送成功")));
    QCOMPARE(r.logLines(), (QStringList{kSend + QStringLiteral("D7:01:01:38:00:13:80:00:00:02:4E:2D:"),
                                        kRecv + QStringLiteral("D7:FA:")}));

    // A type byte that is none of the known ones is dropped.
    r.h.sim().send(fromHex("D7 05 FC"));
    QVERIFY(r.waitStatus(QStringLiteral("发送失败")));
    QCOMPARE(r.logLines().last(), kRecv + QStringLiteral("D7:FC:"));
    r.h.sim().send(fromHex("D7 FF"));
    QVERIFY(r.waitStatus(QStringLiteral("没有上网")));

    const QByteArray rec = fromHex("D7 01 01 38 00 13 80 00 00 0A 4E 2D 65 87 24 01 15 10 30 00");
    r.h.sim().sendChunks({rec.left(7), rec.mid(7)}, 80);
    QVERIFY(r.waitStatus(QStringLiteral("接收短信")));
    QVERIFY(QTest::qWaitFor([&] { return r.received() == QStringLiteral("中文\n"); }, 3000));
    QCOMPARE(r.t->SenderNumber->text(), QStringLiteral("13800138000"));
    QCOMPARE(r.logLines().mid(r.logLines().size() - 2),
             (QStringList{kRecv + QStringLiteral("D7:01:01:38:00:13:80:00:00:0A:4E:2D:65:87:24:"),
                          QStringLiteral("01:15:10:30:00:")}));

    r.sendMode("sendhex");
    r.t->SenderNumber->clear();
    r.h.sim().send(rec);
    QVERIFY(QTest::qWaitFor([&] { return r.received() == QStringLiteral("4E:2D:65:87:\n"); }, 3000));
    QCOMPARE(r.t->SenderNumber->text(), QStringLiteral("13800138000"));

    // D8: every byte after it is the record's, with no status word.
    r.sendMode("englist");
    r.h.main().setPanel(2, QStringLiteral("模块状态：x"));
    r.h.sim().send(fromHex("D8 01 01 39 12 34 56 78 00 02 48 69 24 01 15 10 30 00"));
    QVERIFY(QTest::qWaitFor([&] { return r.received() == QStringLiteral("Hi\n"); }, 3000));
    QCOMPARE(r.t->SenderNumber->text(), QStringLiteral("13912345678"));
    QCOMPARE(r.status(), QStringLiteral("模块状态：x"));

    // A state outside the machine's table returns to the hunt.
    g::RxState = 9;
    r.h.sim().send(fromHex("D7 FA"));
    QVERIFY(r.waitStatus(QStringLiteral("发送成功")));

    // The hidden sample item shows its made-up message the same way.
    r.sendMode("chinese");
    r.h.main().action("x")->trigger();
    QVERIFY(QTest::qWaitFor([&] { return r.received() == QStringLiteral("测试\n"); }, 3000));
    QCOMPARE(r.t->SenderNumber->text(), QStringLiteral("13912345678"));
    QCOMPARE(r.logLines().mid(r.logLines().size() - 2),
             (QStringList{kRecv + QStringLiteral("D7:01:01:39:12:34:56:78:00:0A:6D:4B:8B:D5:24:"),
                          QStringLiteral("05:20:09:30:00:")}));
}

void TestCommTest::activeTransparentDataAndOverlongText() {
    OPEN_RIG(r, 1, 0);
    QVERIFY(!r.t->ReceiverNumber->isVisibleTo(r.f));
    r.sendMode("englist");
    r.h.sim().send(fromHex("48 69"));
    QVERIFY(QTest::qWaitFor([&] { return r.received() == QStringLiteral("Hi\n"); }, 3000));
    QCOMPARE(r.logLines(), QStringList{kRecv + QStringLiteral("48:69:")});
    QCOMPARE(g::RxState, 0);

    // A longer read length left behind by an answer cut short loses no byte.
    r.h.port().setRThreshold(3);
    r.h.port().setInputLen(3);
    r.t->TextBox[2]->clear();
    r.h.sim().send(fromHex("48 69 21"));
    QVERIFY(QTest::qWaitFor([&] { return r.received() == QStringLiteral("Hi!\n"); }, 3000));
    QCOMPARE(r.logLines().last(), kRecv + QStringLiteral("48:69:21:"));

    // Work text some other answer left behind is no part of the next data.
    g::RxText = QStringLiteral("53:45:54:4F:4B:3A:");
    r.t->TextBox[2]->clear();
    r.h.sim().send(fromHex("48 69"));
    QVERIFY(QTest::qWaitFor([&] { return r.received() == QStringLiteral("Hi\n"); }, 3000));
    QCOMPARE(r.logLines().last(), kRecv + QStringLiteral("48:69:"));

    // 102 bytes: logged once, not decoded, and gone: the next message
    // shows on its own.
    r.t->TextBox[2]->clear();
    const int before = int(r.logLines().size());
    r.h.sim().send(QByteArray(102, 'a'));
    QVERIFY(QTest::qWaitFor([&] { return r.logLines().size() == before + 2; }, 5000));
    QCOMPARE(r.logLines()[before], kRecv + QStringLiteral("61:").repeated(15));
    QCOMPARE(r.logLines()[before + 1], QStringLiteral("61:").repeated(87));
    QVERIFY(r.displayDone());
    QVERIFY(r.received().isEmpty());
    QVERIFY(g::RxText.isEmpty());
    r.h.sim().send(fromHex("48 69"));
    QVERIFY(QTest::qWaitFor([&] { return r.received() == QStringLiteral("Hi\n"); }, 3000));
    QCOMPARE(r.logLines().size(), before + 3);
    QCOMPARE(r.logLines().last(), kRecv + QStringLiteral("48:69:"));

    // Content goes out bare; English refuses what it cannot send.
    r.t->TextBox[1]->setPlainText(QStringLiteral("Hi"));
    QVERIFY(r.pressAndWait(2, 0) >= 1950);
    QCOMPARE(hex(r.h.request(0)), QStringLiteral("48 69"));
    QVERIFY(QTest::qWaitFor([&] { return r.peer->taken.size() == 1; }, 3000));
    QCOMPARE(r.logLines().last(), kSend + QStringLiteral("48:69:"));
    r.t->TextBox[1]->setPlainText(QStringLiteral("Hi中"));
    r.press(2);
    QCOMPARE(r.h.dialogs.messageCount(), 1);
    QCOMPARE(r.h.dialogs.messages()[0].text, QStringLiteral("您所发射的内容不符合要求， 请输入要发射的内容"));
    QCOMPARE(r.h.dialogs.messages()[0].title, QStringLiteral("系统提示"));
    QVERIFY(r.t->Command21[2]->isEnabled());
    // A refused press leaves no send waiting on the tab's timer.
    for (VbTimer* timer : r.t->findChildren<VbTimer*>()) QVERIFY(!timer->enabled());
    QCOMPARE(r.h.sim().requests().size(), 1);
}

void TestCommTest::chatteringLineStaysBounded() {
    OPEN_RIG(r, 1, 0);
    r.sendMode("englist");
    // Two bursts of 150 000 bytes without a pause long enough to show them,
    // a pause between them: the received text and the log keep only the
    // newest part, and the window keeps its pace meanwhile.
    auto burst = [](char base) {
        QList<QByteArray> pieces;
        for (int i = 0; i < 150; ++i) {
            QByteArray p(1000, '\0');
            for (int k = 0; k < p.size(); ++k) p[k] = char(base + (i * 1000 + k) % 7);
            pieces.append(p);
        }
        return pieces;
    };
    qsizetype longestText = 0;
    LoopStall stall;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] { longestText = std::max(longestText, g::RxText.size()); });
    probe.start(5);
    for (char base : {'a', 'A'}) {
        // Shown once the line pauses: the log then ends with the burst's
        // last byte.
        const QString last = TestFrames::hexText(QByteArray(1, char(base + 149999 % 7))) + QLatin1Char('\n');
        // A piece every 10 ms, streamed: when this thread runs late the
        // pieces due meanwhile queue up behind a full line instead of being
        // lost there, so the burst always ends with its last byte.
        QList<QByteArray> pieces = burst(base);
        QTimer feed;
        QObject::connect(&feed, &QTimer::timeout, [&] {
            if (!pieces.isEmpty()) r.h.sim().stream(pieces.takeFirst());
        });
        feed.start(10);
        // A piece may end with the same byte: only the whole burst counts.
        QVERIFY(QTest::qWaitFor(
            [&] { return pieces.isEmpty() && !r.h.sim().streaming() && r.log().endsWith(last); }, 120000));
        QVERIFY(QTest::qWaitFor([&] { return g::RxText.isEmpty(); }, 3000));
    }
    probe.stop();
    QVERIFY2(longestText <= TestFrames::MaxReceivedChars, qPrintable(QString::number(longestText)));
    const QString log = r.log();
    QVERIFY2(log.size() <= TestFrames::MaxLogChars, qPrintable(QString::number(log.size())));
    QVERIFY(!log.contains(QStringLiteral("61:62:")));
    QVERIFY2(stall.longestMs() < 1000, qPrintable(QString::number(stall.longestMs())));
    // The line is quiet again: a short message shows as before.
    r.h.sim().send(fromHex("48 69"));
    QVERIFY(QTest::qWaitFor([&] { return r.received() == QStringLiteral("Hi\n"); }, 3000));
    QCOMPARE(r.logLines().last(), kRecv + QStringLiteral("48:69:"));
}

void TestCommTest::longSendWithFullLogDoesNotPause() {
    // The far end is read on its own thread, so a pause of the program's
    // thread shows as a gap in the middle of the frame.
    KestrunHarness h;
    TimedLine tap;
    QVERIFY(tap.link(h.fixture.portsDir() + QStringLiteral("/com2")));
    g::WorkModeByte[0] = 1;  // active transparent: the content alone goes out
    g::TransModeByte[0] = 0;
    SettingsForm* f = h.showFormDirectly(1, true, 2);
    QVERIFY(f);
    h.main().action(QStringLiteral("englist"))->trigger();
    TestTab* t = f->testTab;
    const QString old = kRecv + QStringLiteral("41:").repeated(15) + QLatin1Char('\n');
    t->TextBox[0]->setPlainText(old.repeated(TestFrames::MaxLogChars / old.size()));
    for (int n : {22517, 32767}) {
        const char c = n == 22517 ? 'a' : 'b';
        const QString hexOfC = TestFrames::hexText(QByteArray(1, c));
        const qint64 before = tap.received();
        t->TextBox[1]->setPlainText(QString(n, QLatin1Char(c)));
        t->Command21[2]->setVisible(true);
        QTest::mouseClick(t->Command21[2], Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([&] { return tap.received() >= before + n; }, 15000));
        const qint64 gap = tap.longestGap(before, before + n);
        qInfo("%d bytes: longest gap %lld ms", n, gap);
        QVERIFY2(gap < 300, qPrintable(QString::number(gap)));
        // Within the bound, the entry's first line whole, a mark where its
        // middle went, the frame's end kept.
        const QString first = kSend + hexOfC.repeated(15) + QLatin1Char('\n');
        QVERIFY(QTest::qWaitFor([&] { return t->TextBox[0]->toPlainText().endsWith(hexOfC + QLatin1Char('\n')); }, 5000));
        const QString log = t->TextBox[0]->toPlainText();
        QVERIFY2(log.size() < TestFrames::MaxLogChars, qPrintable(QString::number(log.size())));
        QCOMPARE(log.left(first.size()), first);
        QVERIFY(log.mid(first.size()).startsWith(TestFrames::LogCutMark));
        QVERIFY(hexOfC.repeated(n).endsWith(log.mid(first.size() + TestFrames::LogCutMark.size()).chopped(1)));
    }
}

void TestCommTest::strayFrameStartLeavesNoTestAnswerWaiting() {
    // A lone frame start while the parameters are shown makes the receiver
    // wait for seven more bytes; the test tab's two-byte answer that follows
    // must still be taken.
    OPEN_RIG(r, 1, 1);
    r.f->SSTab1->setCurrentIndex(0);
    QVERIFY(QTest::qWaitFor([] { return g::ParamMode; }, 3000));
    QVERIFY(QTest::qWaitFor([&] { return !r.f->commandsDisabled(); }, 8000));
    r.h.sim().send(fromHex("1A"));
    QVERIFY(QTest::qWaitFor([&] { return r.h.port().rThreshold() == 7; }, 3000));
    r.f->SSTab1->setCurrentIndex(1);
    QVERIFY(QTest::qWaitFor([] { return !g::ParamMode; }, 3000));
    r.t->Command21[2]->setVisible(true);
    r.typeInto(r.t->ReceiverNumber, QStringLiteral("13800138000"));
    r.t->TextBox[1]->setPlainText(QStringLiteral("中"));
    const int before = int(r.h.sim().requests().size());
    QVERIFY(r.pressAndWait(2, before) >= 1950);
    QVERIFY(r.waitStatus(QStringLiteral("发送成功")));
    QCOMPARE(r.logLines().last(), kRecv + QStringLiteral("D7:FA:"));
}

void TestCommTest::activeTransparentAfterSettingsAnswers() {
    KestrunHarness h;
    QVERIFY2(h.fixture.ok(), qPrintable(h.fixture.error()));
    SimSettings* module = SimSettings::install(h.sim());
    SimTestPeer::install(h.sim());
    SettingsForm* f = h.showFormDirectly(3);
    QVERIFY(f);
    g::WorkModeByte[0] = 1;
    g::TransModeByte[0] = 0;
    AlarmTab* a = f->alarmTab;
    const auto idle = [&] { return g::RxState == 0 && h.port().inBufferCount() == 0 && !h.sim().sending(); };

    // An alarm-settings read answered, then a write acknowledged.
    for (QByteArray& block : module->alarm)
        block = SimSupport::zerosWith(187, {{0, "01 02 06 85 04 41 42 43 44 45"}});
    a->Command17->click();
    QVERIFY(h.dialogs.waitForMessage(1));
    QCOMPARE(h.dialogs.lastText(), QStringLiteral("读取参数成功"));
    QVERIFY(QTest::qWaitFor(idle, 5000));
    g::RxText = QStringLiteral("left over");
    a->Command16->click();
    QVERIFY(h.dialogs.waitForMessage(2));
    QCOMPARE(h.dialogs.lastText(), QStringLiteral("设置成功"));
    QVERIFY(QTest::qWaitFor(idle, 5000));

    // Back on the test tab the module's data shows on its own.
    f->SSTab1->setCurrentIndex(1);
    TestTab* t = f->testTab;
    h.main().action("englist")->trigger();
    h.sim().send(fromHex("48 69"));
    QVERIFY(QTest::qWaitFor([&] { return t->TextBox[2]->toPlainText() == QStringLiteral("Hi\n"); }, 3000));
    QCOMPARE(t->TextBox[0]->toPlainText(), kRecv + QStringLiteral("48:69:\n"));
    QVERIFY(g::RxText.isEmpty());
}

void TestCommTest::refusalsAndClosedPort() {
    OPEN_RIG(r, 0, 1);
    auto& msgs = r.h.dialogs;
    const auto expectRefusal = [&](int button, const char* text) {
        const int n = msgs.messageCount();
        const bool dtr = r.h.port().dtrEnable();
        const int op = g::DollarPendingOp;
        r.press(button);
        QCOMPARE(msgs.messageCount(), n + 1);
        QCOMPARE(msgs.messages().last().text, QString::fromUtf8(text));
        QCOMPARE(msgs.messages().last().title, QStringLiteral("系统提示"));
        QVERIFY(r.t->Command21[button]->isEnabled());
        QCOMPARE(r.h.port().dtrEnable(), dtr);
        QCOMPARE(g::DollarPendingOp, op);
    };
    g::DollarPendingOp = 1;
    r.h.port().setDTREnable(true);

    r.t->TextBox[1]->setPlainText(QStringLiteral("中"));
    r.t->ReceiverNumber->setText(QStringLiteral("13800138000"));
    expectRefusal(2, "您输入的模块地址不正确，请重新输入");
    expectRefusal(0, "您输入的模块地址不正确，请重新输入");
    expectRefusal(1, "您输入的模块地址不正确，请重新输入");
    r.t->Text22->setText(QStringLiteral("01:02:"));
    r.t->ReceiverNumber->setText(QStringLiteral("1380013800"));
    expectRefusal(2, "您接收方地址不符合要求， 请输入接收方地址");
    r.t->ReceiverNumber->setText(QStringLiteral("13800138000"));
    r.sendMode("sendhex");
    r.t->TextBox[1]->setPlainText(QStringLiteral("41"));
    expectRefusal(2, "您所发射的内容不符合要求， 请输入要发射的内容");
    // A refused press leaves no send waiting on the tab's timer.
    for (VbTimer* timer : r.t->findChildren<VbTimer*>()) QVERIFY(!timer->enabled());
    QVERIFY(r.h.sim().requests().isEmpty());

    // "复位" sends nothing and stays disabled.
    g::RxState = 5;
    g::ParamMode = true;
    // Hidden since the form loaded; nothing shows it.
    r.t->Command21[3]->click();
    QVERIFY(!r.t->Command21[3]->isEnabled());
    QCOMPARE(g::RxState, 0);
    QVERIFY(!g::ParamMode);

    // The line closes during the wait: nothing goes out, and the button,
    // DTR and the pending request are as before the press.
    r.t->TextBox[1]->setPlainText(QStringLiteral("41:"));
    r.press(2);
    QVERIFY(!r.h.port().dtrEnable());
    QCOMPARE(g::DollarPendingOp, 3);
    r.h.port().close();
    QVERIFY(QTest::qWaitFor([&] { return r.t->Command21[2]->isEnabled(); }, 4000));
    QVERIFY(r.h.port().dtrEnable());
    QCOMPARE(g::DollarPendingOp, 1);
    QVERIFY(r.log().isEmpty());
    QVERIFY(r.h.main().connectDialog());
    QVERIFY(!r.h.main().connectDialog()->isModal());
    r.h.main().unloadConnectDialog();

    // With the port closed a press opens the connect dialog at once.
    r.press(0);
    QVERIFY(r.h.main().connectDialog());
    QVERIFY(!r.h.main().connectDialog()->isModal());
    QVERIFY(r.t->Command21[0]->isEnabled());
    QCOMPARE(g::DollarPendingOp, 1);
    QTest::qWait(300);
    QVERIFY(r.log().isEmpty());
    QVERIFY(r.h.sim().requests().isEmpty());
}

void TestCommTest::typingRulesAndByteCount() {
    KestrunHarness h;
    ConnectDialog* dlg = h.openConnectDialog();
    QVERIFY(dlg);
    QTest::mouseClick(dlg->Command1[1], Qt::LeftButton);
    SettingsForm* f = h.settingsForm();
    QVERIFY(f);
    f->Timer6->setEnabled(false);
    f->SSTab1->setCurrentIndex(1);
    TestTab* t = f->testTab;

    // The log and the received text take no keys.
    t->TextBox[0]->setPlainText(QStringLiteral("log"));
    t->TextBox[2]->setPlainText(QStringLiteral("rx"));
    for (TestTextBox* box : {t->TextBox[0], t->TextBox[2]}) {
        box->moveCursor(QTextCursor::End);
        QTest::keyClicks(box, QStringLiteral("ab"));
        QTest::keyClick(box, Qt::Key_Backspace);
        QTest::keyClick(box, Qt::Key_Return);
    }
    QCOMPARE(t->TextBox[0]->toPlainText(), QStringLiteral("log"));
    QCOMPARE(t->TextBox[2]->toPlainText(), QStringLiteral("rx"));

    // The address: hex digits only, upper case, a ":" after each pair,
    // inserted at the caret.
    QTest::keyClicks(t->Text22, QStringLiteral("0a1fg"));
    QCOMPARE(t->Text22->text(), QStringLiteral("0A:1F:"));
    t->Text22->clear();
    QTest::keyClicks(t->Text22, QStringLiteral("1"));
    t->Text22->home(false);
    QTest::keyClicks(t->Text22, QStringLiteral("2"));
    QCOMPARE(t->Text22->text(), QStringLiteral("21:"));
    // Backspace takes the last digit with its ":"; typing on keeps the form.
    t->Text22->setText(QStringLiteral("01:02:"));
    t->Text22->end(false);
    QTest::keyClick(t->Text22, Qt::Key_Backspace);
    QCOMPARE(t->Text22->text(), QStringLiteral("01:0"));
    QTest::keyClick(t->Text22, Qt::Key_Backspace);
    QCOMPARE(t->Text22->text(), QStringLiteral("01:"));
    QTest::keyClick(t->Text22, Qt::Key_Backspace);
    QCOMPARE(t->Text22->text(), QStringLiteral("0"));
    QTest::keyClicks(t->Text22, QStringLiteral("3a4"));
    QCOMPARE(t->Text22->text(), QStringLiteral("03:A4:"));
    t->Text22->clear();

    // Free typing in Chinese and English; the count follows the mode.
    QTest::keyClicks(t->TextBox[1], QStringLiteral("ab"));
    QCOMPARE(h.main().panel(3), QStringLiteral("发射区字节数：4"));
    h.main().action("englist")->trigger();
    QVERIFY(t->TextBox[1]->toPlainText().isEmpty());
    QCOMPARE(h.main().panel(3), QStringLiteral("发射区字节数：0"));
    QTest::keyClicks(t->TextBox[1], QStringLiteral("a:b"));
    QCOMPARE(t->TextBox[1]->toPlainText(), QStringLiteral("a:b"));
    QCOMPARE(h.main().panel(3), QStringLiteral("发射区字节数：3"));
    // A line break goes out as CR LF and counts as the two bytes it is.
    QTest::keyClick(t->TextBox[1], Qt::Key_Return);
    QTest::keyClicks(t->TextBox[1], QStringLiteral("c"));
    QCOMPARE(h.main().panel(3), QStringLiteral("发射区字节数：6"));
    h.main().action("chinese")->trigger();
    QTest::keyClicks(t->TextBox[1], QStringLiteral("a"));
    QTest::keyClick(t->TextBox[1], Qt::Key_Return);
    QCOMPARE(h.main().panel(3), QStringLiteral("发射区字节数：6"));
    h.main().action("englist")->trigger();

    // Hex: only hex digits, always at the end, each pair closed by ":".
    h.main().action("sendhex")->trigger();
    QVERIFY(t->TextBox[1]->toPlainText().isEmpty());
    QTest::keyClicks(t->TextBox[1], QStringLiteral("4g1 a"));
    QCOMPARE(t->TextBox[1]->toPlainText(), QStringLiteral("41:A"));
    t->TextBox[1]->moveCursor(QTextCursor::Start);
    QTest::keyClicks(t->TextBox[1], QStringLiteral("b"));
    QCOMPARE(t->TextBox[1]->toPlainText(), QStringLiteral("41:AB:"));
    QCOMPARE(h.main().panel(3), QStringLiteral("发射区字节数：2"));
    QTest::keyClick(t->TextBox[1], Qt::Key_Return);
    QCOMPARE(t->TextBox[1]->toPlainText(), QStringLiteral("41:AB:"));
    // Tab is no hex digit either: it leaves the box instead of landing in
    // the content and shifting every byte after it.
    t->TextBox[1]->setFocus();
    QTest::keyClick(t->TextBox[1], Qt::Key_Tab);
    QTest::keyClicks(t->TextBox[1], QStringLiteral("42"));
    QCOMPARE(t->TextBox[1]->toPlainText(), QStringLiteral("41:AB:42:"));
    // Backspace takes back what was typed, digit by digit, the ":" going
    // with the digit it closes, so that typing on keeps the pairs.
    QStringList afterBackspace;
    for (int i = 0; i < 4; ++i) {
        QTest::keyClick(t->TextBox[1], Qt::Key_Backspace);
        afterBackspace << t->TextBox[1]->toPlainText();
    }
    QCOMPARE(afterBackspace, (QStringList{QStringLiteral("41:AB:4"), QStringLiteral("41:AB:"),
                                          QStringLiteral("41:A"), QStringLiteral("41:")}));
    QTest::keyClicks(t->TextBox[1], QStringLiteral("c3"));
    QCOMPARE(t->TextBox[1]->toPlainText(), QStringLiteral("41:C3:"));
    QTest::keyClick(t->TextBox[1], Qt::Key_Backspace);
    QTest::keyClicks(t->TextBox[1], QStringLiteral("d"));
    QCOMPARE(t->TextBox[1]->toPlainText(), QStringLiteral("41:CD:"));
    // A selection goes as a whole.
    t->TextBox[1]->selectAll();
    QTest::keyClick(t->TextBox[1], Qt::Key_Backspace);
    QVERIFY(t->TextBox[1]->toPlainText().isEmpty());
    QTest::keyClicks(t->TextBox[1], QStringLiteral("41:AB:42:"));
    QCOMPARE(t->TextBox[1]->toPlainText(), QStringLiteral("41:AB:42:"));

    // No modifier gets a character past the rule: with Alt it is typed
    // through it, with Control or Meta it is no typing at all.
    t->TextBox[1]->clear();
    QTest::keyClicks(t->TextBox[1], QStringLiteral("41"));
    const Qt::KeyboardModifiers held[] = {Qt::AltModifier, Qt::MetaModifier, Qt::ControlModifier,
                                          Qt::AltModifier | Qt::ShiftModifier,
                                          Qt::ControlModifier | Qt::AltModifier};
    for (Qt::KeyboardModifiers m : held) {
        QTest::keyClick(t->TextBox[1], Qt::Key_G, m);
        QTest::keyClick(t->TextBox[1], Qt::Key_Colon, m);
        QTest::keyClick(t->TextBox[1], Qt::Key_Space, m);
        QCOMPARE(t->TextBox[1]->toPlainText(), QStringLiteral("41:"));
    }
    QTest::keyClick(t->TextBox[1], Qt::Key_B, Qt::AltModifier);
    QCOMPARE(t->TextBox[1]->toPlainText(), QStringLiteral("41:B"));
    QTest::keyClick(t->TextBox[1], Qt::Key_C, Qt::MetaModifier);
    QCOMPARE(t->TextBox[1]->toPlainText(), QStringLiteral("41:B"));

    // The tab empties its boxes each time it is chosen.
    f->SSTab1->setCurrentIndex(0);
    f->SSTab1->setCurrentIndex(1);
    QVERIFY(t->TextBox[1]->toPlainText().isEmpty() && t->Text22->text().isEmpty());
}

QTEST_MAIN(TestCommTest)
#include "tst_comm_test.moc"
