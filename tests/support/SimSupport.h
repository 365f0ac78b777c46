#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <initializer_list>
#include <utility>

#include "tools/ModuleSim.h"

// Helpers for tests that talk to the simulated module over a real
// pseudo-terminal.
namespace SimSupport {

// "1A 2A 3A" (upper case, single blanks) for readable comparisons.
QString hex(const QByteArray& bytes);
// The reverse: blanks are ignored, "1A2A" and "1a 2a" both work.
QByteArray fromHex(const char* text);
// `size` zero bytes with hex pieces put at their offsets, for long frames
// that are mostly zeros: zerosWith(199, {{0, "1A 2A"}, {197, "03 01"}}).
QByteArray zerosWith(int size, std::initializer_list<std::pair<int, const char*>> pieces);

// A temporary ports folder made the current one (COMPORTS_DIR) and a
// simulated module linked in it as com<n>. Everything is undone on
// destruction, the environment included.
class SimFixture {
public:
    explicit SimFixture(int comNumber = 1, ModuleSim::Kind kind = ModuleSim::Kind::Sms);
    ~SimFixture();
    SimFixture(const SimFixture&) = delete;
    SimFixture& operator=(const SimFixture&) = delete;

    // False when the folder or the simulator could not be set up; error()
    // says why.
    bool ok() const { return m_ok; }
    QString error() const { return m_error; }

    ModuleSim& sim() { return m_sim; }
    QString portsDir() const { return m_dir.path(); }
    int comNumber() const { return m_com; }

    // Waits until at least n requests have arrived.
    bool waitForRequests(int n, int timeoutMs = 5000);
    // Waits for a request equal to `bytes` at index `from` or later; returns
    // its index, or -1 when none came in time.
    int waitForRequest(const QByteArray& bytes, int from = 0, int timeoutMs = 5000);
    // Waits until at least n bytes have been received in all.
    bool waitForReceived(int n, int timeoutMs = 5000);

private:
    QTemporaryDir m_dir;
    ModuleSim m_sim;
    int m_com;
    bool m_ok = false;
    QString m_error;
    bool m_hadEnv = false;
    QByteArray m_oldEnv;
};

}  // namespace SimSupport
