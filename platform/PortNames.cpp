#include "PortNames.h"

#include <QDir>
#include <QFileInfo>

namespace PortNames {

QString portsFolder() {
    const QString fromEnv = qEnvironmentVariable("COMPORTS_DIR");
    if (!fromEnv.isEmpty()) return fromEnv;
    return QDir::homePath() + QStringLiteral("/.config/comports");
}

QString devicePathFor(int comNumber) {
    const QString link = portsFolder() + QStringLiteral("/com") + QString::number(comNumber);
    const QFileInfo info(link);
    // A dangling link still names the port the user meant; reporting its
    // target lets the opener say that this device is missing.
    if (info.isSymLink()) return info.symLinkTarget();
    if (info.exists()) return info.absoluteFilePath();
    return QStringLiteral("/dev/ttyS") + QString::number(comNumber - 1);
}

}  // namespace PortNames
