// The two row editors on the real settings form against the simulated
// module: what their OK writes while the form writes a table or waits for a
// phone-table answer, and what it writes when nothing was changed.

#include <QComboBox>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>

#include "TableRig.h"
#include "core/NumberPicker.h"
#include "platform/Controls.h"
#include "varnel/editors/ChannelEditor.h"
#include "varnel/editors/OutputFrameEditor.h"
#include "varnel/settings/PhoneTab.h"

using namespace TableRig;

namespace {

protocol::ChannelRecord channelWithMask(const QString& phones) {
    protocol::ChannelRecord c = goldenChannel();
    c[protocol::ChannelCol::Phones] = phones;
    return c;
}

// The channel editor on `row` of an input table of `n` copies of `c`.
ChannelEditor* openChannel(VarnelHarness& h, int n, const protocol::ChannelRecord& c, int row = 1) {
    h.form()->SSTab1->setCurrentIndex(3);
    FlexGrid* grid = h.form()->inputTab->MSGrid2;
    fillGrid(grid, n, c);
    grid->setRow(row);
    emit grid->gridDoubleClicked();
    ChannelEditor* ed = h.main().findChild<ChannelEditor*>();
    return ed && QTest::qWaitFor([&] { return ed->loaded(); }, 5000) ? ed : nullptr;
}

// The output-frame editor on row 1 of the command table, loaded or not yet.
OutputFrameEditor* openOutput(VarnelHarness& h, bool waitLoad = true) {
    FlexGrid* grid = h.form()->commandTab->MSGrid1;
    h.form()->SSTab1->setCurrentWidget(h.form()->commandTab);
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {},
                       grid->visualRect(grid->model()->index(0, 8)).center());
    OutputFrameEditor* e = nullptr;
    if (!QTest::qWaitFor([&] { return (e = h.main().findChild<OutputFrameEditor*>()) && e->isVisible(); }, 3000))
        return nullptr;
    auto* timer = e->findChild<VbTimer*>(QStringLiteral("Timer1"));
    return !waitLoad || QTest::qWaitFor([&] { return !timer->enabled() && !e->isLoading(); }) ? e : nullptr;
}

QPushButton* outputOk(OutputFrameEditor* e) { return e->findChild<QPushButton*>(QStringLiteral("Command1")); }

}  // namespace

class TestRowEditorOk : public QObject {
    Q_OBJECT

private slots:
    // OK while the editor's table is being written: the module ends up
    // holding what the grid shows, or the write does not report success.
    // Once the write is over, OK writes the row.
    void okDuringTableWrite_data() {
        QTest::addColumn<bool>("command");
        QTest::newRow("channel") << false;
        QTest::newRow("output frame") << true;
    }
    void okDuringTableWrite() {
        QFETCH(bool, command);
        VarnelHarness h;
        QVERIFY(h.connectToForm());
        SettingsForm* f = h.form();
        FlexGrid* grid = command ? f->commandTab->MSGrid1 : f->inputTab->MSGrid2;
        QPointer<QWidget> ed;
        QLineEdit* box = nullptr;
        QPushButton* ok = nullptr;
        if (command) {
            grid->setRows(1);
            for (int r = 1; r <= 3; ++r) putRow(grid, r, plainCommand(QStringLiteral("读%1").arg(r)));
            OutputFrameEditor* e = openOutput(h);
            QVERIFY(e);
            ed = e;
            box = e->findChild<QLineEdit*>(QStringLiteral("TxtValStart"));
            ok = outputOk(e);
        } else {
            ChannelEditor* e = openChannel(h, 3, channelWithMask(QStringLiteral("FFFFFF(全部号码表)")));
            QVERIFY(e);
            ed = e;
            box = e->TxtBJReTime;
            ok = e->Command1[0];
        }
        const auto table = command ? Tables::Table::Command : Tables::Table::Input;
        h.sim().queueFates({ModuleSim::Fate::late(1500)});
        QTest::mouseClick(command ? f->commandTab->Command13 : f->inputTab->Command13, Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([&] { return !h.module->tables.row(table, 0).isEmpty(); }, 5000));
        box->setText(QStringLiteral("9"));
        QTest::mouseClick(ok, Qt::LeftButton);
        QVERIFY(waitIdle(f));
        const QByteArray shown = command ? protocol::commandRowFrame(rowOf<10>(grid, 1), 0).frame.mid(13, 126)
                                         : protocol::channelRowFrame(rowOf<31>(grid, 1), 0).frame.mid(13, 254);
        QVERIFY2(h.dialogs.lastText() != QStringLiteral("设置成功") ||
                     h.module->tables.row(table, 0).mid(2) == shown,
                 qPrintable(h.dialogs.describe()));
        QVERIFY(ed);
        QTest::mouseClick(ok, Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([&] { return !ed; }, 3000));
    }

    // A channel with chosen phones opened while a phone-table write or clear
    // awaits its answer: the late answer still confirms that request.
    void channelOpenDuringPhoneRequest_data() {
        QTest::addColumn<bool>("clear");
        QTest::newRow("write") << false;
        QTest::newRow("clear") << true;
    }
    void channelOpenDuringPhoneRequest() {
        QFETCH(bool, clear);
        VarnelHarness h;
        QVERIFY(h.connectToForm());
        PhoneTab* tab = h.form()->phoneTab;
        tab->Grid->setRows(2);
        tab->Grid->setTextMatrix(1, 1, "1");
        tab->Grid->setTextMatrix(1, 2, "13800000001");
        h.sim().queueFates({ModuleSim::Fate::late(1000)});
        Controls::runClick(clear ? tab->Command24 : tab->Command11);
        QVERIFY(openChannel(h, 2, channelWithMask(QStringLiteral("3(号码表自选)"))));
        const QString ack = clear ? QStringLiteral("清空号码表成功") : QStringLiteral("电话号码表设置成功");
        QVERIFY2(QTest::qWaitFor([&] { return h.dialogs.describe().contains(ack); }, 3000),
                 qPrintable(h.dialogs.describe()));
    }

    // The picker the loaded channel opens, confirmed unchanged, gives back
    // the 24-bit mask past its 20 boxes, and the mask whose table never came.
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
        const QString cell = tableComes ? QStringLiteral("F00003(号码表自选)") : QStringLiteral("3(号码表自选)");
        QPointer<ChannelEditor> ed = openChannel(h, 1, channelWithMask(cell));
        QVERIFY(ed);
        NumberPicker* picker = NumberPicker::current(ed);
        QVERIFY(picker);
        QSignalSpy shown(picker, &NumberPicker::tableShown);
        QCOMPARE(shown.wait(tableComes ? 5000 : 500) || shown.count() > 0, tableComes);
        QTest::mouseClick(picker->Command1, Qt::LeftButton);
        QTest::mouseClick(ed->Command1[0], Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([&] { return !ed; }, 3000));
        QCOMPARE(h.form()->inputTab->MSGrid2->TextMatrix(1, protocol::ChannelCol::Phones), cell);
    }

    // A bound channel whose row still carries a collection command goes out
    // byte for byte after an OK with nothing changed.
    void boundChannelKeepsItsCommand() {
        VarnelHarness h;
        QVERIFY(h.connectToForm());
        FlexGrid* grid = h.form()->inputTab->MSGrid2;
        protocol::ChannelRecord c = channelWithMask(QStringLiteral("FFFFFF(全部号码表)"));
        c[protocol::ChannelCol::HeadPos] = QStringLiteral("0");
        c[protocol::ChannelCol::Head] = QStringLiteral("81");
        QPointer<ChannelEditor> ed = openChannel(h, 3, c, 3);
        QVERIFY(ed);
        const QByteArray before = protocol::channelRowFrame(rowOf<31>(grid, 3), 2).frame;
        QCOMPARE(uint8_t(before.at(33)), uint8_t(4));  // the command's four bytes
        QTest::mouseClick(ed->Command1[0], Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([&] { return !ed; }, 3000));
        QCOMPARE(SimSupport::hex(protocol::channelRowFrame(rowOf<31>(grid, 3), 2).frame),
                 SimSupport::hex(before));
    }

    // The output-frame editor's OK before its load leaves the cell alone; a
    // blank sign survives a change of data format.
    void outputOkKeepsTheCell() {
        VarnelHarness h;
        QVERIFY(h.connectToForm());
        FlexGrid* grid = h.form()->commandTab->MSGrid1;
        grid->setRows(1);
        protocol::CommandRecord c = plainCommand();
        c[8] = QStringLiteral("自定义,ASCII码,4-3-2-1,整数,5,4,1,0,20( ),2D(-),无,1,Hex0,Asc2,,OK");
        putRow(grid, 1, c);
        QPointer<OutputFrameEditor> ed = openOutput(h, false);
        QVERIFY(ed && ed->findChild<VbTimer*>(QStringLiteral("Timer1"))->enabled());
        QTest::mouseClick(outputOk(ed), Qt::LeftButton);
        QCOMPARE(grid->TextMatrix(1, 8), c[8]);
        QVERIFY(QTest::qWaitFor([&] { return !ed->isLoading() && !ed->findChild<VbTimer*>(QStringLiteral("Timer1"))->enabled(); }));
        auto* format = ed->findChild<QComboBox*>(QStringLiteral("ComboDataFormat"));
        format->setCurrentIndex(0);
        emit format->activated(0);
        QTest::mouseClick(outputOk(ed), Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([&] { return !ed; }, 3000));
        const auto fields = protocol::splitOutputFrame(grid->TextMatrix(1, 8));
        QVERIFY(fields);
        QCOMPARE(fields->at(protocol::OutputField::PositiveSign).left(2), QStringLiteral("20"));
        QCOMPARE(fields->at(protocol::OutputField::NegativeSign).left(2), QStringLiteral("2D"));
    }
};

QTEST_MAIN(TestRowEditorOk)
#include "tst_row_editor_ok.moc"
