#pragma once

#include <QList>
#include <QWidget>

#include "core/protocol/RowWrite.h"
#include "platform/ButtonLock.h"
#include "varnel/editors/ChannelEditorHost.h"
#include "varnel/editors/OutputFrameEditorHost.h"
#include "varnel/sms_parser/AnswerSink.h"
#include "varnel/sms_parser/TableAnswerSink.h"

class CommPort;
class FlexGrid;
class MainWindow;
class QGroupBox;
class QPushButton;
class QRadioButton;
class QTabWidget;
class VbTimer;
class ParamTab;
class ParamSenders;
class TestTab;
class PhoneTab;
class InputTableTab;
class CommandTableTab;
class TableFiles;
class TableTransfers;

// `frm7340COM`: Varnel's settings form of the QV7351 module, a child window
// of the main window. Five pages on SSTab1, each a class of its own holding
// its controls (public: the answers are applied to them); the form owns the
// timers, the enabled states saved around the timed sequences, the tab
// change and exit, and is what the editors and the answer receiver see of
// it.
class SettingsForm : public QWidget,
                     public ChannelEditorHost,
                     public OutputFrameEditorHost,
                     public AnswerSink,
                     public TableAnswerSink {
    Q_OBJECT
public:
    explicit SettingsForm(MainWindow* main);
    ~SettingsForm() override;

    MainWindow* mainWindow() const { return m_main; }
    CommPort* port() const;

    // Form_Load: position and size, the grids emptied to their headers,
    // the test buttons hidden, tab 0, the scroll boxes' texts, the command
    // table's lists, panel 1, DTR low.
    void load();

    // Saves the enabled state of the fourteen parameter buttons and
    // disables them (all but Command15) / puts the saved states back. A
    // Disable_Command while one is pending keeps what the first saved.
    void Disable_Command();
    void Enable_Command();
    QList<QPushButton*> coveredButtons() const;
    // The lock behind the two, which the test page's wait joins.
    ButtonLock& buttonLock() { return m_lock; }

    // The line went away: the first refresh is dropped, every running chain
    // ends through its own end and no answer is awaited any more.
    void lineLost();
    // A new connect reopened the port: as lineLost(), the test request
    // waiting to go out is given up, and the hand-over of an earlier
    // connect no longer gives the input to the answer parser in the middle
    // of this one's handshake.
    void connectStarting();

    // Starts Timer5: half a second later the answer parser takes the input.
    void startModuleDialogue();

    QTabWidget* SSTab1 = nullptr;
    ParamTab* paramTab = nullptr;           // tab 0
    TestTab* testTab = nullptr;             // tab 1
    PhoneTab* phoneTab = nullptr;           // tab 2
    InputTableTab* inputTab = nullptr;      // tab 3
    CommandTableTab* commandTab = nullptr;  // tab 4
    ParamSenders* senders = nullptr;        // the parameter page's requests
    TableFiles* tableFiles = nullptr;       // the grids' popup menu: tables to and from files
    // "设置模块型号": on no page.
    QGroupBox* Frame6 = nullptr;
    QRadioButton* Option3 = nullptr;
    QRadioButton* Option4 = nullptr;
    QPushButton* Command9 = nullptr;

    VbTimer* Timer1 = nullptr;  // work-mode write sequence
    VbTimer* Timer2 = nullptr;  // parameter refresh
    VbTimer* Timer3 = nullptr;  // power-saving write sequence
    VbTimer* Timer4 = nullptr;  // table transfers: retry and time-out
    VbTimer* Timer5 = nullptr;  // one shot: the answer parser takes the input
    VbTimer* Timer6 = nullptr;  // one shot: the first refresh
    VbTimer* rTimer = nullptr;  // SMS test receive display

    // --- the module tables (SettingsFormTables.cpp) ---------------------------
    // The row transfers; Timer4 is theirs.
    TableTransfers* transfers = nullptr;
    // Sends the input table's current row (A8 row write) and sets InTableOp
    // to 1. With the port closed only the connect dialog shows; a refused
    // row shows its message and sends nothing. True when the row was sent.
    bool SMSin();
    // The same for the SMS command table (A9): 1 sent, 0 not.
    int SMSout();
    // Row read requests (RecvMode 101 from then on); true when the input
    // table's went out.
    bool readSMSIn(int index);
    bool readSMSOut(int index);
    // The current rows' frames, or their refusals; nothing is shown or sent.
    protocol::RowWrite inputRowFrame();
    protocol::RowWrite commandRowFrame();
    // The port is open and no connect's handshake is under way: a request
    // sent during one would have its answer taken by the handshake, or
    // glued to the probe's answer hide it.
    bool portOpen();
    bool connectUnderWay() const;
    bool writeFrame(const QByteArray& frame);
    void showConnectDialog();
    // Clears a table in the module after the user confirmed it.
    void clearModuleTable(ModuleTable table);
    // The grids' enabled states: MSGrid2 waits for its channel editor and
    // for a write of its table, MSGrid1 for a write of its table.
    void updateGridLocks();
    // --- TableAnswerSink ----------------------------------------------------
    void tableRowAnswered(const TableRowAnswer& answer) override;
    void tableRowWriteAcknowledged(ModuleTable table, const QString& text) override;
    void tableClearAcknowledged(ModuleTable table, const QString& text) override;

    // --- ChannelEditorHost ------------------------------------------------
    FlexGrid* inGrid() override;
    FlexGrid* phoneGrid() override;
    QWidget* ownerWindow() override;
    void setInGridLocked(bool locked) override;
    void pressPhoneTableRead() override;
    bool inTableBeingWritten() override;
    void enableNewRowButton() override;
    void focusSettingsForm() override;
    // --- OutputFrameEditorHost --------------------------------------------
    FlexGrid* commandGrid() override;
    QWidget* editorOwner() override;
    bool commandTableBeingWritten() override;
    // --- AnswerSink (FormAnswers.cpp) -------------------------------------
    void moduleNotice(uint8_t status) override;
    void paramAnswer(const Answers::ParamAnswer& answer) override;
    void addressLayout(const AddressLayoutAnswer& answer) override;
    void flashSize(const QString& text) override;
    void phoneTableEmpty() override;
    void phoneTableCorrupt() override;
    void phoneTableRead(const QStringList& numbers) override;
    void phoneTableAck(PhoneTableAck ack) override;

    // With the port closed or a connect under way: shows the connect dialog
    // (without waiting for it) and answers false.
    bool portReady();
    // --- AnswerSink: collection settings (CollectionTab.cpp) --------------
    void collectionSettingsRead(const CollectionSettings::Answer& answer) override;
    void collectionWriteAcknowledged(bool ok) override;

signals:
    // After the tab-change handling for `index` has run.
    void tabHandled(int index);

private:
    bool chainTakesLists() const;
    void buildModelFrame();
    void buildTimers();
    void onTabChanged(int index);
    void onTimer5();
    void onTimer6();
    void exitForm();

    MainWindow* m_main;
    ButtonLock m_lock;
    bool m_channelEditorOpen = false;
};
