#include "SimSupport.h"

#include <QFile>
#include <QTest>

namespace SimSupport {

QString hex(const QByteArray& bytes) { return QString::fromLatin1(bytes.toHex(' ').toUpper()); }

QByteArray fromHex(const char* text) {
    QByteArray compact(text);
    compact.replace(' ', QByteArray());
    return QByteArray::fromHex(compact);
}

QByteArray zerosWith(int size, std::initializer_list<std::pair<int, const char*>> pieces) {
    QByteArray b(size, '\0');
    for (const auto& [at, text] : pieces) {
        const QByteArray bytes = fromHex(text);
        b.replace(at, bytes.size(), bytes);
    }
    return b;
}

SimFixture::SimFixture(int comNumber, ModuleSim::Kind kind) : m_com(comNumber) {
    m_hadEnv = qEnvironmentVariableIsSet("COMPORTS_DIR");
    m_oldEnv = qgetenv("COMPORTS_DIR");
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary folder: ") + m_dir.errorString();
        return;
    }
    qputenv("COMPORTS_DIR", QFile::encodeName(m_dir.path()));
    m_sim.setKind(kind);
    m_ok = m_sim.start(m_dir.path(), comNumber);
    if (!m_ok) m_error = m_sim.errorText();
}

SimFixture::~SimFixture() {
    m_sim.stop();
    if (m_hadEnv)
        qputenv("COMPORTS_DIR", m_oldEnv);
    else
        qunsetenv("COMPORTS_DIR");
}

bool SimFixture::waitForRequests(int n, int timeoutMs) {
    return QTest::qWaitFor([&]() { return m_sim.requests().size() >= n; }, timeoutMs);
}

int SimFixture::waitForRequest(const QByteArray& bytes, int from, int timeoutMs) {
    int found = -1;
    (void)QTest::qWaitFor(
        [&]() {
            const QList<ModuleSim::Record> reqs = m_sim.requests();
            for (int i = qMax(0, from); i < reqs.size(); ++i) {
                if (reqs.at(i).bytes == bytes) {
                    found = i;
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    return found;
}

bool SimFixture::waitForReceived(int n, int timeoutMs) {
    return QTest::qWaitFor([&]() { return m_sim.received().size() >= n; }, timeoutMs);
}

}  // namespace SimSupport
