#include "core/protocol/PhoneCodec.h"

#include "core/protocol/Frames.h"
#include "core/protocol/Checksums.h"
#include "core/protocol/HexText.h"

namespace PhoneCodec {

namespace {
// Characters are taken by their code, lower case as its capital; a code
// outside ASCII is no digit.
int nibble(const QString& s, int i) {
    if (i >= s.size()) return 0;
    const int code = s.at(i).toUpper().unicode();
    return code > 0x7F ? 0 : HexDigitValue(code);
}
}  // namespace

QByteArray packNumber(const QString& number) {
    QByteArray e(EntryBytes, '\0');
    // Twelve characters are what a module's entry with a first byte of 10
    // hex or more reads as: its first byte takes two digits, so that the
    // table read from the module goes back byte for byte.
    const int wide = number.size() == WideTextChars && AllHexDigits(number) ? 1 : 0;
    e[0] = char(wide ? nibble(number, 0) * 16 + nibble(number, 1) : nibble(number, 0));
    for (int b = 1; b < EntryBytes; ++b) {
        const int hi = nibble(number, 2 * b - 1 + wide);
        const int lo = nibble(number, 2 * b + wide);
        e[b] = char(hi * 16 + lo);
    }
    return e;
}

QString entryText(const QByteArray& entry) {
    if (entry.isEmpty()) return QString();
    QString s = QString::number(uint8_t(entry.at(0)), 16).toUpper();
    for (int i = 1; i < entry.size() && i < EntryBytes; ++i) s += ByteToHex2(uint8_t(entry.at(i)));
    return s;
}

bool isPackable(const QString& number) {
    // "*" is the entry box's design text, a place holder that packs as 0.
    for (QChar c : number)
        if (c != QLatin1Char('*') && !AllHexDigits(QString(c))) return false;
    return true;
}

QByteArray writeFrame(const QStringList& numbers) {
    const int n = int(qMin<qsizetype>(numbers.size(), MaxNumbers));
    QByteArray f(WriteFrameBytes, '\0');
    const QByteArray head = Frames::RequestFrame(0xD9, 0x02);
    f.replace(0, head.size(), head);
    f[11] = char(n);
    for (int i = 0; i < n; ++i) f.replace(12 + EntryBytes * i, EntryBytes, packNumber(numbers.at(i)));
    f[10] = char(SumCheck8(f, 11, 12 + EntryBytes * n));
    return f;
}

QByteArray readFrame() { return Frames::RequestFrame(0xD9, 0x01); }

QByteArray clearFrame() { return Frames::RequestFrame(0xD9, 0x04, QByteArray(1, '\x01')); }

int answeredOperation(const QByteArray& two) {
    if (two.startsWith("SE")) return 1;
    if (two.startsWith("CL")) return 2;
    return 0;
}

uint8_t tableChecksum(uint8_t count, const QByteArray& entries) {
    return uint8_t((SumCheck8(entries, 0, entries.size()) + count) % 256);
}

QStringList tableNumbers(int count, const QByteArray& entries) {
    QStringList out;
    for (int r = 0; r < count && r < MaxNumbers; ++r) {
        const int k = EntryBytes * r;
        if (k + EntryBytes > entries.size()) break;
        out << entryText(entries.mid(k, EntryBytes));
    }
    return out;
}

}  // namespace PhoneCodec
