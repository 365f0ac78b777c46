#include <QTest>

#include "core/protocol/Frames.h"

namespace {

QByteArray hex(const char* text) { return QByteArray::fromHex(text); }

}  // namespace

class TestFrames : public QObject {
    Q_OBJECT
private slots:
    void fixedFrames() {
        QCOMPARE(Frames::FramePreamble(), hex("1A2A3A4A5A6A7A8A"));
        QCOMPARE(Frames::HandshakeFrame(), hex("1A2A3A4A5A6A7A8AFE03"));
        QCOMPARE(Frames::ReadParamsFrame(0xEC), hex("1A2A3A4A5A6A7A8AEC03"));
        for (uint8_t code : {0xF8, 0xF9, 0xD6, 0xD1}) {
            const QByteArray f = Frames::ReadParamsFrame(code);
            QCOMPARE(f.size(), 10);
            QCOMPARE(uint8_t(f[8]), code);
            QCOMPARE(uint8_t(f[9]), uint8_t(0x03));
        }
        QCOMPARE(Frames::LegacyProbe(), hex("D7FE"));
    }

    void frameSearch() {
        QVERIFY(Frames::isPreambleTail(hex("2A3A4A5A6A7A8A")));
        for (const char* t : {"", "2A3A4A5A6A7A", "2A3A4A5A6A7A8B", "2A3A4A5A6A7A8A00"})
            QVERIFY2(!Frames::isPreambleTail(hex(t)), t);
        const QByteArray buf = hex("001A2A3A4A5A6A7A8AF80301");
        QVERIFY(Frames::hasPreambleAt(buf, 1));
        for (qsizetype pos : {-1, 0, 2, 5, 12, 100}) QVERIFY(!Frames::hasPreambleAt(buf, pos));
        QVERIFY(!Frames::hasPreambleAt(QByteArray(), 0));
        // The next frame start needs more than minFollowing bytes behind it.
        QCOMPARE(Frames::findFrameStart(buf, 0, 9), 1);
        QCOMPARE(Frames::findFrameStart(buf, 0, 10), -1);
        QCOMPARE(Frames::findFrameStart(buf, 2, 0), -1);
        QCOMPARE(Frames::findFrameStart(buf, -5, 0), 1);
        QCOMPARE(Frames::findFrameStart(hex("1A1A"), 0, 0), 0);
        QCOMPARE(Frames::findFrameStart(hex("1A1A"), 1, 0), -1);
        QCOMPARE(Frames::findFrameStart(QByteArray(), 0, 0), -1);
    }

    void requestFrame() {
        QCOMPARE(Frames::RequestFrame(0xA1, 0x01, hex("01")), hex("1A2A3A4A5A6A7A8AA10101"));
        QCOMPARE(Frames::RequestFrame(0xD9, 0x04, hex("01")), hex("1A2A3A4A5A6A7A8AD90401"));
        QCOMPARE(Frames::RequestFrame(0xE1, 0x03), hex("1A2A3A4A5A6A7A8AE103"));
        // Data bytes that look like NUL or the preamble go through untouched.
        const QByteArray data = hex("00001A2A00FF");
        const QByteArray f = Frames::RequestFrame(0xB4, 0x02, data);
        QCOMPARE(f.size(), 16);
        QCOMPARE(f.mid(10), data);
        // Building one frame never alters the next.
        QByteArray p = Frames::FramePreamble();
        p[0] = 0;
        QCOMPARE(Frames::FramePreamble(), hex("1A2A3A4A5A6A7A8A"));
    }

    void answerReadN_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("n");
        const struct {
            int code, n;
        } rows[] = {{0xFD, 1}, {0xF8, 2}, {0xF9, 2}, {0xEC, 12}, {0xD6, 2}, {0xD1, 2}, {0xA1, 2}, {0xF1, 5},
                    {0xA2, 7}, {0xE2, 3}, {0xF2, 2}, {0xA3, 5},  {0xFB, 2}, {0xE1, 5}, {0xD3, 2}, {0xDB, 2},
                    {0xD2, 5}, {0xD9, 1}, {0xB4, 1}, {0xB5, 1},  {0xA5, 3}, {0xA7, 3}, {0xFE, 0}, {0xD4, 0},
                    {0xD5, 0}, {0x98, 0}, {0x99, 0}, {0x00, 0},  {0x1A, 0}, {0xFF, 0}, {0xAB, 0}, {0xF3, 0}};
        for (const auto& r : rows) QTest::addRow("%02X", r.code) << r.code << r.n;
    }
    void answerReadN() {
        QFETCH(int, code);
        QFETCH(int, n);
        QCOMPARE(Frames::answerReadN(static_cast<uint8_t>(code)), n);
    }
};

QTEST_GUILESS_MAIN(TestFrames)
#include "tst_frames.moc"
