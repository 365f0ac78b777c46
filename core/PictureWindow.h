#pragma once

#include <QWidget>

class QLabel;
class MainWindow;

// `frmMain`: the picture window inside the main window; clicking its
// caption label opens the connect dialog.
class PictureWindow : public QWidget {
    Q_OBJECT
public:
    explicit PictureWindow(MainWindow* main);
    ~PictureWindow() override;

    QLabel* Image1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3[3] = {};

    void label2Click();

protected:
    bool eventFilter(QObject* o, QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    MainWindow* m_main;
};
