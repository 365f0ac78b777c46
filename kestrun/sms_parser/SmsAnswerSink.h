#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "core/protocol/Answers.h"
#include "core/protocol/SettingsRecords.h"

// What the SMS alarm module's answers do on the settings form. The form
// implements it; the receiver decodes an answer and hands it over. A change
// made while applying an answer never sends a request.
class SmsAnswerSink {
public:
    virtual ~SmsAnswerSink() = default;

    // A short parameter answer (work mode, version, delays, ...).
    virtual void applyParamAnswer(const Answers::ParamAnswer& answer) = 0;
    // The phone-number table read back, in order.
    virtual void applyPhoneTable(const QStringList& numbers) = 0;
    // The table is empty (an empty read, a cleared table).
    virtual void clearPhoneTable() = 0;
    virtual void applyAlarmBlock(const SettingsRecords::AlarmBlock& block) = 0;
    virtual void applyOutputBlock(const SettingsRecords::OutputBlock& block) = 0;
    // The input whose state was asked for, and the state text to show.
    virtual int inputStateChannel() const = 0;
    virtual void showInputState(const QString& text) = 0;

    // --- communication test ------------------------------------------------
    // A received answer for the traffic log.
    virtual void logReceived(const QByteArray& bytes) = 0;
    // Received data was added to g::RxText: the display waits for the line
    // to go quiet again.
    virtual void restartTestDisplay() = 0;
    // No display is waiting for received data.
    virtual bool testDisplayIdle() const = 0;
    // A request is waiting to be written: answers wait for it.
    virtual bool testSendPending() const = 0;
};

// What the receiver needs of the program around the form: messages (owned
// by the form while it is loaded) and the status bar.
class SmsAnswerHost {
public:
    enum class Icon { None, Information, Exclamation };
    virtual ~SmsAnswerHost() = default;
    // A message box.
    virtual void tell(const QString& text, const QString& title, Icon icon = Icon::None) = 0;
    // Status-bar panel 2: the word after its caption.
    virtual void showStatusWord(const QString& word) = 0;
};
