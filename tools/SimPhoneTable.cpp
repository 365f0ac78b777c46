#include "SimPhoneTable.h"

#include "ModuleSim.h"

// The module side keeps its own packing: the simulator stands alone and
// must not borrow the program's code it is meant to check.
namespace {
constexpr int kEntry = 6;
constexpr int kPlaces = 20;
constexpr int kTable = kEntry * kPlaces;

int digit(const QString& s, int i) {
    if (i >= s.size()) return 0;
    const char16_t c = s.at(i).unicode();
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return 0;
}

QByteArray pack(const QString& number) {
    QByteArray e(kEntry, '\0');
    e[0] = char(digit(number, 0));
    for (int b = 1; b < kEntry; ++b) e[b] = char(digit(number, 2 * b - 1) * 16 + digit(number, 2 * b));
    return e;
}

QString unpack(const QByteArray& e) {
    QString s = QString::number(uint8_t(e.at(0)), 16).toUpper();
    for (int b = 1; b < kEntry; ++b)
        s += QStringLiteral("%1").arg(uint8_t(e.at(b)), 2, 16, QLatin1Char('0')).toUpper();
    return s;
}
}  // namespace

void SimPhoneTable::install(ModuleSim& sim) {
    sim.setRequestLength(0xD9, 0x01, 10);
    sim.setRequestLength(0xD9, 0x02, 183);
    sim.setRequestLength(0xD9, 0x04, 11);
    sim.setHandler(0xD9, [this](ModuleSim& s, const QByteArray& request) { handle(s, request); });
}

void SimPhoneTable::setNumbers(const QStringList& numbers) {
    entries = QByteArray(kTable, '\0');
    const int n = int(qMin<qsizetype>(numbers.size(), kPlaces));
    for (int i = 0; i < n; ++i) entries.replace(kEntry * i, kEntry, pack(numbers.at(i)));
    count = uint8_t(n);
}

QStringList SimPhoneTable::numbers() const {
    QStringList out;
    const QByteArray table = entries.leftJustified(kTable, '\0');
    for (int i = 0; i < count && i < kPlaces; ++i) out << unpack(table.mid(kEntry * i, kEntry));
    return out;
}

QByteArray SimPhoneTable::readAnswer() const {
    const uint8_t n = countOverride.value_or(count);
    const QByteArray table = entries.left(kTable).leftJustified(kTable, '\0');
    unsigned total = n;
    for (char c : table) total += uint8_t(c);
    const uint8_t sum = checksumOverride.value_or(uint8_t(total & 0xFF));
    QByteArray payload;
    payload.append(char(sum));
    payload.append(char(n));
    payload.append(table);
    payload.append(trailer);
    return ModuleSim::answerFrame(0xD9, status, payload);
}

void SimPhoneTable::handle(ModuleSim& sim, const QByteArray& request) {
    if (request.size() < 10) return;
    switch (uint8_t(request.at(9))) {
        case 0x01:
            ++reads;
            if (answerReads) sim.answer(readAnswer());
            break;
        case 0x02: {
            ++writes;
            if (writeAck == Ack::Ok && request.size() >= 12 + kTable) {
                count = uint8_t(request.at(11));
                entries = request.mid(12, kTable);
            }
            if (writeAck != Ack::Silent) acknowledge(sim, writeAck == Ack::Ok ? "SETOK:" : "SETFAIL:");
            break;
        }
        case 0x04:
            ++clears;
            if (clearAck == Ack::Ok) {
                count = 0;
                entries = QByteArray(kTable, '\0');
            }
            if (clearAck != Ack::Silent) acknowledge(sim, clearAck == Ack::Ok ? "CLROK:" : "CLRFAIL:");
            break;
        default:
            break;
    }
}

void SimPhoneTable::acknowledge(ModuleSim& sim, const QByteArray& text) {
    const QByteArray frame = ModuleSim::answerFrame(0xD9, status, text);
    if (ackSplitAt <= 0) {
        sim.answer(frame);
        return;
    }
    const int cut = 10 + ackSplitAt;  // preamble, code and status go with the first piece
    sim.sendChunks({frame.left(cut), frame.mid(cut)}, splitGapMs);
}
