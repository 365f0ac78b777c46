#include "Vb.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTime>
#include <ctime>

#include "VirtualClock.h"

namespace Vb {

namespace {
struct Runtime {
    int major = 0;
    int minor = 0;
    QString appPath;
    std::optional<float> timeOverride;
};

Runtime& rt() {
    static Runtime r;
    return r;
}

QString programFolder() {
    if (QCoreApplication::instance()) return QCoreApplication::applicationDirPath();
    // No application object yet (early start-up, plain tests): ask the system.
    const QFileInfo exe(QStringLiteral("/proc/self/exe"));
    return exe.exists() ? QFileInfo(exe.symLinkTarget()).absolutePath() : QDir::currentPath();
}
}  // namespace

QString stringTable(int id) {
    switch (id) {
        case 101:
            return QStringLiteral("串口：");
        case 102:
            return QStringLiteral("网络：");
        case 103:
            return QStringLiteral("模块状态：");
        case 104:
            return QStringLiteral("发射区字节数：");
        default:
            return QString();
    }
}

void setAppVersion(int major, int minor) {
    rt().major = major;
    rt().minor = minor;
}

int appMajor() { return rt().major; }

int appMinor() { return rt().minor; }

QString appPath() {
    if (!rt().appPath.isEmpty()) return rt().appPath;
    const QString dir = programFolder();
    if (QFileInfo::exists(QDir(dir).filePath(QStringLiteral("gprs.mdb")))) return dir;
    return QDir::cleanPath(dir + QStringLiteral("/../share/smstools"));
}

void setAppPath(const QString& path) { rt().appPath = path.isEmpty() ? QString() : QDir::cleanPath(path); }

float timeOfDay() {
    if (rt().timeOverride) return *rt().timeOverride;
    if (const VirtualClock* clock = VirtualClock::active()) return clock->timeOfDay();
    // Reading the local time asks the C library to re-check the time zone,
    // a file lookup each time, and the receivers stamp every byte they take.
    // The local time is read at most once a second and carried on by the
    // coarse monotonic clock in between (a few ms steps, finer than the old
    // runtime's Timer; a clock or zone change shows within a second).
    static qint64 baseMono = -1;
    static qint64 baseMs = 0;
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC_COARSE, &ts);
    const qint64 mono = qint64(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
    if (baseMono < 0 || mono - baseMono >= 1000 || mono < baseMono) {
        baseMs = QTime::currentTime().msecsSinceStartOfDay();
        baseMono = mono;
    }
    const qint64 ms = (baseMs + (mono - baseMono)) % (24LL * 3600 * 1000);
    return static_cast<float>(ms) / 1000.0f;
}

void setTimeOfDay(std::optional<float> seconds) { rt().timeOverride = seconds; }

}  // namespace Vb
