#include "keywords/dialogs/KeywordSourceDialog.h"

#include "keywords/dialogs/KeywordEntryDialog.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace tamsenor {

KeywordSourceDialog::KeywordSourceDialog(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("FrmPreAdd"));
    setWindowTitle(QStringLiteral("New keyWords"));

    auto* frame = new QGroupBox(QStringLiteral("Keywords's source"), this);
    frame->setObjectName(QStringLiteral("Frame1"));
    savedFileOption_ = new QRadioButton(QStringLiteral("New Keyword"), frame);
    savedFileOption_->setObjectName(QStringLiteral("Option2"));
    savedFileOption_->setChecked(true);
    newKeywordOption_ = new QRadioButton(QStringLiteral("Keywords from saved file"), frame);
    newKeywordOption_->setObjectName(QStringLiteral("Option1"));
    auto* options = new QVBoxLayout(frame);
    options->addWidget(savedFileOption_);
    options->addWidget(newKeywordOption_);

    okButton_ = new QPushButton(QStringLiteral("OK"), this);
    cancelButton_ = new QPushButton(QStringLiteral("Cancel"), this);
    LayOutKeywordDialog(this, frame, okButton_, cancelButton_);

    connect(okButton_, &QPushButton::clicked, this, &KeywordSourceDialog::ok);
    connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);
}

KeywordSourceDialog::Source KeywordSourceDialog::source() const
{
    return savedFileOption_->isChecked() ? Source::NewKeyword : Source::SavedFile;
}

void KeywordSourceDialog::setSource(Source source)
{
    (source == Source::NewKeyword ? savedFileOption_ : newKeywordOption_)->setChecked(true);
}

void KeywordSourceDialog::ok()
{
    if (onOk_)
        onOk_(source());
    accept();
}

} // namespace tamsenor
