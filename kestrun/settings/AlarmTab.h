#pragma once

#include <QWidget>

class Frm7340COM;
class QGroupBox;

// Tab 3, "    报警设置    ": the frame "报警设置".
class AlarmTab : public QWidget {
    Q_OBJECT
public:
    explicit AlarmTab(Frm7340COM* form);
    Frm7340COM* form() const { return m_form; }

    QGroupBox* frame = nullptr;  // "报警设置"

private:
    Frm7340COM* m_form;
};
