#include "ui/toolkit/CommandButton.h"

#include <QPushButton>

namespace tamsenor {

QPushButton* MakeCommandButton(QWidget* parent, const char* name, const QString& caption, const QString& tip)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    if (!tip.isEmpty()) {
        button->setToolTip(tip);
        button->setAccessibleDescription(tip);
    }
    return button;
}

} // namespace tamsenor
