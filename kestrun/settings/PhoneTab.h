#pragma once

#include <QWidget>

class Frm7340COM;
class FlexGrid;
class QGroupBox;
class QPushButton;

// Tab 2, "    其他设置    ": the frame "号码表设置" with the phone-number
// table `Grid`.
class PhoneTab : public QWidget {
    Q_OBJECT
public:
    explicit PhoneTab(Frm7340COM* form);
    Frm7340COM* form() const { return m_form; }

    QGroupBox* frame = nullptr;  // "号码表设置"
    FlexGrid* Grid = nullptr;
    QPushButton* Command15 = nullptr;  // "移除号码"

private:
    Frm7340COM* m_form;
};
