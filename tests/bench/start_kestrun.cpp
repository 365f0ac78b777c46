// Kestrun's start-up as its main() runs it, up to the main window shown.
#include "StartProbe.h"
#include "core/MainWindow.h"
#include "kestrun/KestrunForms.h"
#include "platform/Dialogs.h"
#include "platform/Vb.h"
#include "platform/text/TextCodec.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    StartProbe::install();
    Vb::setAppVersion(4, 2);
    if (!TextCodec::gbkAvailable()) return 1;
    auto kestrun = createKestrun();
    kestrun->main->show();
    return app.exec();
}
