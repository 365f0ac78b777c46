// modsim: plays a module on a pseudo-terminal linked as COMn, until
// interrupted, printing every request it receives.

#include <sys/socket.h>
#include <unistd.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTextStream>
#include <csignal>

#include "ModuleSim.h"
#include "SimGprs.h"
#include "SimParams.h"
#include "SimPhoneTable.h"
#include "SimQv7351.h"
#include "SimSettings.h"
#include "SimTestPeer.h"
#include "platform/PortNames.h"

namespace {

// Written to from the signal handler, which may do nothing but write().
int sigPipe[2] = {-1, -1};

void onSignal(int) {
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(sigPipe[0], &c, 1);
}

QString hexOf(const QByteArray& bytes) { return QString::fromLatin1(bytes.toHex(' ').toUpper()); }

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("modsim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Simulated SMS alarm or QV7351 module on a pseudo-terminal."));
    parser.addHelpOption();
    const QCommandLineOption dirOption(
        QStringLiteral("ports-dir"),
        QStringLiteral("Folder of the COM links (default: %1).").arg(PortNames::portsFolder()),
        QStringLiteral("DIR"), PortNames::portsFolder());
    const QCommandLineOption comOption(QStringLiteral("com"), QStringLiteral("COM number 1..8 (default 1)."),
                                       QStringLiteral("N"), QStringLiteral("1"));
    const QCommandLineOption kindOption(QStringLiteral("kind"),
                                        QStringLiteral("sms, gprs or qv7351 (default sms)."),
                                        QStringLiteral("KIND"), QStringLiteral("sms"));
    parser.addOptions({dirOption, comOption, kindOption});
    parser.process(app);

    QTextStream out(stdout);
    QTextStream err(stderr);

    bool ok = false;
    const int com = parser.value(comOption).toInt(&ok);
    if (!ok || com < 1 || com > 8) {
        err << "modsim: --com takes a number from 1 to 8\n";
        return 2;
    }
    const QString kindText = parser.value(kindOption).toLower();
    ModuleSim::Kind kind = ModuleSim::Kind::Sms;
    if (kindText == QLatin1String("gprs"))
        kind = ModuleSim::Kind::Gprs;
    else if (kindText == QLatin1String("qv7351"))
        kind = ModuleSim::Kind::Qv7351;
    else if (kindText != QLatin1String("sms")) {
        err << "modsim: --kind is sms, gprs or qv7351\n";
        return 2;
    }

    ModuleSim sim;
    sim.setKind(kind);
    // The SMS alarm module answers everything Kestrun asks of it.
    SimPhoneTable phoneTable;
    if (kind == ModuleSim::Kind::Sms) {
        SimParams::install(sim);
        SimSettings::install(sim);
        SimTestPeer::install(sim);
        phoneTable.install(sim);
    }
    // The QV7351 module answers everything Varnel asks of it.
    if (kind == ModuleSim::Kind::Qv7351) SimQv7351::install(sim);
    // The GPRS data module: its settings and the data terminal's far end.
    if (kind == ModuleSim::Kind::Gprs) {
        SimGprs::install(sim);
        SimTestPeer::install(sim);
    }
    if (!sim.start(parser.value(dirOption), com)) {
        err << "modsim: " << sim.errorText() << "\n";
        return 1;
    }
    out << "modsim: " << kindText << " module on " << sim.linkPath() << " -> " << sim.slavePath() << "\n";
    out.flush();

    QObject::connect(&sim, &ModuleSim::requestReceived, &sim, [&]() {
        const ModuleSim::Record r = sim.requests().constLast();
        out << QString::number(r.atMs).rightJustified(8) << " ms  " << hexOf(r.bytes) << "\n";
        out.flush();
    });

    // Ctrl-C and kill end the run cleanly, so the link is removed.
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, sigPipe) == 0) {
        auto* notifier = new QSocketNotifier(sigPipe[1], QSocketNotifier::Read, &app);
        QObject::connect(notifier, &QSocketNotifier::activated, &app, [&]() {
            char c;
            [[maybe_unused]] const ssize_t n = ::read(sigPipe[1], &c, 1);
            QCoreApplication::quit();
        });
        std::signal(SIGINT, onSignal);
        std::signal(SIGTERM, onSignal);
    }

    const int rc = QCoreApplication::exec();
    sim.stop();
    out << "modsim: stopped\n";
    return rc;
}
