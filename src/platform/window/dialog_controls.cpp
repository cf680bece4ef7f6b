#include "platform/window/dialog_controls.h"

#include <QFontMetrics>
#include <QVariant>
#include <QWidget>

namespace {
constexpr const char* kControlIdProperty = "controlId";
}

void SetControlId(QWidget* control, int id) {
    control->setProperty(kControlIdProperty, id);
}

QWidget* FindControl(const QWidget* dialog, int id) {
    for (QWidget* child : dialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child->property(kControlIdProperty).toInt() == id) {
            return child;
        }
    }
    return nullptr;
}

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    // The average width of the Latin letters, as dialog fonts are measured.
    static const QString kLetters =
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    baseX_ = (metrics.horizontalAdvance(kLetters) / 26 + 1) / 2;
    baseY_ = metrics.height();
}
