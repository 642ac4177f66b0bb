#include "ui/keywords/NewKeywordDialog.h"

namespace tamsenor {

NewKeywordDialog::NewKeywordDialog(Prompts& prompts, QWidget* parent)
    : KeywordEntryDialog({ QStringLiteral("Add New KeyWord"), QStringLiteral("Label1"), QStringLiteral("Keyword:"),
                             QStringLiteral("Label5"), QStringLiteral("Position") },
        prompts, parent)
{
    setObjectName(QStringLiteral("FrmAddNewKW"));
}

} // namespace tamsenor
