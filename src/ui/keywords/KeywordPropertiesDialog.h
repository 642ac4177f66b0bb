#pragma once

#include "ui/keywords/KeywordEntryDialog.h"

namespace tamsenor {

// "Keyword Property": shows one keyword record and lets the user change it in
// place. It remembers the record number it was opened for and keeps editing
// that record. Not modal; it deletes itself when it closes.
class KeywordPropertiesDialog : public KeywordEntryDialog {
    Q_OBJECT
public:
    KeywordPropertiesDialog(Prompts& prompts, int recordNumber, const std::string& name, const std::string& position,
        QWidget* parent = nullptr);

    int recordNumber() const { return recordNumber_; }

private:
    int recordNumber_;
};

} // namespace tamsenor
