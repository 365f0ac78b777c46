#pragma once

#include <QWidget>

class Frm7340COM;
class QGroupBox;

// Tab 4, "    输出控制    ": the frame "输出控制".
class OutputTab : public QWidget {
    Q_OBJECT
public:
    explicit OutputTab(Frm7340COM* form);
    Frm7340COM* form() const { return m_form; }

    QGroupBox* frame = nullptr;  // "输出控制"

private:
    Frm7340COM* m_form;
};
