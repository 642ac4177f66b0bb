#include "keywords/dialogs/KeywordEntryDialog.h"

#include "keywords/dialogs/PositionSyntax.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tamsenor {

const QString KeywordEntryDialog::FormatHint
    = QStringLiteral("(For example, \"1, 2, 4, 6, 7, 10, ...\", please follow the entry format exactly)   ");

KeywordEntryDialog::KeywordEntryDialog(const Captions& captions, Prompts& prompts, QWidget* parent)
    : QDialog(parent)
    , prompts_(prompts)
    , frame1_(new QGroupBox(this))
    , txtKeyWord_(new QLineEdit(frame1_))
    , txtPosition_(new QLineEdit(frame1_))
    , command1_(new QPushButton(QStringLiteral("OK"), this))
    , command2_(new QPushButton(QStringLiteral("Cancel"), this))
{
    setWindowTitle(captions.window);

    frame1_->setObjectName(QStringLiteral("Frame1"));
    frame1_->setAccessibleName(QStringLiteral("Keyword entry"));

    auto* keywordLabel = new QLabel(captions.keywordLabel, frame1_);
    keywordLabel->setObjectName(captions.keywordLabelName);
    keywordLabel->setBuddy(txtKeyWord_);
    txtKeyWord_->setObjectName(QStringLiteral("TxtKeyWord"));
    txtKeyWord_->setAccessibleName(QStringLiteral("Keyword"));

    auto* positionLabel = new QLabel(captions.positionLabel, frame1_);
    positionLabel->setObjectName(captions.positionLabelName);
    positionLabel->setBuddy(txtPosition_);
    txtPosition_->setObjectName(QStringLiteral("TxtPosition"));
    txtPosition_->setAccessibleName(QStringLiteral("Positions"));

    auto* hint = new QLabel(FormatHint, frame1_);
    hint->setObjectName(QStringLiteral("Label7"));
    hint->setWordWrap(true);

    auto* grid = new QGridLayout(frame1_);
    grid->addWidget(keywordLabel, 0, 0);
    grid->addWidget(txtKeyWord_, 0, 1);
    grid->addWidget(positionLabel, 1, 0);
    grid->addWidget(txtPosition_, 1, 1);
    grid->addWidget(hint, 2, 0, 1, 2);

    command1_->setObjectName(QStringLiteral("Command1"));
    command1_->setDefault(true);
    command2_->setObjectName(QStringLiteral("Command2"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(command1_);
    buttons->addWidget(command2_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame1_);
    layout->addLayout(buttons);

    connect(command1_, &QPushButton::clicked, this, [this] { tryAccept(); });
    connect(command2_, &QPushButton::clicked, this, &QDialog::reject);
}

bool KeywordEntryDialog::tryAccept()
{
    // The checks measure what will be stored: the local 8-bit bytes.
    const std::string name = txtKeyWord_->text().toLocal8Bit().toStdString();
    const std::string position = txtPosition_->text().toLocal8Bit().toStdString();
    if (auto problem = CheckKeywordEntry(name, position)) {
        prompts_.message(QString::fromLatin1(EntryProblemMessage(*problem)), Icon::Critical, Buttons::Ok);
        return false;
    }
    if (store_)
        store_(name, position);
    accept();
    return true;
}

} // namespace tamsenor
