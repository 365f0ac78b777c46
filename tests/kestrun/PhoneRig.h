#pragma once

// The settings form open on its phone-number tab, its port on the simulated
// module that keeps a phone table, the receiver in charge. The first
// parameter refresh is held back so that only the phone table talks.

#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

#include "KestrunHarness.h"
#include "kestrun/settings/PhoneTab.h"
#include "platform/FlexGrid.h"
#include "tools/SimPhoneTable.h"

struct PhoneRig {
    KestrunHarness h;
    SimPhoneTable table;
    SettingsForm* form = nullptr;
    PhoneTab* tab = nullptr;
    FlexGrid* grid = nullptr;

    // False when the form could not be brought up.
    bool start(bool openPort = true) {
        table.install(h.sim());
        form = h.showFormDirectly(2, openPort);
        if (!form) return false;
        tab = form->phoneTab;
        grid = tab->Grid;
        return true;
    }

    void click(QPushButton* b) { QTest::mouseClick(b, Qt::LeftButton); }

    void add(const QString& number) {
        tab->Text9->setText(number);
        click(tab->Command19);
    }

    // Rows 1.. as "text" of column 2.
    QStringList rows() const { return tab->numbers(); }
    QStringList indexColumn() const {
        QStringList out;
        for (int r = 1; r < grid->Rows(); ++r) out << grid->TextMatrix(r, 1);
        return out;
    }

    bool waitRows(int rows, int ms = 5000) {
        return QTest::qWaitFor([&] { return grid->Rows() == rows; }, ms);
    }
    bool waitIdle(int ms = 5000) {
        return QTest::qWaitFor([&] { return g::RxState == 0 && h.port().inBufferCount() == 0; }, ms);
    }
    // Requests of the phone table (code D9) so far.
    QList<QByteArray> phoneRequests() {
        QList<QByteArray> out;
        for (const auto& r : h.sim().requests())
            if (r.bytes.size() > 8 && uint8_t(r.bytes.at(8)) == 0xD9) out << r.bytes;
        return out;
    }
    bool waitPhoneRequests(int n, int ms = 5000) {
        return QTest::qWaitFor([&] { return phoneRequests().size() >= n; }, ms);
    }
};
