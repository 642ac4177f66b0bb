#include "ui/keywords/KeywordPropertiesDialog.h"

#include <QLineEdit>

namespace tamsenor {

KeywordPropertiesDialog::KeywordPropertiesDialog(
    Prompts& prompts, int recordNumber, const std::string& name, const std::string& position, QWidget* parent)
    : KeywordEntryDialog({ QStringLiteral("Keyword Property"), QStringLiteral("Label2"), QStringLiteral("KeyWord "),
                             QStringLiteral("Label4"), QStringLiteral("Position ") },
        prompts, parent)
    , recordNumber_(recordNumber)
{
    setObjectName(QStringLiteral("FrmProperty"));
    setAttribute(Qt::WA_DeleteOnClose);
    keywordBox()->setText(QString::fromLocal8Bit(name));
    positionBox()->setText(QString::fromLocal8Bit(position));
}

} // namespace tamsenor
