#pragma once

#include <QList>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <array>
#include <cstdint>
#include <optional>

#include "platform/FlexGrid.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class VbTimer;

// `Form1`, the phone-number picker of both programs: one box per number of
// the module's phone-number table; OK turns the ticks into the bit mask
// g::PhoneMask (bit i = number i + 1).
//
// It reads the numbers from the settings form's grid (`PhoneGrid`, which
// the opener hands over), polling until a table read has filled it. The
// opener presets g::PhoneMask and presses its table-read button; open()
// does the rest:
//
//     g::PhoneMask = ...;
//     NumberPicker::open(mainWindow, caption, grid, {maskBoxes...}, settingsForm);
//     <press the table-read button>
//
// At most one picker exists per owner; opening it again brings the open one
// forward with the new caption and waits for the fresh table.
class NumberPicker : public QWidget {
    Q_OBJECT
public:
    static constexpr int Numbers = 20;
    static constexpr int PollMs = 200;

    // A tool window of `owner` (not modal); deleted when it unloads.
    explicit NumberPicker(QWidget* owner = nullptr);
    ~NumberPicker() override;

    // Finds or creates the picker of `owner`, gives it the grid, the boxes
    // that take the mask on OK (Kestrun: TextDXPhone and TextBJPhone;
    // Varnel: none) and the window that gets the focus back on cancel, sets
    // the caption (left alone when empty), shows it and runs its load.
    static NumberPicker* open(QWidget* owner, const QString& caption, FlexGrid* phoneGrid,
                       const QList<QLineEdit*>& maskBoxes, QWidget* returnTo);
    // The open picker of `owner`, else nullptr.
    static NumberPicker* current(QWidget* owner);

    void setPhoneGrid(FlexGrid* grid) { m_phoneGrid = grid; }
    FlexGrid* phoneGrid() const { return m_phoneGrid.data(); }
    void setMaskBoxes(const QList<QLineEdit*>& boxes);
    void setReturnFocus(QWidget* w) { m_returnTo = w; }
    // The mask the boxes are ticked from when the table arrives, for an
    // opener that keeps its own (g::PhoneMask moves on under it while a
    // table is being read); without one, g::PhoneMask as it is then.
    void setStartMask(int64_t mask) { m_startMask = mask; }

    // The load: starts Timer1. Open() calls it.
    void load();

    // The mask of the ticked boxes.
    int64_t tickedMask() const;
    // What OK gives: the ticked boxes; with a start mask, also its bits that
    // no box showed from the table (the table has not come, or the mask
    // reaches past the numbers or the boxes), so that OK with nothing changed
    // gives the start mask back.
    int64_t chosenMask() const;

    std::array<QCheckBox*, Numbers> Check1{};
    QCheckBox* Check2 = nullptr;      // 全选
    QCheckBox* Check3 = nullptr;      // 不含管理员
    QPushButton* Command1 = nullptr;  // 确定
    QPushButton* Command2 = nullptr;  // 取消
    VbTimer* Timer1 = nullptr;

signals:
    // The picker labelled its boxes from the table.
    void tableShown(int numbers);
    // OK: the mask of the ticked boxes (also left in g::PhoneMask).
    void maskChosen(int64_t mask);

private:
    void onTimer1();
    void onCheck2();
    void onCheck3();
    void onOk();
    void onCancel();
    void unload();

    QPointer<FlexGrid> m_phoneGrid;
    QList<QPointer<QLineEdit>> m_maskBoxes;
    QPointer<QWidget> m_returnTo;
    std::optional<int64_t> m_startMask;
    // The bits whose boxes were ticked from the table.
    int64_t m_shown = 0;
    bool m_unloaded = false;
};
