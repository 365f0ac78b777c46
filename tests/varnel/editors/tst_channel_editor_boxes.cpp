// Every box of the channel editor whose text a record column takes, each way
// a text arrives (typed, pasted, dropped, set by code, loaded from the row)
// and texts that have broken records before. After OK, either the editor
// refused with a message and left the row as it was, or the row's frame is
// refused with a message when it is sent, or the frame's bytes read back as
// exactly what the box showed, with every other field as it was.

#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QtTest>
#include <memory>

#include "BoxInput.h"
#include "ChannelGridHost.h"
#include "DialogRecorder.h"
#include "core/Globals.h"
#include "core/protocol/ChannelRecord.h"
#include "core/protocol/CheckCode.h"
#include "platform/VbTimer.h"
#include "platform/text/VbNum.h"
#include "varnel/editors/ChannelEditor.h"

using namespace protocol;

namespace {

enum class Kind { HexBytes, HexByte, OnValue, Number, Limit, Text, Segment };

struct Box {
    const char* name;
    int col;
    Kind kind;
    int segment = -1;
};

const QList<Box> kBoxes = {
    {"TxtCmdVal", 26, Kind::HexBytes},    {"TxtDataHead", 25, Kind::HexBytes},
    {"TextDIValON", 21, Kind::OnValue},   {"TxtPsflg", 8, Kind::HexByte},
    {"TxtNsflg", 9, Kind::HexByte},       {"TxtBJReTime", 2, Kind::Number},
    {"TxtBJCount", 3, Kind::Number},      {"TextAutoSend", 6, Kind::Number},
    {"TxtSflgStart", 7, Kind::Number},    {"TxtPointStart", 10, Kind::Number},
    {"TxtValPoint", 11, Kind::Number},    {"TxtValStart", 13, Kind::Number},
    {"TxtValBytes", 14, Kind::Number},    {"TxtCheckNum", 16, Kind::Number},
    {"TxtBJReadCount", 17, Kind::Number}, {"TxtHeadStart", 22, Kind::Number},
    {"TxtValUp", 23, Kind::Limit},        {"TxtValDown", 24, Kind::Limit},
    {"TextDIon", 27, Kind::Text},         {"TextDIoff", 28, Kind::Text},
    {"TxtSMS(0)", 29, Kind::Segment, 0},  {"TxtSMS(7)", 29, Kind::Segment, 7},
};

const QStringList kTexts = {
    QStringLiteral("fd fe 0a "),
    QStringLiteral("FD GX 03"),
    QStringLiteral(" 1 2 "),
    QStringLiteral("01\r\n02"),
    QStringLiteral("A\nB"),
    QStringLiteral("1,2"),
    SEP,
    QStringLiteral("x(y)|z*"),
    QStringLiteral("中文"),
    QStringLiteral("é\U0001F600"),
    QString(200, QLatin1Char('7')),
    QStringLiteral("256"),
    QStringLiteral("65536"),
    QStringLiteral("-1"),
    QStringLiteral("1.5"),
    QStringLiteral("2147483648"),
    QString(),
};

// The ways: BoxInput's four, the fourth standing for code that sets the box
// after the load, and the row's own cell read by the loader.
constexpr int kFromRow = 4;

QString wayName(int way) {
    return way == kFromRow ? QStringLiteral("row")
                           : QString::fromLatin1(BoxInput::name(BoxInput::kWays[size_t(way)]));
}

QMap<int, QString> baseRow() {
    QMap<int, QString> cells = goldenRow();
    cells[5] = QStringLiteral("FFFFFF(全部号码表)");  // no picker to wait for
    cells[25] = QStringLiteral("ECED00");             // as the editor writes it
    return cells;
}

bool onlyHex(const QString& s, bool blanks) {
    static const QRegularExpression hex(QStringLiteral("^[0-9A-F]*$")),
        spaced(QStringLiteral("^[0-9A-F ]*$"));
    return (blanks ? spaced : hex).match(s).hasMatch();
}
int hexValue(const QString& s) { return s.isEmpty() ? 0 : s.toInt(nullptr, 16); }
QString packed(QString s) { return s.remove(QLatin1Char(' ')); }

// A number box's text as a plain number ("5字节" in the check-byte box).
std::optional<double> plainNumber(const Box& b, QString t) {
    t = t.trimmed();
    if (b.col == ChannelCol::CheckBytes && t.endsWith(QStringLiteral("字节"))) t.chop(2);
    if (t.isEmpty()) return 0.0;
    const std::optional<double> v = VbNum::parseNumber(t);
    if (!v || (b.kind == Kind::Number && *v != std::floor(*v))) return std::nullopt;
    return v;
}

// Why the decoded row does not show what the box showed ("" when it does).
QString mismatch(const Box& b, const QString& shown, const ChannelRecord& got, const ChannelRecord& base) {
    const QString cell = got[size_t(b.col)];
    bool same = false;
    switch (b.kind) {
        case Kind::HexBytes:
            same = onlyHex(shown, true) && packed(shown) == packed(cell);
            break;
        case Kind::HexByte:
            same = shown.size() <= 2 && onlyHex(shown, false) && hexValue(shown) == hexValue(cell);
            break;
        case Kind::OnValue:
            same = shown.size() <= 2 && onlyHex(shown, false) &&
                   hexValue(shown) == hexValue(cell.section(QLatin1Char(','), 1));
            break;
        case Kind::Number:
        case Kind::Limit: {
            const std::optional<double> v = plainNumber(b, shown);
            same = v && *v == VbNum::val(cell);
            break;
        }
        case Kind::Text:
            same = shown == cell;
            break;
        case Kind::Segment: {
            const auto parts = splitSmsColumn(cell);
            const auto before = splitSmsColumn(base[size_t(b.col)]);
            same = parts && parts->sms.segments[size_t(b.segment)] == shown;
            for (int i = 0; same && i < kSmsSegments; ++i)
                same = i == b.segment || parts->sms.segments[size_t(i)] == before->sms.segments[size_t(i)];
            same = same && parts->sms.lineBreaks == before->sms.lineBreaks;
            break;
        }
    }
    if (!same) return QStringLiteral("col %1 went out as \"%2\"").arg(b.col).arg(cell);
    for (int c = 1; c < kChannelColumns; ++c)
        if (c != b.col && got[size_t(c)] != base[size_t(c)])
            return QStringLiteral("col %1 changed to \"%2\"").arg(c).arg(got[size_t(c)]);
    return QString();
}

}  // namespace

class TestChannelEditorBoxes : public QObject {
    Q_OBJECT

    std::unique_ptr<ChannelGridHost> host;
    std::unique_ptr<DialogRecorder> dialogs;

    ChannelRecord record() const {
        ChannelRecord c;
        for (int col = 0; col < kChannelColumns; ++col) c[size_t(col)] = host->grid->TextMatrix(1, col);
        return c;
    }
    static ChannelRecord decoded(const ChannelRecord& row) {
        const RowWrite w = channelRowFrame(row, 0);
        return w.refused() ? ChannelRecord{} : decodeChannelRow(w.frame.mid(11)).cells;
    }
    ChannelEditor* open() {
        host->grid->setRow(1);
        ChannelEditor* ed = ChannelEditor::open(host.get());
        if (ed) emit ed->Timer1->tick();  // the load, without its 200 ms wait
        return ed && ed->loaded() ? ed : nullptr;
    }

private slots:
    void init() {
        g::resetAll();
        host = std::make_unique<ChannelGridHost>();
        host->addRows(2);
        dialogs = std::make_unique<DialogRecorder>();
    }
    void cleanup() {
        dialogs.reset();
        host.reset();
    }

    void everyBoxEveryWay() {
        // The row as OK writes it back unchanged, and its fields as they go out.
        host->setCells(1, baseRow());
        const ChannelRecord base = decoded(record());
        QVERIFY(!base[1].isEmpty());
        int cases = 0, refusedByEditor = 0, refusedByFrame = 0;
        QStringList failures;
        for (const Box& b : kBoxes) {
            for (int way = 0; way <= kFromRow; ++way) {
                if (way == kFromRow && b.kind == Kind::Segment) continue;  // the loader splits the column
                for (const QString& text : kTexts) {
                    const QString where =
                        QStringLiteral("%1 %2 \"%3\": ").arg(QLatin1String(b.name), wayName(way), text);
                    QMap<int, QString> cells = baseRow();
                    if (way == kFromRow)
                        cells[b.col] =
                            b.kind == Kind::OnValue ? QStringLiteral("按字节/字符取值,") + text : text;
                    host->setCells(1, cells);
                    QPointer<ChannelEditor> ed = open();
                    QVERIFY2(ed, qPrintable(where + QStringLiteral("no editor")));
                    auto* box = ed->findChild<QLineEdit*>(QLatin1String(b.name));
                    QVERIFY2(box, qPrintable(where + QStringLiteral("no box")));
                    if (way != kFromRow) BoxInput::put(box, text, BoxInput::kWays[size_t(way)]);
                    const QString shown = box->text();
                    const QString check = ed->TextCheck->text();
                    const QStringList before = host->rowTexts(1);
                    dialogs->clear();
                    QTest::mouseClick(ed->Command1[0], Qt::LeftButton);
                    ++cases;
                    if (dialogs->messageCount() > 0) {
                        ++refusedByEditor;
                        if (!ed || !ed->isVisible() || host->rowTexts(1) != before)
                            failures << where + QStringLiteral(
                                                    "refused, yet the row changed or the editor closed");
                        delete ed.data();
                        continue;
                    }
                    if (ed && ed->isVisible()) failures << where + QStringLiteral("OK left the editor open");
                    const RowWrite w = channelRowFrame(record(), 0);
                    if (w.refused()) {  // the write says why and sends nothing
                        ++refusedByFrame;
                        continue;
                    }
                    const ChannelRecord sent = decoded(record());
                    const QString why = mismatch(b, shown, sent, base);
                    if (!why.isEmpty())
                        failures << where + QStringLiteral("box showed \"%1\", ").arg(shown) + why;
                    // The check code beside the command is that of the bytes sent (a sum
                    // here): the bytes the box shows, read as the frame reads them.
                    if (b.col == ChannelCol::Command &&
                        check != checkCodeText(shown, CheckSource::Packed, 1, "1字节"))
                        failures << where + QStringLiteral("check code %1 for \"%2\"").arg(check, shown);
                    if (ed) delete ed.data();
                }
            }
        }
        for (const QString& f : failures.mid(0, 200)) qWarning("%s", qPrintable(f));
        qInfo("%d cases: %d refused by the editor, %d by the row frame", cases, refusedByEditor,
              refusedByFrame);
        QVERIFY2(failures.isEmpty(),
                 qPrintable(QStringLiteral("%1 of %2 cases failed").arg(failures.size()).arg(cases)));
    }
};

QTEST_MAIN(TestChannelEditorBoxes)
#include "tst_channel_editor_boxes.moc"
