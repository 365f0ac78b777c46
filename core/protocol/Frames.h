#pragma once

#include <QByteArray>
#include <cstdint>

// The envelope of every exchange with a module: preamble, code, operation
// byte, data. No length field, no terminator, no frame checksum.
namespace Frames {

// 1A 2A 3A 4A 5A 6A 7A 8A
QByteArray FramePreamble();
// Preamble, code, operation byte, data.
QByteArray RequestFrame(uint8_t code, uint8_t op, const QByteArray& data = QByteArray());
// The connect probe: preamble FE 03.
QByteArray HandshakeFrame();
// An identify request: preamble, code, 03.
QByteArray ReadParamsFrame(uint8_t code);
// The older probe, D7 FE, without preamble.
QByteArray LegacyProbe();

// The seven bytes after 0x1A of a preamble: 2A 3A 4A 5A 6A 7A 8A.
bool isPreambleTail(const QByteArray& seven);
// A whole preamble starts at pos (and lies within buf).
bool hasPreambleAt(const QByteArray& buf, qsizetype pos);
// The first 0x1A at or after `from` with more than `minFollowing` bytes
// behind it; -1 when there is none. A receiver that works on a buffer of
// several answers finds the next frame with it.
qsizetype findFrameStart(const QByteArray& buf, qsizetype from, qsizetype minFollowing);

// Bytes the answer parser reads after an answer code (status byte
// included): 0 for a code it does not know. B4/B5 and D9 read 1 first; their
// answers continue by operation.
int answerReadN(uint8_t code);

}  // namespace Frames
