// Probes of the two row editors on the real settings form against the
// simulated module: what the editors write while a transfer or another
// request of the form runs, and what an OK writes when nothing was changed.
// Each case states the sound behaviour; a failing case shows a fault.

#include <QCheckBox>
#include <QComboBox>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <cmath>

#include "TableRig.h"
#include "core/NumberPicker.h"
#include "platform/Controls.h"
#include "varnel/editors/ChannelEditor.h"
#include "varnel/editors/OutputFrameEditor.h"
#include "varnel/settings/ParamTab.h"
#include "varnel/settings/PhoneTab.h"

using namespace TableRig;

namespace {

QPoint cellCenter(FlexGrid* grid, int row, int col) {
    return grid->visualRect(grid->model()->index(row - 1, col)).center();
}

protocol::ChannelRecord channelWithMask(const QString& phones) {
    protocol::ChannelRecord c = goldenChannel();
    c[protocol::ChannelCol::Phones] = phones;
    return c;
}

ChannelEditor* openChannel(VarnelHarness& h, int row) {
    FlexGrid* grid = h.form()->inputTab->MSGrid2;
    grid->setRow(row);
    emit grid->gridDoubleClicked();
    ChannelEditor* ed = h.main().findChild<ChannelEditor*>();
    if (!ed || !QTest::qWaitFor([&] { return ed->loaded(); }, 5000)) return nullptr;
    return ed;
}

OutputFrameEditor* openOutput(VarnelHarness& h, int row, bool waitLoad = true) {
    FlexGrid* grid = h.form()->commandTab->MSGrid1;
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cellCenter(grid, row, 8));
    OutputFrameEditor* e = nullptr;
    if (!QTest::qWaitFor([&] { return (e = h.main().findChild<OutputFrameEditor*>()) && e->isVisible(); }, 3000))
        return nullptr;
    if (!waitLoad) return e;
    auto* timer = e->findChild<VbTimer*>(QStringLiteral("Timer1"));
    if (!timer || !QTest::qWaitFor([&] { return !timer->enabled() && !e->isLoading(); })) return nullptr;
    return e;
}

// The body (frame byte 13 on) the module stores for row `index`.
QByteArray storedBody(VarnelHarness& h, Tables::Table t, int index) {
    return h.module->tables.row(t, index).mid(2);
}

}  // namespace

class TestEditorProbes : public QObject {
    Q_OBJECT

private slots:
    // The channel editor is open while the input table is written: an OK
    // after its row has gone out changes the grid only. The write then says
    // "设置成功" for a table the module does not hold.
    void channelOkDuringTableWrite() {
        VarnelHarness h;
        QVERIFY(h.connectToForm());
        SettingsForm* f = h.form();
        f->SSTab1->setCurrentIndex(3);
        FlexGrid* grid = f->inputTab->MSGrid2;
        fillGrid(grid, 3, channelWithMask(QStringLiteral("FFFFFF(全部号码表)")));
        QPointer<ChannelEditor> ed = openChannel(h, 1);
        QVERIFY(ed);
        // Row 0 goes out more slowly than it is acknowledged at first.
        h.sim().queueFates({ModuleSim::Fate::late(1500)});
        QTest::mouseClick(f->inputTab->Command13, Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([&] { return !h.module->tables.row(Tables::Table::Input, 0).isEmpty(); }, 5000));
        ed->TxtBJReTime->setText(QStringLiteral("99"));
        QTest::mouseClick(ed->Command1[0], Qt::LeftButton);
        QVERIFY(waitIdle(f));
        const QString said = h.dialogs.lastText();
        const QByteArray sent = protocol::channelRowFrame(rowOf<31>(grid, 1), 0).frame.mid(13);
        // Sound: either the module holds what the grid shows, or the write
        // does not report success.
        QVERIFY2(said != QStringLiteral("设置成功") || storedBody(h, Tables::Table::Input, 0) == sent.left(254),
                 qPrintable(QStringLiteral("said %1; grid col 2 %2; module byte 13 %3")
                                .arg(said, grid->TextMatrix(1, 2))
                                .arg(uint8_t(storedBody(h, Tables::Table::Input, 0).at(0)))));
    }

    // The same with the output-frame editor and the command table.
    void outputOkDuringTableWrite() {
        VarnelHarness h;
        QVERIFY(h.connectToForm());
        SettingsForm* f = h.form();
        f->SSTab1->setCurrentWidget(f->commandTab);
        FlexGrid* grid = f->commandTab->MSGrid1;
        grid->setRows(1);
        for (int r = 1; r <= 3; ++r) putRow(grid, r, plainCommand(QStringLiteral("读%1").arg(r)));
        QPointer<OutputFrameEditor> ed = openOutput(h, 1);
        QVERIFY(ed);
        h.sim().queueFates({ModuleSim::Fate::late(1500)});
        QTest::mouseClick(f->commandTab->Command13, Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([&] { return !h.module->tables.row(Tables::Table::Command, 0).isEmpty(); }, 5000));
        ed->findChild<QLineEdit*>(QStringLiteral("TxtValStart"))->setText(QStringLiteral("9"));
        QTest::mouseClick(ed->findChild<QPushButton*>(QStringLiteral("Command1")), Qt::LeftButton);
        QVERIFY(waitIdle(f));
        const QString said = h.dialogs.lastText();
        const QByteArray sent = protocol::commandRowFrame(rowOf<10>(grid, 1), 0).frame.mid(13);
        QVERIFY2(said != QStringLiteral("设置成功") ||
                     storedBody(h, Tables::Table::Command, 0) == sent.left(126),
                 qPrintable(QStringLiteral("said %1; grid f4 %2; module byte 27 %3")
                                .arg(said, protocol::splitOutputFrame(grid->TextMatrix(1, 8))->at(4))
                                .arg(uint8_t(storedBody(h, Tables::Table::Command, 0).at(14)))));
    }

    // Opening a channel whose phones are chosen one by one asks the module
    // for its phone table; a phone-table write or clear whose
    // acknowledgement is still on its way must still be confirmed.
    void channelOpenDuringPhoneRequest_data() {
        QTest::addColumn<bool>("clear");
        QTest::newRow("write") << false;
        QTest::newRow("clear") << true;
    }
    void channelOpenDuringPhoneRequest() {
        QFETCH(bool, clear);
        VarnelHarness h;
        QVERIFY(h.connectToForm());
        SettingsForm* f = h.form();
        FlexGrid* phones = f->phoneTab->Grid;
        phones->setRows(3);
        phones->setTextMatrix(1, 1, "1");
        phones->setTextMatrix(1, 2, "13800000001");
        phones->setTextMatrix(2, 1, "2");
        phones->setTextMatrix(2, 2, "13800000002");
        h.module->phoneTable.setNumbers({"13800000001"});
        f->SSTab1->setCurrentIndex(3);
        FlexGrid* grid = f->inputTab->MSGrid2;
        fillGrid(grid, 2, channelWithMask(QStringLiteral("3(号码表自选)")));
        // The acknowledgement comes 1 s late.
        h.sim().queueFates({ModuleSim::Fate::late(1000)});
        Controls::runClick(clear ? f->phoneTab->Command24 : f->phoneTab->Command11);
        QPointer<ChannelEditor> ed = openChannel(h, 1);
        QVERIFY(ed);
        QTest::qWait(2500);
        QCOMPARE(clear ? h.module->phoneTable.clears : h.module->phoneTable.writes, 1);
        const QString ack = clear ? QStringLiteral("清空号码表成功") : QStringLiteral("电话号码表设置成功");
        QVERIFY2(h.dialogs.describe().contains(ack),
                 qPrintable(h.dialogs.describe() + QStringLiteral(" / phone grid rows %1, module holds %2")
                                                       .arg(phones->Rows() - 1)
                                                       .arg(h.module->phoneTable.count)));
    }

    // The parameter refresh holds the form's buttons; a channel opened
    // meanwhile still presses the phone-table read, and the refresh must
    // still fill every label.
    void channelOpenDuringRefresh() {
        VarnelHarness h;
        QVERIFY(h.connectToForm());
        SettingsForm* f = h.form();
        h.module->phoneTable.setNumbers({"13800000001", "13800000002"});
        f->SSTab1->setCurrentIndex(3);
        FlexGrid* grid = f->inputTab->MSGrid2;
        fillGrid(grid, 1, channelWithMask(QStringLiteral("3(号码表自选)")));
        const int from = int(h.sim().requests().size());
        Controls::runClick(f->paramTab->Command8);
        QTest::qWait(1300);
        QPointer<ChannelEditor> ed = openChannel(h, 1);
        QVERIFY(ed);
        QVERIFY(QTest::qWaitFor([&] { return f->paramTab->Command8->isEnabled(); }, 10000));
        QTest::qWait(700);
        QStringList sent = requestsFrom(h, from);
        for (QString& s : sent) s = s.mid(24, 5);
        QVERIFY2(f->paramTab->Label3->text() != QStringLiteral("* * * *") &&
                     f->paramTab->LabelFlash->text() != QStringLiteral("**") &&
                     f->paramTab->Label19->text() != QStringLiteral("* * * *"),
                 qPrintable(sent.join('|') + QStringLiteral(" / ") + h.dialogs.describe()));
        for (QPushButton* b : f->coveredButtons()) QVERIFY2(b->isEnabled(), qPrintable(b->objectName()));
    }

    // OK pressed before the editor has read its cell writes the opening
    // defaults over the command's output frame.
    void outputOkBeforeLoad() {
        VarnelHarness h;
        QVERIFY(h.connectToForm());
        SettingsForm* f = h.form();
        f->SSTab1->setCurrentWidget(f->commandTab);
        FlexGrid* grid = f->commandTab->MSGrid1;
        grid->setRows(1);
        putRow(grid, 1, plainCommand());
        const QString before = grid->TextMatrix(1, 8);
        QPointer<OutputFrameEditor> ed = openOutput(h, 1, false);
        QVERIFY(ed);
        QVERIFY(ed->findChild<VbTimer*>(QStringLiteral("Timer1"))->enabled());
        QTest::mouseClick(ed->findChild<QPushButton*>(QStringLiteral("Command1")), Qt::LeftButton);
        QTest::qWait(300);
        QCOMPARE(grid->TextMatrix(1, 8), before);
    }

    // The picker that a loaded channel opens has 20 boxes; its OK with
    // nothing changed drops what the module's 24-bit mask holds beyond them,
    // and, pressed before the table has come, the whole mask.
    void pickerOkKeepsTheMask_data() {
        QTest::addColumn<bool>("tableComes");
        QTest::newRow("after the table") << true;
        QTest::newRow("before the table") << false;
    }
    void pickerOkKeepsTheMask() {
        QFETCH(bool, tableComes);
        VarnelHarness h;
        QVERIFY(h.connectToForm());
        h.module->phoneTable.setNumbers({"13800000001", "13800000002"});
        h.module->phoneTable.answerReads = tableComes;
        SettingsForm* f = h.form();
        f->SSTab1->setCurrentIndex(3);
        FlexGrid* grid = f->inputTab->MSGrid2;
        const QString cell = tableComes ? QStringLiteral("F00003(号码表自选)") : QStringLiteral("3(号码表自选)");
        fillGrid(grid, 1, channelWithMask(cell));
        QPointer<ChannelEditor> ed = openChannel(h, 1);
        QVERIFY(ed);
        NumberPicker* picker = NumberPicker::current(ed);
        QVERIFY(picker);
        if (tableComes) {
            QSignalSpy shown(picker, &NumberPicker::tableShown);
            QVERIFY(shown.wait(5000) || shown.count() > 0);
        } else {
            QTest::qWait(500);
        }
        QTest::mouseClick(picker->Command1, Qt::LeftButton);
        QTest::mouseClick(ed->Command1[0], Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([&] { return !ed; }, 3000));
        QCOMPARE(grid->TextMatrix(1, protocol::ChannelCol::Phones), cell);
    }

    // A channel bound to another whose row still carries a collection
    // command (a row the module holds so, written from the table): opened
    // and confirmed unchanged, it must go out byte for byte.
    void boundChannelKeepsItsCommand() {
        VarnelHarness h;
        QVERIFY(h.connectToForm());
        SettingsForm* f = h.form();
        f->SSTab1->setCurrentIndex(3);
        FlexGrid* grid = f->inputTab->MSGrid2;
        protocol::ChannelRecord c = channelWithMask(QStringLiteral("FFFFFF(全部号码表)"));
        c[protocol::ChannelCol::HeadPos] = QStringLiteral("0");
        c[protocol::ChannelCol::Head] = QStringLiteral("81");
        fillGrid(grid, 3, c);
        const QByteArray before = protocol::channelRowFrame(rowOf<31>(grid, 3), 2).frame;
        QVERIFY(!before.isEmpty());
        QCOMPARE(uint8_t(before.at(40)), uint8_t(0x81));
        QCOMPARE(uint8_t(before.at(33)), uint8_t(4));  // FD FE 00 03
        QPointer<ChannelEditor> ed = openChannel(h, 3);
        QVERIFY(ed);
        QTest::mouseClick(ed->Command1[0], Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([&] { return !ed; }, 3000));
        QCOMPARE(SimSupport::hex(protocol::channelRowFrame(rowOf<31>(grid, 3), 2).frame),
                 SimSupport::hex(before));
    }

    // A sign byte shown in the character view goes out as that byte.
    void channelSignCharacterView_data() {
        QTest::addColumn<QString>("digits");
        for (const char* d : {"0D", "0A", "09", "20", "7F"}) QTest::newRow(d) << QString::fromLatin1(d);
    }
    void channelSignCharacterView() {
        QFETCH(QString, digits);
        VarnelHarness h;
        QVERIFY(h.connectToForm());
        SettingsForm* f = h.form();
        f->SSTab1->setCurrentIndex(3);
        FlexGrid* grid = f->inputTab->MSGrid2;
        protocol::ChannelRecord c = channelWithMask(QStringLiteral("FFFFFF(全部号码表)"));
        c[protocol::ChannelCol::PositiveSign] = digits;
        fillGrid(grid, 1, c);
        QPointer<ChannelEditor> ed = openChannel(h, 1);
        QVERIFY(ed);
        QTest::mouseClick(ed->Label32[1], Qt::LeftButton);
        QCOMPARE(ed->Label32[1]->text(), QStringLiteral("Asc"));
        QTest::mouseClick(ed->Command1[0], Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([&] { return !ed; }, 3000));
        QCOMPARE(grid->TextMatrix(1, protocol::ChannelCol::PositiveSign), digits);
    }

    // A sign that is a blank, in an ASCII row: a change of data format
    // converts the box into the new view and keeps the byte.
    void outputBlankSignAcrossFormatSwitch() {
        VarnelHarness h;
        QVERIFY(h.connectToForm());
        SettingsForm* f = h.form();
        f->SSTab1->setCurrentWidget(f->commandTab);
        FlexGrid* grid = f->commandTab->MSGrid1;
        grid->setRows(1);
        protocol::CommandRecord c = plainCommand();
        c[8] = QStringLiteral("自定义,ASCII码,4-3-2-1,整数,5,4,1,0,20( ),2D(-),无,1,Hex0,Asc2,,OK");
        putRow(grid, 1, c);
        QPointer<OutputFrameEditor> ed = openOutput(h, 1);
        QVERIFY(ed);
        auto* format = ed->findChild<QComboBox*>(QStringLiteral("ComboDataFormat"));
        format->setCurrentIndex(0);
        emit format->activated(0);
        QTest::mouseClick(ed->findChild<QPushButton*>(QStringLiteral("Command1")), Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([&] { return !ed; }, 3000));
        const auto fields = protocol::splitOutputFrame(grid->TextMatrix(1, 8));
        QVERIFY(fields);
        QCOMPARE(fields->at(protocol::OutputField::PositiveSign).left(2), QStringLiteral("20"));
        QCOMPARE(fields->at(protocol::OutputField::NegativeSign).left(2), QStringLiteral("2D"));
    }

    // A channel with chosen phones opened while the input table is read:
    // its phone-table read goes out in the middle of the transfer, which
    // must still read every row.
    void channelOpenDuringTableRead() {
        VarnelHarness h;
        QVERIFY(h.connectToForm());
        SettingsForm* f = h.form();
        h.module->phoneTable.setNumbers({"13800000001", "13800000002"});
        f->SSTab1->setCurrentIndex(3);
        FlexGrid* grid = f->inputTab->MSGrid2;
        const int n = 8;
        for (int i = 0; i < n; ++i) {
            protocol::ChannelRecord c = channelWithMask(QStringLiteral("3(号码表自选)"));
            c[2] = QString::number(i);
            h.module->tables.setRowBody(Tables::Table::Input, i, protocol::channelRowFrame(c, i).frame.mid(13));
        }
        QTest::mouseClick(f->inputTab->Command23, Qt::LeftButton);
        for (int k = 2; k <= 6; k += 2) {
            QVERIFY(QTest::qWaitFor([&] { return grid->Rows() > k; }, 20000));
            QPointer<ChannelEditor> ed = openChannel(h, k);
            QVERIFY(ed);
            QTest::mouseClick(ed->Command1[1], Qt::LeftButton);
            QVERIFY(QTest::qWaitFor([&] { return !ed; }, 3000));
        }
        QVERIFY(waitIdle(f));
        QVERIFY2(grid->Rows() == n + 1, qPrintable(QStringLiteral("%1 rows; %2").arg(grid->Rows() - 1).arg(h.dialogs.describe())));
    }

    // A limit OK accepts is one the row frame sends as the box shows it.
    void channelLimitAcceptedIsSent_data() {
        QTest::addColumn<QString>("decimals");
        QTest::addColumn<QString>("upper");
        QTest::newRow("1e12, no decimals") << "0" << "1e12";
        QTest::newRow("1e-7, six decimals") << "6" << "1e-7";
    }
    void channelLimitAcceptedIsSent() {
        QFETCH(QString, decimals);
        QFETCH(QString, upper);
        VarnelHarness h;
        QVERIFY(h.connectToForm());
        SettingsForm* f = h.form();
        f->SSTab1->setCurrentIndex(3);
        FlexGrid* grid = f->inputTab->MSGrid2;
        protocol::ChannelRecord c = channelWithMask(QStringLiteral("FFFFFF(全部号码表)"));
        c[protocol::ChannelCol::Decimals] = decimals;
        fillGrid(grid, 1, c);
        QPointer<ChannelEditor> ed = openChannel(h, 1);
        QVERIFY(ed);
        ed->TxtValUp->setText(upper);
        h.dialogs.clear();
        QTest::mouseClick(ed->Command1[0], Qt::LeftButton);
        if (h.dialogs.messageCount() > 0) return;  // refused: sound
        QVERIFY(QTest::qWaitFor([&] { return !ed; }, 3000));
        const protocol::RowWrite w = protocol::channelRowFrame(rowOf<31>(grid, 1), 0);
        QVERIFY2(!w.refused(), qPrintable(QStringLiteral("OK accepted %1, the table write refuses: %2")
                                              .arg(grid->TextMatrix(1, protocol::ChannelCol::UpperLimit), w.message)));
        const QByteArray b = w.frame.mid(43, 4);
        const int32_t sent = int32_t(uint8_t(b[0]) | uint8_t(b[1]) << 8 | uint8_t(b[2]) << 16 | uint32_t(uint8_t(b[3])) << 24);
        QVERIFY2(std::abs(sent - upper.toDouble() * std::pow(10.0, decimals.toInt())) < 0.5,
                 qPrintable(QStringLiteral("box %1, cell %2, module gets %3 (decimals %4)")
                                .arg(upper, grid->TextMatrix(1, protocol::ChannelCol::UpperLimit))
                                .arg(sent)
                                .arg(decimals)));
    }
};

QTEST_MAIN(TestEditorProbes)
#include "tst_editor_probes.moc"
