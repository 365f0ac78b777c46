// smstools-mdbread: reads one Access file through libmdb and prints the
// result for the jetdb layer. It runs in its own process because libmdb can
// crash on damaged files; the caller turns a crash or hang into an error.
//
//   smstools-mdbread [--] FILE           list the user tables
//   smstools-mdbread [--] FILE TABLE     all records of TABLE

#include "JetInternal.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>
#include <sys/resource.h>
#include <unistd.h>

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

bool writeAll(int fd, const QByteArray& data)
{
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.constData() + done, size_t(data.size() - done));
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    // libmdb prints diagnostics on stdout as well; keep the real stdout for
    // our reply and send everything else to stderr.
    const int reply = ::dup(STDOUT_FILENO);
    if (reply < 0)
        return 2;
    ::dup2(STDERR_FILENO, STDOUT_FILENO);

    // A damaged file must not make libmdb eat the machine's memory. (The
    // address sanitizer reserves huge address ranges, so not under it.)
    if (!kSanitized) {
        struct rlimit lim{};
        lim.rlim_cur = lim.rlim_max = rlim_t(2048) * 1024 * 1024;
        ::setrlimit(RLIMIT_AS, &lim);
    }

    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    if (!args.isEmpty() && args.first() == QLatin1String("--"))
        args.removeFirst();
    if (args.size() < 1 || args.size() > 2) {
        writeAll(reply, jetdb::detail::encodeError(QStringLiteral("用法：smstools-mdbread FILE [TABLE]")));
        return 2;
    }
    QString err;
    QByteArray out;
    if (args.size() == 1) {
        QStringList names;
        out = jetdb::detail::mdbListTables(args[0], &names, &err) ? jetdb::detail::encodeTables(names)
                                                                   : jetdb::detail::encodeError(err);
    } else {
        jetdb::detail::TableData data;
        out = jetdb::detail::mdbReadTable(args[0], args[1], &data, &err)
            ? jetdb::detail::encodeTable(data)
            : jetdb::detail::encodeError(err);
    }
    return writeAll(reply, out) ? 0 : 3;
}
