#include "ui/QtPrompts.h"

#include "ui/OutputFolderDialog.h"
#include "ui/WindowMemory.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace tamsenor {

QtPrompts::QtPrompts(QWidget* parent)
    : parent_(parent)
{
}

Answer QtPrompts::message(const QString& text, Icon icon, Buttons buttons, const QString& title)
{
    QMessageBox box(parent_);
    box.setWindowTitle(title.isEmpty() ? ProgramTitle : title);
    box.setText(text);
    box.setIcon(qtIcon(icon, buttons));
    switch (buttons) {
    case Buttons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case Buttons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setEscapeButton(QMessageBox::Cancel);
        break;
    case Buttons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    }
    box.exec();
    switch (box.standardButton(box.clickedButton())) {
    case QMessageBox::Ok:
        return Answer::Ok;
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        // Closed without a button: the cautious answer of the set.
        return buttons == Buttons::YesNo ? Answer::No : buttons == Buttons::OkCancel ? Answer::Cancel : Answer::Ok;
    }
}

QMessageBox::Icon QtPrompts::qtIcon(Icon icon, Buttons buttons)
{
    switch (icon) {
    case Icon::None:
        return buttons == Buttons::YesNo ? QMessageBox::Question : QMessageBox::NoIcon;
    case Icon::Information:
        return QMessageBox::Information;
    case Icon::Exclamation:
        return QMessageBox::Warning;
    case Icon::Critical:
        return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

QtPrompts::DialogStart QtPrompts::dialogStart(const QString& lastChosen, const QString& rememberedFolder)
{
    if (!rememberedFolder.isEmpty()
        && (lastChosen.isEmpty() || QFileInfo(lastChosen).absolutePath() != QDir(rememberedFolder).absolutePath()))
        return { rememberedFolder, {} };
    return { {}, lastChosen };
}

QString QtPrompts::proposedFile(const QString& folder, const QString& name)
{
    const QDir dir(folder);
    const qsizetype dot = name.lastIndexOf(u'.');
    const QString stem = dot > 0 ? name.left(dot) : name;
    const QString suffix = dot > 0 ? name.mid(dot) : QString();
    QString candidate = name;
    for (int n = 2; QFileInfo::exists(dir.filePath(candidate)) || QFileInfo(dir.filePath(candidate)).isSymLink(); ++n)
        candidate = stem + u'_' + QString::number(n) + suffix;
    return dir.filePath(candidate);
}

QStringList QtPrompts::qtNameFilters(const QString& filter)
{
    QStringList out;
    const QStringList parts = filter.split(u'|');
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (const QString& p : parts[i + 1].split(u';', Qt::SkipEmptyParts))
            patterns << (p.trimmed() == u"*.*" ? QStringLiteral("*") : p.trimmed());
        if (patterns.isEmpty())
            patterns << QStringLiteral("*");
        out << parts[i] + QStringLiteral(" (") + patterns.join(u' ') + u')';
    }
    return out;
}

std::optional<QString> QtPrompts::fileDialog(const FileDialogSetup& setup, bool save)
{
    QFileDialog dlg(parent_);
    dlg.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dlg.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // The commands ask their own question about replacing a file.
    dlg.setOption(QFileDialog::DontConfirmOverwrite, true);
    const QStringList filters = qtNameFilters(setup.filter);
    // Show each caption exactly as given; the appended patterns only drive matching.
    dlg.setOption(QFileDialog::HideNameFilterDetails);
    if (!filters.isEmpty()) {
        dlg.setNameFilters(filters);
        if (setup.filterIndex >= 1 && setup.filterIndex <= filters.size())
            dlg.selectNameFilter(filters[setup.filterIndex - 1]);
    }
    const QString remembered = memory_ ? memory_->folder(setup.kind) : QString();
    const DialogStart start = dialogStart(lastChosen_.value(setup.dialog), remembered);
    if (save && !setup.proposedName.isEmpty()) {
        QString folder = lastFolder_.value(static_cast<int>(setup.kind));
        if (folder.isEmpty())
            folder = remembered.isEmpty() ? QDir::currentPath() : remembered;
        dlg.setDirectory(folder);
        dlg.selectFile(proposedFile(folder, setup.proposedName));
    } else if (!start.folder.isEmpty())
        dlg.setDirectory(start.folder);
    else if (!start.file.isEmpty())
        dlg.selectFile(start.file);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return std::nullopt;
    const QString chosen = dlg.selectedFiles().first();
    lastChosen_.insert(setup.dialog, chosen);
    lastFolder_.insert(static_cast<int>(setup.kind), QFileInfo(chosen).absolutePath());
    if (memory_)
        memory_->setFolder(setup.kind, QFileInfo(chosen).absolutePath());
    return chosen;
}

std::optional<QString> QtPrompts::openFile(const FileDialogSetup& setup)
{
    return fileDialog(setup, false);
}

std::optional<QString> QtPrompts::saveFile(const FileDialogSetup& setup)
{
    return fileDialog(setup, true);
}

QString QtPrompts::chooseOutputDirectory()
{
    OutputFolderDialog dlg(*this, parent_);
    dlg.exec();
    return dlg.stripOutputDir();
}

} // namespace tamsenor
