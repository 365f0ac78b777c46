// Every box of the output-frame editor, whatever way a text reaches it
// (typed, pasted, dropped, loaded, or carried over by a view or data-format
// switch): OK either refuses with a message, leaving the box and the cell as
// they were, or writes a record whose row frame carries the bytes the box
// shows under its caption.

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QtTest>

#include "BoxInput.h"
#include "CommandGridHost.h"
#include "DialogRecorder.h"
#include "Find.h"
#include "OutputFrameEditor.h"
#include "platform/VbTimer.h"
#include "platform/text/TextCodec.h"

namespace {

// The same record with the signs, head and tail in the hex view or in the
// character view.
const QString kBase[2] = {
    QStringLiteral("自定义,16进制,1-2-3-4,整数,7,3,2,0,2B(+),2D(-),无,1,Hex2,Hex1,01 02 ,03 "),
    QStringLiteral("自定义,ASCII码,4-3-2-1,原值输出,7,3,2,0,2B(+),2D(-),无,1,Asc2,Asc1,AB,C")};

enum Kind { Number, Sign, Frame };
const struct Box {
    const char* name;
    Kind kind;
    int index;  // frame byte of a number; sign 1 positive, 0 negative; frame 0 head, 1 tail
    int view;   // 0 hex, 1 characters
} kBoxes[] = {{"TxtValStart", Number, 27, 0}, {"TxtValBytes", Number, 28, 0}, {"TxtValPoint", Number, 29, 0},
              {"TxtCheckNum", Number, 34, 0}, {"TxtPsflg", Sign, 1, 0},       {"TxtPsflg", Sign, 1, 1},
              {"TxtNsflg", Sign, 0, 0},       {"TxtNsflg", Sign, 0, 1},       {"TxtDataHead", Frame, 0, 0},
              {"TxtDataHead1", Frame, 0, 1},  {"TxtDataWei", Frame, 1, 0},    {"TxtDataWei1", Frame, 1, 1}};
const char* kFrameBoxes[2][2] = {{"TxtDataHead", "TxtDataHead1"}, {"TxtDataWei", "TxtDataWei1"}};

// clang-format off
const QStringList kHostile = {
    "0d 0a", "2b", "ab", "GZ", "1G", "", " ", "0 1", " 5 ", "01\n02", "5\r\n", "1,2", ",", "|;()", "\t", "中",
    "啊A", "😀", "é", "，", QStringLiteral("01 ").repeated(60), QString(60, 'A'), "256", "300", "-1", "2.5",
    "99999999999", "12", "１", "01 0", "7F", "01", "5字节"};
// clang-format on

bool matches(const char* pattern, const QString& text) {
    return QRegularExpression(QString::fromUtf8(pattern)).match(text).hasMatch();
}

// Code page 936, "，" standing for the byte 2C as in the record's heads.
std::optional<QByteArray> characterBytes(QString text) {
    bool ok = false;
    const QByteArray b = TextCodec::toGbk(text.replace(QChar(0xFF0C), QLatin1Char(',')), &ok);
    return ok ? std::optional(b) : std::nullopt;
}

}  // namespace

class TestOutputFrameBoxes : public QObject {
    Q_OBJECT

    std::unique_ptr<CommandGridHost> host;
    QPointer<OutputFrameEditor> form;

    template <class T = QLineEdit>
    T* ctl(const QString& name) {
        return findNamed<T>(form, name);
    }
    QString cell() { return host->grid->TextMatrix(1, 8); }

    // The box that shows now for the box under test, and its view.
    QLineEdit* shownBox(const Box& b, bool& asc) {
        asc = b.kind == Sign    ? ctl<QLabel>(QStringLiteral("Label32(%1)").arg(b.index))->text() == "Asc"
              : b.kind == Frame ? ctl<QLabel>(QStringLiteral("Label3(%1)").arg(b.index))->text() != "Hex"
                                : false;
        return ctl(QString::fromUtf8(b.kind == Frame ? kFrameBoxes[b.index][asc] : b.name));
    }

    // The bytes a box stands for as it shows; nullopt when nothing is what
    // it shows (OK must refuse).
    std::optional<QByteArray> shownBytes(const Box& b) {
        bool asc = false;
        const QString text = shownBox(b, asc)->text(), digits = QString(text).remove(' ');
        const int number = QString(digits).remove("字节").toInt();
        if (b.kind == Number)
            return matches(b.index == 34 ? "^ *[0-9]{1,3} *(字节)? *$" : "^ *[0-9]{1,3} *$", text) &&
                           number < 256
                       ? std::optional(QByteArray(1, char(number)))
                       : std::nullopt;
        if (b.kind == Sign && !asc)
            return matches("^[0-9A-Fa-f]{0,2}$", digits)
                       ? std::optional(QByteArray(1, char(digits.toInt(nullptr, 16))))
                       : std::nullopt;
        if (b.kind == Sign)
            return text.isEmpty() ? std::optional(QByteArray(1, '\0'))
                   : text.size() == 1 && text != "，" && characterBytes(text).value_or("").size() == 1
                       ? characterBytes(text)
                       : std::nullopt;
        if (asc) return characterBytes(text);
        return matches("^([0-9A-Fa-f]{2})*$", digits) ? std::optional(QByteArray::fromHex(digits.toLatin1()))
                                                      : std::nullopt;
    }

    static QByteArray sentBytes(const QByteArray& f, const Box& b) {
        const int h = f[35] & 0x7F, t = f[36] & 0x7F;
        if (b.kind == Number) return f.mid(b.index, 1);
        if (b.kind == Sign) return f.mid(32 - b.index, 1);
        return b.index == 0 ? f.mid(39, h) : f.mid(39 + h, t);
    }

    // One text by one way (BoxInput's, or 4: loaded in the other view and
    // switched over) into one box; "" when the rule held.
    QString check(const Box& b, const QString& text, int way) {
        DialogRecorder dialogs;  // questions answered OK
        host->grid->setTextMatrix(1, 8, kBase[way == 4 ? 1 - b.view : b.view]);
        form = new OutputFrameEditor(*host);
        form->show();
        emit form->findChild<VbTimer*>("Timer1")->tick();  // loaded at once
        if (way < 4) {
            BoxInput::put(ctl(QString::fromUtf8(b.name)), text, BoxInput::kWays[size_t(way)]);
        } else if (b.kind == Sign) {
            BoxInput::put(ctl(QString::fromUtf8(b.name)), text, BoxInput::Way::Loaded);
            CommandGridHost::choose(ctl<QComboBox>("ComboDataFormat"), b.view);
        } else {
            BoxInput::put(ctl(QString::fromUtf8(kFrameBoxes[b.index][1 - b.view])), text,
                          BoxInput::Way::Loaded);
            QTest::mouseClick(ctl<QLabel>(QStringLiteral("Label3(%1)").arg(b.index)), Qt::LeftButton);
        }
        bool asc = false;
        const QString shown = shownBox(b, asc)->text(), before = cell();
        const auto expected = shownBytes(b);
        dialogs.clear();
        QTest::mouseClick(ctl<QPushButton>("Command1"), Qt::LeftButton);
        QString fault;
        if (form->isVisible()) {
            if (!dialogs.messageCount() || cell() != before || shownBox(b, asc)->text() != shown)
                fault = "refused without a word, or not as it was";
        } else {
            protocol::CommandRecord row;
            row[8] = cell();
            const protocol::RowWrite w = protocol::commandRowFrame(row, 0);
            if (w.refused())
                fault = w.message + " for " + cell();
            else if (!expected || sentBytes(w.frame, b) != *expected)
                fault = "sent " + sentBytes(w.frame, b).toHex(' ') + " as " + cell();
        }
        delete form;
        return fault.isEmpty()
                   ? fault
                   : QStringLiteral("%1 %2 \"%3\" showing \"%4\": %5")
                         .arg(b.name, way == 4 ? "switched" : BoxInput::name(BoxInput::kWays[size_t(way)]),
                              text, shown, fault);
    }

private slots:
    void init() { host = std::make_unique<CommandGridHost>(1); }
    void cleanup() {
        delete form;
        host.reset();
    }

    void everyBoxSendsWhatItShows_data() {
        QTest::addColumn<int>("box");
        for (int i = 0; i < int(std::size(kBoxes)); ++i)
            QTest::addRow("%s %s", kBoxes[i].name, kBoxes[i].view ? "Asc" : "Hex") << i;
    }
    void everyBoxSendsWhatItShows() {
        QFETCH(int, box);
        const Box& b = kBoxes[box];
        QStringList faults;
        for (const QString& text : kHostile)
            for (int way = 0; way < (b.kind == Number ? 4 : 5); ++way)
                if (const QString f = check(b, text, way); !f.isEmpty()) faults << f;
        QVERIFY2(faults.isEmpty(), qPrintable(faults.mid(0, 20).join('\n')));
    }
};

QTEST_MAIN(TestOutputFrameBoxes)
#include "tst_output_frame_boxes.moc"
