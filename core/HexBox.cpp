#include "HexBox.h"

#include <QLineEdit>

#include "core/Routines.h"
#include "platform/Controls.h"

namespace HexBox {

void key(int& k, Blanks blanks) {
    if (k == ' ' && blanks == Blanks::Kept) return;
    HexKeyFilter(k);
    // The key filter lets everything outside ASCII through for input
    // methods; none of it is a hex digit.
    if (k > 126) k = 0;
}

QString filtered(const QString& text, const std::function<void(int&)>& rule) {
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        int k = c.unicode();
        if (k == 8) continue;
        rule(k);
        if (k != 0 && k != 8) out += QChar(char16_t(k));
    }
    return out;
}

QString filtered(const QString& text, Blanks blanks) {
    return filtered(text, [blanks](int& k) { key(k, blanks); });
}

void attach(QLineEdit* box, Blanks blanks, std::function<bool()> applies,
            std::function<void(int&)> otherwise) {
    auto rule = [blanks, applies, otherwise](int& k) {
        if (!applies || applies())
            key(k, blanks);
        else if (otherwise)
            otherwise(k);
    };
    Controls::installKeyFilter(box, rule);
    // Text put in by the program passes the same rule.
    QObject::connect(box, &QLineEdit::textChanged, box, [box, rule] {
        const QString text = box->text();
        const QString kept = filtered(text, rule);
        if (kept != text) box->setText(kept);
    });
}

}  // namespace HexBox
