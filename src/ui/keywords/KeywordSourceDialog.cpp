#include "ui/keywords/KeywordSourceDialog.h"

#include "ui/keywords/KeywordEntryDialog.h"

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
    newKeywordOption_ = new QRadioButton(QStringLiteral("New Keyword"), frame);
    newKeywordOption_->setObjectName(QStringLiteral("Option2"));
    newKeywordOption_->setChecked(true);
    savedFileOption_ = new QRadioButton(QStringLiteral("Keywords from saved file"), frame);
    savedFileOption_->setObjectName(QStringLiteral("Option1"));
    auto* options = new QVBoxLayout(frame);
    options->addWidget(newKeywordOption_);
    options->addWidget(savedFileOption_);

    okButton_ = new QPushButton(QStringLiteral("OK"), this);
    cancelButton_ = new QPushButton(QStringLiteral("Cancel"), this);
    LayOutKeywordDialog(this, frame, okButton_, cancelButton_);

    connect(okButton_, &QPushButton::clicked, this, &KeywordSourceDialog::ok);
    connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);
}

KeywordSourceDialog::Source KeywordSourceDialog::source() const
{
    return newKeywordOption_->isChecked() ? Source::NewKeyword : Source::SavedFile;
}

void KeywordSourceDialog::setSource(Source source)
{
    (source == Source::NewKeyword ? newKeywordOption_ : savedFileOption_)->setChecked(true);
}

void KeywordSourceDialog::ok()
{
    if (onOk_)
        onOk_(source());
    accept();
}

} // namespace tamsenor
