#include <QApplication>

#include "core/MainWindow.h"
#include "kestrun/KestrunForms.h"
#include "platform/text/TextCodec.h"
#include "platform/Dialogs.h"
#include "platform/Vb.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    Vb::setAppVersion(APP_VERSION_MAJOR, APP_VERSION_MINOR);
    if (!TextCodec::gbkAvailable()) {
        Dialogs::msgBox(nullptr, QStringLiteral("本机缺少 GBK 文字编码支持，程序无法运行"), QStringLiteral("Kestrun"),
                        Dialogs::Icon::Critical);
        return 1;
    }
    auto kestrun = createKestrun();
    kestrun->main->show();
    return app.exec();
}
