#pragma once

#include <QDialog>

#include <functional>

class QPushButton;
class QRadioButton;

namespace tamsenor {

// "New keyWords": asks where new keywords come from. OK hands the choice to
// the function the New command set and closes when it returns, so that the
// dialog stays behind whatever the choice opens; Cancel closes and changes
// nothing.
class KeywordSourceDialog : public QDialog {
    Q_OBJECT
public:
    enum class Source { NewKeyword, SavedFile };
    using OkFunction = std::function<void(Source)>;

    explicit KeywordSourceDialog(QWidget* parent = nullptr);

    void setOnOk(OkFunction onOk) { onOk_ = std::move(onOk); }

    Source source() const;
    void setSource(Source source);

    QPushButton* okButton() const { return okButton_; }
    QPushButton* cancelButton() const { return cancelButton_; }

private:
    void ok();

    OkFunction onOk_;
    QRadioButton* savedFileOption_;
    QRadioButton* newKeywordOption_;
    QPushButton* okButton_;
    QPushButton* cancelButton_;
};

} // namespace tamsenor
