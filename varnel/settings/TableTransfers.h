#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>

#include "varnel/sms_parser/TableAnswerSink.h"

class FlexGrid;
class QPushButton;
class SettingsForm;
class VbTimer;

// The row-by-row transfers of the two module tables: a read fetches row 0,
// 1, 2 ... until the module signals the end; a write sends grid row after
// grid row, each after the module acknowledged the one before. The form's
// Timer4 repeats a request that got no answer (every 5 s) and asks for the
// next row 200 ms after an accepted answer; the answers only re-arm it.
//
// One transfer runs at a time. Its step is its own (it never touches the
// parameter sequences' CommStep or their timers), and every end - "停止",
// the end of the table, a bad sum, a time-out, an acknowledgement, a row the
// serialiser refuses, a closed port - goes through stop(), which clears the
// step and the pending table operation first: an answer that comes later
// changes nothing.
//
// A transfer takes only the answer to the row it asks for. A read keeps
// count of the row requests still unanswered, its own and those of a read
// stopped before it: an answer to one of them that is not the row asked now
// (an answer that outlived its time-out or a stop) is dropped and changes
// nothing; so is a second copy of a row already taken, whichever request
// is out when it comes. A write takes only the
// acknowledgement that names the row it sent last. Every request is also
// booked in turn (TableRequests), the input table's with the collection
// settings', which share its answer code: a stopped transfer's answer still
// on the way is no collection answer, nor a later write's.
class TableTransfers : public QObject {
    Q_OBJECT
public:
    enum Step { Idle = 0, ReadCommands = 50, ReadInputs = 60, WriteCommands = 100, WriteInputs = 110 };
    static constexpr int RetryMs = 5000;
    static constexpr int PaceMs = 200;
    // Silent periods after which a transfer gives up (see tick()).
    static constexpr int MaxTries = 3;

    explicit TableTransfers(SettingsForm* form);

    Step step() const { return m_step; }
    bool busy() const { return m_step != Idle; }

    // Command23(i) / Command13(i): start, or stop the one running.
    void read(ModuleTable table);
    void write(ModuleTable table);
    // The one end of every transfer: idle, timer off, the table operation
    // cleared, buttons and grid given back; then the message, if any
    // (title "提示").
    void stop(const QString& message = QString());

    // From the answer receiver, through the form.
    void rowAnswered(const TableRowAnswer& answer);
    void writeAcknowledged(ModuleTable table, const QString& text);

    // The controls that wait while a transfer runs, by objectName: the other
    // transfer buttons, both clears, the collection buttons, add and delete
    // row, and the import. Controls not (yet) on the form are passed over.
    static const QStringList& exclusiveControls();
    // Sets a control's enabled state now, or, while a transfer holds it,
    // the state it gets back when the transfer ends.
    void setEnabledWhenFree(const QString& objectName, bool enabled);

    // The line went away: no request sent so far will be answered.
    void forgetRequests();
    // The table is cleared or written anew: what a stopped transfer asked
    // for is no answer to the next, and its rows are no more.
    void supersedeStopped(ModuleTable table);

    // Test hook: the repeat and pacing intervals (5000 and 200 ms).
    void setIntervals(int retryMs, int paceMs);
    int retryInterval() const { return m_retryMs; }
    int paceInterval() const { return m_paceMs; }

signals:
    // After a transfer ended (before its message is shown).
    void stopped();

private:
    void tick();
    // Sends the write's current row; on a refusal or a closed port the
    // write is stopped and false returned.
    bool sendCurrentRow(ModuleTable table);
    void request(ModuleTable table, int index);
    // Books the answer against the requests still open; true when it
    // answers an earlier request than the one now asked for.
    bool answersEarlierRequest(const TableRowAnswer& answer);
    void lockOthers(QObject* running);
    void restoreOthers();
    void fillRow(FlexGrid* grid, const TableRowAnswer& answer);

    FlexGrid* grid(ModuleTable table) const;
    QPushButton* readButton(ModuleTable table) const;
    QPushButton* writeButton(ModuleTable table) const;
    static ModuleTable tableOf(Step step);
    static bool reading(Step step) { return step == ReadCommands || step == ReadInputs; }
    static int& pendingOp(ModuleTable table);

    SettingsForm* m_form;
    VbTimer* m_timer;
    Step m_step = Idle;
    int m_retryMs = RetryMs;
    int m_paceMs = PaceMs;
    QHash<QString, bool> m_held;  // enabled states to give back
    // Row read requests sent and not yet answered: row index -> count, for
    // the input table [0] and the command table [1].
    QHash<int, int> m_unanswered[2];
    // The payload each row's answer brought when it was taken, likewise.
    QHash<int, QByteArray> m_taken[2];
};
