#include "Vb.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTime>

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
    return static_cast<float>(QTime::currentTime().msecsSinceStartOfDay()) / 1000.0f;
}

void setTimeOfDay(std::optional<float> seconds) { rt().timeOverride = seconds; }

}  // namespace Vb
