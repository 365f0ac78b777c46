#pragma once

// Byte positions of the Jet 4 structures, and the failure helpers, shared by
// the files that read and write table files.

#include "Jet4File.h"

namespace jetdb::detail {

// Data page header (Jet 4): type, 0x01, free space, owning table definition,
// four unknown bytes, row count, then the row offset table.
constexpr int kDataFreeSpace = 2;
constexpr int kDataTdef = 4;
constexpr int kDataRowCount = 12;
constexpr int kDataOffsets = 14;

// Table definition page.
constexpr int kTdefRowCount = 16;
constexpr int kTdefColumns = 63;
constexpr int kTdefColumnEntry = 25;
constexpr int kTdefRealIndexEntry = 12;

constexpr quint32 kGlobalMap = (1u << 8) | 0u;
constexpr quint16 kRowDeleted = 0x8000;
constexpr quint16 kRowOverflow = 0x4000;
constexpr quint16 kRowOffsetMask = 0x1FFF;

[[noreturn]] inline void fail(const QString& text) { throw JetFault{text}; }

inline QString damaged() { return QStringLiteral("数据库文件已损坏"); }

// A data page (type 0x01) that belongs to the table defined on page tdef.
bool isDataPageOf(const Image& img, quint32 page, quint32 tdef);

}  // namespace jetdb::detail
