#include "ui/keywords/NewKeywordDialog.h"
#include "ui/keywords/KeywordSourceDialog.h"
#include "ui/keywords/KeywordPropertiesDialog.h"
#include "support/ScriptedPrompts.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>

namespace tamsenor {
namespace {

using testing::ScriptedPrompts;

template <typename T> T* Child(QWidget& parent, const char* name)
{
    T* child = parent.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(nullptr, child) << name;
    return child;
}

TEST(NewKeywordDialog, HasItsControlsAndStartsEmpty)
{
    ScriptedPrompts prompts;
    NewKeywordDialog dialog(prompts);
    EXPECT_NE(nullptr, Child<QGroupBox>(dialog, "Frame1"));
    QLineEdit* keyword = Child<QLineEdit>(dialog, "TxtKeyWord");
    QLineEdit* position = Child<QLineEdit>(dialog, "TxtPosition");
    ASSERT_TRUE(keyword && position);
    EXPECT_EQ(QString(), keyword->text());
    EXPECT_EQ(QString(), position->text());
    EXPECT_FALSE(keyword->accessibleName().isEmpty());
    EXPECT_FALSE(position->accessibleName().isEmpty());
}

TEST(KeywordPropertiesDialog, ShowsTheRecordItWasOpenedFor)
{
    ScriptedPrompts prompts;
    KeywordPropertiesDialog dialog(prompts, 3,
        "Pr\xc3\xaf"
        "ce ",
        " 1, 2");
    EXPECT_EQ(QString::fromUtf8("Pr\xc3\xaf"
                                "ce "),
        Child<QLineEdit>(dialog, "TxtKeyWord")->text());
    EXPECT_EQ(QStringLiteral(" 1, 2"), Child<QLineEdit>(dialog, "TxtPosition")->text());
    EXPECT_EQ(3, dialog.recordNumber());
}

TEST(KeywordSourceDialog, OffersTheTwoSourcesWithNewKeywordSelected)
{
    KeywordSourceDialog dialog;
    QRadioButton* option2 = Child<QRadioButton>(dialog, "Option2");
    QRadioButton* option1 = Child<QRadioButton>(dialog, "Option1");
    ASSERT_TRUE(option1 && option2);
    EXPECT_TRUE(option2->isChecked());
    EXPECT_FALSE(option1->isChecked());

    option1->click();
    EXPECT_EQ(KeywordSourceDialog::Source::SavedFile, dialog.source());
    EXPECT_FALSE(option2->isChecked());
}

TEST(KeywordSourceDialog, OkHandsOverTheChoiceAndCancelDoesNot)
{
    struct Row {
        const char* name;
        bool chooseSavedFile;
        const char* button;
        std::optional<KeywordSourceDialog::Source> handed;
        int result;
    };
    const Row rows[] = {
        { "OK with the default", false, "Command1", KeywordSourceDialog::Source::NewKeyword, QDialog::Accepted },
        { "OK with the saved file", true, "Command1", KeywordSourceDialog::Source::SavedFile, QDialog::Accepted },
        { "Cancel", true, "Command2", std::nullopt, QDialog::Rejected },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        KeywordSourceDialog dialog;
        std::optional<KeywordSourceDialog::Source> handed;
        bool visibleWhenHanded = false;
        dialog.setOnOk([&](KeywordSourceDialog::Source source) {
            handed = source;
            visibleWhenHanded = dialog.isVisible();
        });
        dialog.show();
        if (row.chooseSavedFile)
            Child<QRadioButton>(dialog, "Option1")->click();
        Child<QPushButton>(dialog, row.button)->click();
        EXPECT_EQ(row.handed, handed);
        EXPECT_EQ(row.handed.has_value(), visibleWhenHanded);
        EXPECT_EQ(row.result, dialog.result());
        EXPECT_FALSE(dialog.isVisible());
    }
}

TEST(KeywordEntryDialog, RefusedEntryShowsItsMessageAndStaysOpen)
{
    struct Row {
        const char* name;
        QString keyword;
        QString position;
        QString message;
    };
    const QString format = QStringLiteral("The format of the positions' number is not correct!");
    const Row rows[] = {
        { "empty keyword", "", "1", "Please entry key word" },
        { "empty position", "k", "", "Please entry position numbers." },
        { "keyword of 101 characters", QString(101, QChar('k')), "1",
            "The keyword you 've entered is too big to be accepted" },
        { "keyword of 101 two-byte characters", QString(101, QChar(0xe9)), "1",
            "The keyword you 've entered is too big to be accepted" },
        { "position of 101 characters", "k", QString(100, QChar(' ')) + "1",
            "The positions you 've entered are too long to be accepted" },
        { "only spaces", "k", "   ", format },
        { "trailing comma", "k", "1,", format },
        { "out of range", "k", "1, 40000", format },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ScriptedPrompts prompts;
        NewKeywordDialog dialog(prompts);
        int stored = 0;
        dialog.setStore([&](const std::string&, const std::string&) { ++stored; });
        dialog.show();
        dialog.keywordBox()->setText(row.keyword);
        dialog.positionBox()->setText(row.position);
        dialog.okButton()->click();

        ASSERT_EQ(1u, prompts.asked.size());
        EXPECT_EQ(row.message, prompts.asked[0].text);
        EXPECT_EQ(Icon::Critical, prompts.asked[0].icon);
        EXPECT_EQ(Buttons::Ok, prompts.asked[0].buttons);
        EXPECT_EQ(QString(), prompts.asked[0].title);
        EXPECT_EQ(0, stored);
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(row.keyword, dialog.keywordBox()->text());
        EXPECT_EQ(row.position, dialog.positionBox()->text());
    }
}

TEST(KeywordEntryDialog, StoresTheTextsExactlyAsTypedAndCloses)
{
    struct Row {
        const char* name;
        QString keyword;
        std::string stored;
    };
    std::string accents;
    std::string smileys;
    for (int i = 0; i < 100; ++i) {
        accents += "\xc3\xa9";
        smileys += "\xf0\x9f\x99\x82";
    }
    const Row rows[] = {
        { "spaces and case kept",
            QString::fromUtf8("  Pr\xc3\xaf"
                              "ce Tag "),
            "  Pr\xc3\xaf"
            "ce Tag " },
        { "100 two-byte characters", QString::fromUtf8(accents), accents },
        { "100 characters beyond 16 bits (200 QChars)", QString::fromUtf8(smileys), smileys },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ScriptedPrompts prompts;
        NewKeywordDialog dialog(prompts);
        std::optional<std::pair<std::string, std::string>> stored;
        dialog.setStore([&](const std::string& name, const std::string& position) { stored.emplace(name, position); });
        dialog.show();
        dialog.keywordBox()->setText(row.keyword);
        dialog.positionBox()->setText(QStringLiteral(" 1, 2,  4 "));
        dialog.okButton()->click();

        EXPECT_TRUE(prompts.asked.empty());
        ASSERT_TRUE(stored.has_value());
        EXPECT_EQ(row.stored, stored->first);
        EXPECT_EQ(" 1, 2,  4 ", stored->second);
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(QDialog::Accepted, dialog.result());
    }
}

TEST(KeywordEntryDialog, CancelStoresNothing)
{
    ScriptedPrompts prompts;
    NewKeywordDialog dialog(prompts);
    int stored = 0;
    dialog.setStore([&](const std::string&, const std::string&) { ++stored; });
    dialog.show();
    dialog.keywordBox()->setText(QStringLiteral("k"));
    dialog.positionBox()->setText(QStringLiteral("1"));
    dialog.cancelButton()->click();
    EXPECT_EQ(0, stored);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(QDialog::Rejected, dialog.result());
}

} // namespace
} // namespace tamsenor
