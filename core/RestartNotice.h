#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class MainWindow;
class VbTimer;

// `Form11`: the wait dialog of the older probe path, shown after a module
// restart while it initialises.
class RestartNotice : public QDialog {
    Q_OBJECT
public:
    explicit RestartNotice(MainWindow* main);

    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
    VbTimer* Timer1 = nullptr;

    int ticks() const { return m_ticks; }

private:
    void onTick();

    MainWindow* m_main;
    QString m_text;
    int m_ticks = 0;
};
