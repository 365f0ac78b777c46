#pragma once

#include <QDialog>
#include <functional>

class QLabel;
class QProgressBar;
class VbTimer;

// A wait that only the program ends (end()): Escape and the close box
// leave it open, since what it waits for goes on without the user. A box
// of its own that is open holds the end back until it returns.
class ProgramEndedDialog : public QDialog {
    Q_OBJECT
public:
    using QDialog::QDialog;
    void end();

protected:
    void reject() override;
    void closeEvent(QCloseEvent* e) override;

private:
    bool m_ending = false;
};

// `Form19`: the wait while the GPRS module restarts in its new work mode.
// 200 ms after it opens `closePort` runs; 51 s after it opens `finished`
// runs and the dialog closes. Modal to the user, without an event loop of
// its own.
class RestartWaitDialog : public ProgramEndedDialog {
    Q_OBJECT
public:
    RestartWaitDialog(QWidget* parent, const QString& message, std::function<void()> closePort,
                      std::function<void()> finished);

    QLabel* Label1 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    VbTimer* Timer1 = nullptr;
    VbTimer* Timer2 = nullptr;

private:
    void onTimer1();
    std::function<void()> m_closePort;
    std::function<void()> m_finished;
    int m_count = 0;
};

// `Form10`: the wait while the data centre answers an identity-address
// write. A line of ">" marks grows every 500 ms; after 90 s without an
// answer it reports the time-out and closes itself.
class DataCentreWaitDialog : public ProgramEndedDialog {
    Q_OBJECT
public:
    explicit DataCentreWaitDialog(QWidget* parent);
    // The result has come: no time-out follows it, however long its box
    // stays open; the dialog itself waits for end().
    void answered();

    QLabel* Label1 = nullptr;
    VbTimer* Timer1 = nullptr;

signals:
    // The time-out: the write is given up, before its box is shown.
    void gaveUp();

private:
    void onTimer1();
    QString m_text;
    int m_count = 0;
};
