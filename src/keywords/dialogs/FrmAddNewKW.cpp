#include "keywords/dialogs/FrmAddNewKW.h"

namespace tamsenor {

FrmAddNewKW::FrmAddNewKW(Prompts& prompts, QWidget* parent)
    : KeywordEntryDialog({ QStringLiteral("Add New KeyWord"), QStringLiteral("Label1"), QStringLiteral("Keyword:"),
                             QStringLiteral("Label5"), QStringLiteral("Position") },
        prompts, parent)
{
    setObjectName(QStringLiteral("FrmAddNewKW"));
}

} // namespace tamsenor
