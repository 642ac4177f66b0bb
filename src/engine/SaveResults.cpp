#include "engine/SaveResults.h"

#include "engine/LocalText.h"

#include <sys/stat.h>

namespace tamsenor {

QString messages::ReplaceQuestion(const QString& path)
{
    return QStringLiteral("The file ") + path + QStringLiteral(" already exists, do you want to replace it?");
}

QString messages::ResultsNotSaved(const QString& path, const std::string& reason)
{
    return QStringLiteral("The results could not be saved to '") + path + QStringLiteral("': ")
        + FromLocalBytes(reason);
}

namespace {

// Any entry of that name counts, a dangling link or a directory included.
bool NameTaken(const QString& path)
{
    struct stat info { };
    return ::lstat(LocalBytes(path).c_str(), &info) == 0;
}

} // namespace

void SaveResults(RunHost& host)
{
    Prompts& prompts = host.prompts();
    const std::shared_ptr<clsWF> results = host.state().ResultsTable;
    if (prompts.message(messages::SaveQuestion, Icon::None, Buttons::YesNo) != Answer::Yes)
        return;
    if (!results)
        return;

    FileDialogSetup dialog; // the window's CommonDialog1
    dialog.filter = TextFileFilter;
    dialog.filterIndex = 2;
    for (;;) {
        const std::optional<QString> chosen = prompts.saveFile(dialog);
        if (!chosen)
            return;
        const QString path = *chosen;
        host.globals().ResultsSavePath = path;
        if (NameTaken(path)
            && prompts.message(messages::ReplaceQuestion(path), Icon::None, Buttons::YesNo) != Answer::Yes)
            continue;

        const FileResult written = results->WriteToFile(LocalBytes(path), [&host] { host.yield(); });
        if (written.ok)
            return;
        prompts.message(messages::ResultsNotSaved(path, written.reason), Icon::Critical, Buttons::Ok);
    }
}

} // namespace tamsenor
