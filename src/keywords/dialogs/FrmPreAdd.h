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
class FrmPreAdd : public QDialog {
    Q_OBJECT
public:
    enum class Source { NewKeyword, SavedFile };
    using OkFunction = std::function<void(Source)>;

    explicit FrmPreAdd(QWidget* parent = nullptr);

    void setOnOk(OkFunction onOk) { onOk_ = std::move(onOk); }

    Source source() const;
    void setSource(Source source);

    QPushButton* okButton() const { return command1_; }
    QPushButton* cancelButton() const { return command2_; }

private:
    void ok();

    OkFunction onOk_;
    QRadioButton* option1_;
    QRadioButton* option2_;
    QPushButton* command1_;
    QPushButton* command2_;
};

} // namespace tamsenor
