#pragma once

#include <QWidget>

class MainWindow;

// `frm7340COM`: the settings form of the SMS alarm module, a child window of
// the main window.
class Frm7340COM : public QWidget {
    Q_OBJECT
public:
    explicit Frm7340COM(MainWindow* main);

    MainWindow* mainWindow() const { return m_main; }

private:
    MainWindow* m_main;
};
