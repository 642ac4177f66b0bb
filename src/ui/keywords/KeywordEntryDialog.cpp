#include "ui/keywords/KeywordEntryDialog.h"

#include "ui/keywords/PositionSyntax.h"

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

void LayOutKeywordDialog(QDialog* dialog, QWidget* frame, QPushButton* ok, QPushButton* cancel)
{
    ok->setObjectName(QStringLiteral("Command1"));
    ok->setDefault(true);
    cancel->setObjectName(QStringLiteral("Command2"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(dialog);
    layout->addWidget(frame);
    layout->addLayout(buttons);
}

KeywordEntryDialog::KeywordEntryDialog(const Captions& captions, Prompts& prompts, QWidget* parent)
    : QDialog(parent)
    , prompts_(prompts)
    , frame_(new QGroupBox(this))
    , keywordBox_(new QLineEdit(frame_))
    , positionBox_(new QLineEdit(frame_))
    , okButton_(new QPushButton(QStringLiteral("OK"), this))
    , cancelButton_(new QPushButton(QStringLiteral("Cancel"), this))
{
    setWindowTitle(captions.window);

    frame_->setObjectName(QStringLiteral("Frame1"));
    frame_->setAccessibleName(QStringLiteral("Keyword entry"));

    auto* keywordLabel = new QLabel(captions.keywordLabel, frame_);
    keywordLabel->setObjectName(captions.keywordLabelName);
    keywordLabel->setBuddy(keywordBox_);
    keywordBox_->setObjectName(QStringLiteral("TxtKeyWord"));
    keywordBox_->setAccessibleName(QStringLiteral("Keyword"));

    auto* positionLabel = new QLabel(captions.positionLabel, frame_);
    positionLabel->setObjectName(captions.positionLabelName);
    positionLabel->setBuddy(positionBox_);
    positionBox_->setObjectName(QStringLiteral("TxtPosition"));
    positionBox_->setAccessibleName(QStringLiteral("Positions"));

    auto* hint = new QLabel(FormatHint, frame_);
    hint->setObjectName(QStringLiteral("Label7"));
    hint->setWordWrap(true);

    auto* grid = new QGridLayout(frame_);
    grid->addWidget(keywordLabel, 0, 0);
    grid->addWidget(keywordBox_, 0, 1);
    grid->addWidget(positionLabel, 1, 0);
    grid->addWidget(positionBox_, 1, 1);
    grid->addWidget(hint, 2, 0, 1, 2);

    LayOutKeywordDialog(this, frame_, okButton_, cancelButton_);

    connect(okButton_, &QPushButton::clicked, this, [this] { tryAccept(); });
    connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);
}

bool KeywordEntryDialog::tryAccept()
{
    // The checks measure what will be stored: the local 8-bit bytes.
    const std::string name = keywordBox_->text().toLocal8Bit().toStdString();
    const std::string position = positionBox_->text().toLocal8Bit().toStdString();
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
