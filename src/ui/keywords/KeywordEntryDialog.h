#pragma once

#include "engine/Prompts.h"

#include <QDialog>

#include <functional>
#include <string>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tamsenor {

// What the two keyword entry dialogs share: a keyword box, a position box, the
// format hint, OK and Cancel. OK runs the entry checks, shows the first failing
// check's message and stays open, or hands the texts (local 8-bit bytes,
// exactly as typed) to the store function and closes.
class KeywordEntryDialog : public QDialog {
    Q_OBJECT
public:
    using StoreFunction = std::function<void(const std::string& name, const std::string& position)>;

    struct Captions {
        QString window;
        QString keywordLabelName; // objectName of the label before TxtKeyWord
        QString keywordLabel;
        QString positionLabelName;
        QString positionLabel;
    };

    KeywordEntryDialog(const Captions& captions, Prompts& prompts, QWidget* parent);

    void setStore(StoreFunction store) { store_ = std::move(store); }

    // What OK (Command1) does; true when the entry was stored and the dialog closed.
    bool tryAccept();

    QLineEdit* keywordBox() const { return keywordBox_; }
    QLineEdit* positionBox() const { return positionBox_; }
    QPushButton* okButton() const { return okButton_; }
    QPushButton* cancelButton() const { return cancelButton_; }

    static const QString FormatHint;

private:
    Prompts& prompts_;
    StoreFunction store_;
    QGroupBox* frame_;
    QLineEdit* keywordBox_;
    QLineEdit* positionBox_;
    QPushButton* okButton_;
    QPushButton* cancelButton_;
};

// The keyword dialogs' shape: `frame` above, OK (the default, "Command1") and
// Cancel ("Command2") to the right below it.
void LayOutKeywordDialog(QDialog* dialog, QWidget* frame, QPushButton* ok, QPushButton* cancel);

} // namespace tamsenor
