#include "keywords/dialogs/FrmPreAdd.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace tamsenor {

FrmPreAdd::FrmPreAdd(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("FrmPreAdd"));
    setWindowTitle(QStringLiteral("New keyWords"));

    auto* frame = new QGroupBox(QStringLiteral("Keywords's source"), this);
    frame->setObjectName(QStringLiteral("Frame1"));
    option2_ = new QRadioButton(QStringLiteral("New Keyword"), frame);
    option2_->setObjectName(QStringLiteral("Option2"));
    option2_->setChecked(true);
    option1_ = new QRadioButton(QStringLiteral("Keywords from saved file"), frame);
    option1_->setObjectName(QStringLiteral("Option1"));
    auto* options = new QVBoxLayout(frame);
    options->addWidget(option2_);
    options->addWidget(option1_);

    command1_ = new QPushButton(QStringLiteral("OK"), this);
    command1_->setObjectName(QStringLiteral("Command1"));
    command1_->setDefault(true);
    command2_ = new QPushButton(QStringLiteral("Cancel"), this);
    command2_->setObjectName(QStringLiteral("Command2"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(command1_);
    buttons->addWidget(command2_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addLayout(buttons);

    connect(command1_, &QPushButton::clicked, this, &FrmPreAdd::ok);
    connect(command2_, &QPushButton::clicked, this, &QDialog::reject);
}

FrmPreAdd::Source FrmPreAdd::source() const
{
    return option2_->isChecked() ? Source::NewKeyword : Source::SavedFile;
}

void FrmPreAdd::setSource(Source source)
{
    (source == Source::NewKeyword ? option2_ : option1_)->setChecked(true);
}

void FrmPreAdd::ok()
{
    if (onOk_)
        onOk_(source());
    accept();
}

} // namespace tamsenor
