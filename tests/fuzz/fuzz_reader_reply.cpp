// What the Access reader program prints: a crashed, killed or damaged
// reader may leave anything on its output.
#include "FuzzInput.h"
#include "JetInternal.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray out(reinterpret_cast<const char*>(data), qsizetype(size));
    QStringList names;
    jetdb::detail::TableData table;
    QString err;
    const bool ok = jetdb::detail::decodeReply(out, &names, &table, &err);
    if (!ok) FUZZ_CHECK(!err.isEmpty());
    if (ok) {
        for (const auto& row : table.rows) FUZZ_CHECK(row.size() == table.columns.size());
        // What decodes is printed again the same way.
        const QByteArray again = out.startsWith("JETDB1 TABLES") ? jetdb::detail::encodeTables(names)
                                                                 : jetdb::detail::encodeTable(table);
        QStringList names2;
        jetdb::detail::TableData table2;
        FUZZ_CHECK(jetdb::detail::decodeReply(again, &names2, &table2, &err));
    }
    return 0;
}
