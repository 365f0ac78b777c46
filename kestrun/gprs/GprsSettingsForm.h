#pragma once

#include <QByteArray>
#include <QMap>
#include <QPointer>
#include <QWidget>
#include <array>
#include <optional>
#include <utility>

#include "GprsAnswerSink.h"
#include "platform/ButtonLock.h"

class CommPort;
class MainWindow;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QTabWidget;
class VbTimer;
#include "GprsWaitDialogs.h"

// `frm7380COM`: the settings form of the GPRS data module, a child window
// of the main window. Three tabs (parameters, data terminal, identity
// address), the read-back display beneath, the requests and timed chains
// to the module, and the data terminal. It applies what the answer parser
// decodes (GprsAnswerSink).
class GprsSettingsForm : public QWidget, public GprsAnswerSink {
    Q_OBJECT
public:
    explicit GprsSettingsForm(MainWindow* main);
    ~GprsSettingsForm() override;

    // Form_Load: tab by work mode, receive path to the GPRS parser, boxes
    // and labels, panel 1, and the read sequence a second later.
    void load();

    // --- requests (buttons) ---
    void set_slave();
    void set_object();
    void set_bd_address();
    void set_baud();
    void refresh_para();
    // Hold the twelve buttons while a chain runs / give them back; a hold
    // while one is pending keeps the states the first remembered.
    void commanddisable();
    void commandenable();
    void disable_();

    // --- data terminal ---
    void send_data();
    void read_bd_data();
    void read_empty();
    void send_beidong();
    void send_stand_touming();
    void send_geshi();

    DataCentreWaitDialog* dataCentreWait() const { return m_form10.data(); }

    // --- GprsAnswerSink ---
    void moduleReady() override;
    void retryIdentityWrite() override;
    void version(const QString& text) override;
    void passiveAddress(const QString& addressText) override;
    void targetAddress(const QString& addressText) override;
    void identityAddress(const QString& addressText, const QString& secondText, bool updateEntry) override;
    void identityOutcome(GprsAnswers::IdentityOutcome outcome) override;
    void heartbeat(uint16_t seconds) override;
    void workMode(uint8_t mode) override;
    void transMode(uint8_t mode) override;
    void subMode(uint8_t mode) override;
    void addressLayout(const GprsAnswers::AddressLayout& layout) override;
    void baud(int listIndex, const QString& labelText) override;
    void restartCount(int count) override;
    void powerSaving(uint8_t value) override;
    void wakeDelays(uint16_t idleUnits, uint16_t dataUnits) override;
    void wakeMode(uint8_t mode) override;
    void logAnswer(const QString& line) override;
    void receivedData(qint64 cutBytes) override;
    void showReceived() override;

signals:
    // The received block is shown: the data half's answer under way is
    // over for the parser.
    void receivedShown();
    // The read sequence's tick is about to count its request answered or
    // not: an answer still held back by the parser is read first.
    void counting();
    // The port was opened by the form (again, after a lost line).
    void portOpened();

protected:
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    void buildParamTab(QWidget* tab);
    void buildTerminalTab(QWidget* tab);
    void buildIdentityTab(QWidget* tab);
    void buildDisplay(QGroupBox* frame);
    void commandClicked(int index);
    void tabClicked(int index);
    void combo1Click();
    void combo2Click();
    void combo3Click();
    void combo4Click();
    void setAddressLayoutEnabled(bool on, bool clear);
    void label0DblClick();

    // Opens the form's closed port (there is one): "" when it is open, else
    // what the installer is told about it (by tellPortError, once no chain
    // of the form runs on).
    QString openPort();
    void tellPortError(const QString& why);
    // Writes a frame; a closed port is opened first only when `mayOpen`.
    // False when nothing was sent.
    bool sendFrame(const QByteArray& frame, bool mayOpen);
    // "" unless the port's line went: then what opening it again says.
    QString reopenLostLine();
    // A single write: as sendFrame without opening, but a lost line is
    // opened again or the installer told why not.
    bool sendWrite(const QByteArray& frame);
    void refuseIncomplete();
    bool layoutTypeShown() const;
    void refuseLayoutType();
    void refuse(const QString& why);
    // What the heartbeat and power-saving chains send, or nullopt once the
    // installer has been told what the box takes.
    std::optional<uint16_t> heartbeatSeconds();
    std::optional<uint8_t> restartCount();
    std::optional<std::pair<uint16_t, uint16_t>> wakeDelayUnits();
    void onTimer1();
    void onTimer2();
    void onTimer3();
    void onTimer4();
    void onTimer5();
    void onRTimer();
    void appendLog(const QString& text, CommPort* sentOn = nullptr);
    void logSent(const QByteArray& frame);
    void sendDollarRequest(bool read);
    // The passive requests' buttons wait for the answer of the one sent
    // (the answer is read by what was asked) or for its time-out.
    void awaitPassiveAnswer(int op);
    void passiveAnswered();
    void passiveTimedOut();
    void lateAnswersOver();
    // The identity write, the forced one by the same address, each waited
    // for in Form10.
    void waitForDataCentre();
    void startTimedRefresh();
    // The bytes of the send text cut to whole groups (the box takes the cut
    // text); nullopt, with the reason told, when they are not what the
    // text shows or more than `maxBytes`.
    std::optional<QByteArray> sendBytes(int maxBytes);

    CommPort* port() const;

    MainWindow* m_main;
    QTabWidget* SSTab1 = nullptr;
    std::array<QPushButton*, 12> Command1{};
    ButtonLock m_lock;
    QMap<int, QLabel*> Label1;
    std::array<QLabel*, 7> Label2{};
    QLabel* Label5 = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* Label8 = nullptr;
    QLabel* Label10 = nullptr;
    std::array<QLineEdit*, 7> Text1{};      // 0 station of the target; 4, 5, 6 addresses
    std::array<QPlainTextEdit*, 4> Area{};  // Text1(1), Text1(2), Text1(3)
    QLineEdit *Text2 = nullptr, *Text3 = nullptr, *Text4 = nullptr, *Text5 = nullptr, *Text6 = nullptr,
              *Text7 = nullptr, *Text8 = nullptr, *Text9 = nullptr, *Text10 = nullptr, *Text11 = nullptr,
              *Text12 = nullptr;
    QComboBox *Combo1 = nullptr, *Combo2 = nullptr, *Combo3 = nullptr, *Combo4 = nullptr, *Combo7 = nullptr;
    QScrollBar *VScroll3 = nullptr, *VScroll4 = nullptr, *VScroll5 = nullptr, *VScroll8 = nullptr;
    QRadioButton *Option3 = nullptr, *Option4 = nullptr, *Option7 = nullptr, *Option8 = nullptr;
    QGroupBox* Frame7 = nullptr;
    VbTimer *Timer1 = nullptr, *Timer2 = nullptr, *Timer3 = nullptr, *Timer4 = nullptr, *Timer5 = nullptr,
            *Timer6 = nullptr, *Timer7 = nullptr, *rTimer = nullptr;
    QPointer<DataCentreWaitDialog> m_form10;
    // An address type the module holds that the type list has no item for:
    // sent back as it came while the list shows none of its items.
    std::optional<uint8_t> m_readLayoutType;
    // The target address boxes hold what the module reported or what the
    // installer put there; until then their design text, which a write
    // would send over the module's own target (the refresh reads the
    // target only in transparent mode).
    bool m_targetGiven = false;
    // Likewise the values that the refresh reads only in one mode, or that
    // a refresh may not have read yet: each write of them is refused until
    // the module reported them or the installer put them there.
    bool m_restartGiven = false;
    bool m_passiveGiven = false;
    bool m_idleGiven = false;
    bool m_dataGiven = false;
    bool m_wakeModeGiven = false;
    QByteArray m_identityWritten;  // the address the identity write sent
    // Ends the time in which the answer of a read the read sequence gave up
    // on may still come (g::GprsReadLate).
    VbTimer* m_readLateOver = nullptr;
    VbTimer* m_passiveWait = nullptr;
    VbTimer* m_lateAnswers = nullptr;
    bool m_tabRedirect = false;
    qint64 m_rxCut = 0;  // data bytes gone from the middle of g::RxText
};
