#include "RowEditorGate.h"

#include <QString>

#include "platform/Dialogs.h"

namespace row_editor {

bool okMayWrite(QWidget* editor, bool loaded, bool tableBeingWritten) {
    if (!loaded) return false;
    if (!tableBeingWritten) return true;
    Dialogs::msgBox(editor, QStringLiteral("正在向模块写入此表，请等写入结束后再按确定"), QStringLiteral("提示"),
                    Dialogs::Icon::Information);
    return false;
}

}  // namespace row_editor
