#include "engine/SaveWithReplace.h"

#include "files/LocalText.h"

#include <sys/stat.h>

namespace tamsenor {

namespace {

// Any entry of that name counts, a dangling link or a directory included:
// writing there unasked could lose it.
bool NameTaken(const QString& path)
{
    struct stat info { };
    return ::lstat(LocalBytes(path).c_str(), &info) == 0;
}

} // namespace

QString WithSuffix(const QString& path, const QString& suffix)
{
    const QString name = path.mid(path.lastIndexOf(u'/') + 1);
    if (suffix.isEmpty() || name.isEmpty() || name.lastIndexOf(u'.') > 0)
        return path;
    return path + u'.' + suffix;
}

QString messages::ReplaceQuestion(const QString& path)
{
    return QStringLiteral("The file ") + path + QStringLiteral(" already exists, do you want to replace it?");
}

SaveOutcome SaveWithReplaceQuestion(Prompts& prompts, const SaveSteps& steps)
{
    for (;;) {
        const std::optional<QString> chosen = prompts.saveFile(steps.dialog);
        if (!chosen)
            return SaveOutcome::Cancelled;
        const QString path = WithSuffix(*chosen, steps.dialog.suffix);
        if (steps.chosen)
            steps.chosen(path);
        if (steps.refusal) {
            if (const QString refused = steps.refusal(path); !refused.isEmpty()) {
                prompts.message(refused, Icon::Critical, Buttons::Ok);
                continue;
            }
        }
        if (steps.askBeforeReplacing && NameTaken(path)
            && prompts.message(messages::ReplaceQuestion(path), Icon::None, Buttons::YesNo) != Answer::Yes)
            continue;
        const FileResult written = steps.write(path);
        if (written.ok)
            return SaveOutcome::Saved;
        prompts.message(steps.notSaved(path, written.reason), Icon::Critical, Buttons::Ok);
    }
}

} // namespace tamsenor
