#pragma once

#include "engine/Prompts.h"

#include <QString>
#include <gtest/gtest.h>

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace tamsenor::testing {

// Answers every prompt from a script and records what was asked, so that a
// command can run in-process without a person. A prompt with no scripted
// answer fails the test and gets the cautious answer (Cancel / No / OK).
class ScriptedPrompts : public Prompts {
public:
    enum class Kind { Message, OpenFile, SaveFile, OutputDirectory };

    struct Record {
        Kind kind;
        QString text;   // message text
        QString title;  // as passed (empty = program title)
        Icon icon = Icon::None;
        Buttons buttons = Buttons::Ok;
        FileDialogSetup fileDialog; // file dialogs
    };

    // Scripting.
    ScriptedPrompts& answer(Answer a) { answers_.push_back(a); return *this; }
    ScriptedPrompts& file(std::optional<QString> path) { files_.push_back(std::move(path)); return *this; }
    ScriptedPrompts& directory(QString dir) { dirs_.push_back(std::move(dir)); return *this; }
    std::vector<Record> asked;

    std::vector<Record> messages() const
    {
        std::vector<Record> out;
        for (const auto& r : asked)
            if (r.kind == Kind::Message)
                out.push_back(r);
        return out;
    }
    std::vector<QString> messageTexts() const
    {
        std::vector<QString> out;
        for (const auto& r : asked)
            if (r.kind == Kind::Message)
                out.push_back(r.text);
        return out;
    }
    bool scriptUsedUp() const { return answers_.empty() && files_.empty() && dirs_.empty(); }

    Answer message(const QString& text, Icon icon, Buttons buttons, const QString& title = {}) override
    {
        asked.push_back({Kind::Message, text, title, icon, buttons, {}});
        if (buttons == Buttons::Ok)
            return Answer::Ok; // the only answer there is; never scripted
        if (answers_.empty()) {
            ADD_FAILURE() << "unscripted message: " << text.toStdString();
            return buttons == Buttons::YesNo ? Answer::No : (buttons == Buttons::OkCancel ? Answer::Cancel : Answer::Ok);
        }
        Answer a = answers_.front();
        answers_.pop_front();
        return a;
    }

    std::optional<QString> openFile(const FileDialogSetup& setup) override { return nextFile(Kind::OpenFile, setup); }
    std::optional<QString> saveFile(const FileDialogSetup& setup) override { return nextFile(Kind::SaveFile, setup); }

    QString chooseOutputDirectory() override
    {
        asked.push_back({Kind::OutputDirectory, {}, {}, Icon::None, Buttons::Ok, {}});
        if (dirs_.empty()) {
            ADD_FAILURE() << "unscripted output directory dialog";
            return {};
        }
        QString d = dirs_.front();
        dirs_.pop_front();
        return d;
    }

private:
    std::optional<QString> nextFile(Kind kind, const FileDialogSetup& setup)
    {
        asked.push_back({kind, {}, {}, Icon::None, Buttons::Ok, setup});
        if (files_.empty()) {
            ADD_FAILURE() << "unscripted file dialog";
            return std::nullopt;
        }
        // Copied out as a plain QString: g++ 12 misreads a copied optional<QString> as uninitialised.
        const bool chosen = files_.front().has_value();
        const QString path = chosen ? *files_.front() : QString();
        files_.pop_front();
        if (!chosen)
            return std::nullopt;
        return path;
    }

    std::deque<Answer> answers_;
    std::deque<std::optional<QString>> files_;
    std::deque<QString> dirs_;
};

} // namespace tamsenor::testing
