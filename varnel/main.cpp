#include <QApplication>

#include "core/MainWindow.h"
#include "platform/Dialogs.h"
#include "platform/Vb.h"
#include "platform/text/TextCodec.h"
#include "varnel/VarnelForms.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    Vb::setAppVersion(APP_VERSION_MAJOR, APP_VERSION_MINOR);
    if (!TextCodec::gbkAvailable()) {
        Dialogs::msgBox(nullptr, QStringLiteral("本机缺少 GBK 文字编码支持，程序无法运行"),
                        QStringLiteral("Varnel"), Dialogs::Icon::Critical);
        return 1;
    }
    auto varnel = createVarnel();
    varnel->main->show();
    return app.exec();
}
