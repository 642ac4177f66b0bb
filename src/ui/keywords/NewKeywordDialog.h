#pragma once

#include "ui/keywords/KeywordEntryDialog.h"

namespace tamsenor {

// "Add New KeyWord": both boxes start empty; the store function appends the
// entry as the last keyword.
class NewKeywordDialog : public KeywordEntryDialog {
    Q_OBJECT
public:
    explicit NewKeywordDialog(Prompts& prompts, QWidget* parent = nullptr);
};

} // namespace tamsenor
