#include "Frm7340COM.h"

#include "core/MainWindow.h"
#include "platform/Vb.h"

Frm7340COM::Frm7340COM(MainWindow* main) : QWidget(nullptr), m_main(main) {
    setObjectName(QStringLiteral("frm7340COM"));
    setWindowTitle(QStringLiteral("短信模块参数设置"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(Vb::twips(11800), Vb::twips(8180));
}
