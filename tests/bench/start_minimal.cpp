// The yardstick for start-up and memory: the smallest Qt Widgets program
// with a main window, a menu bar and a status bar.
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>

#include "StartProbe.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    StartProbe::install();
    QMainWindow w;
    w.menuBar()->addMenu(QStringLiteral("File"));
    w.setCentralWidget(new QLabel(QStringLiteral("Hello")));
    w.statusBar()->showMessage(QStringLiteral("Ready"));
    w.show();
    return app.exec();
}
