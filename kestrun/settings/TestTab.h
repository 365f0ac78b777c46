#pragma once

#include <QWidget>
#include <array>

class Frm7340COM;
class QPushButton;

// Tab 1, "    短信测试    ": the communication test console.
class TestTab : public QWidget {
    Q_OBJECT
public:
    explicit TestTab(Frm7340COM* form);
    Frm7340COM* form() const { return m_form; }

    // "读取短信", "发送状态", "发送短信", "复位".
    std::array<QPushButton*, 4> Command21{};

private:
    Frm7340COM* m_form;
};
