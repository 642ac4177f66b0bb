#pragma once

#include <QString>

#include <optional>

namespace tamsenor {

enum class Icon { None, Information, Exclamation, Critical };
enum class Buttons { Ok, OkCancel, YesNo };
enum class Answer { Ok, Cancel, Yes, No };

// The program's title; a message box without a title of its own carries it.
inline const QString ProgramTitle = QStringLiteral("Tamsenor");

// What kind of file a dialog asks for, so that a window may start each kind
// in its own folder.
enum class FileKind { Other, Keywords, Results };

// A file dialog's set-up: the filter list as alternating captions and patterns
// separated by "|", and the preselected entry counted from 1.
struct FileDialogSetup {
    QString filter;
    int filterIndex = 1;
    // Which dialog control asks ("" = the main window's CommonDialog1); each
    // control offers the name chosen at its own previous use.
    QString dialog;
    FileKind kind = FileKind::Other;
    // When set, a save dialog offers this name (or, when it is taken, the
    // name with _2, _3, ...) in the folder of the last file of its kind,
    // in place of the control's previous name.
    QString proposedName;
    // When set, added (after a dot) to a chosen name that has no suffix.
    QString suffix;
};

// The keyword and results file dialogs' filter.
inline const QString TextFileFilter = QStringLiteral("All Files(*.*)|*.*|Text Files(*.txt)|*.txt");

// Every message box, file dialog and the output-directory dialog of the program
// goes through this interface. The window implements it with Qt; tests answer
// from a script and record what was asked.
class Prompts {
public:
    virtual ~Prompts() = default;

    // A modal message box; an empty title means the program's title.
    virtual Answer message(const QString& text, Icon icon, Buttons buttons, const QString& title = {}) = 0;

    // Open / save file dialogs; nullopt when the user cancelled. The dialog
    // offers the name chosen at the previous use of the same dialog.
    virtual std::optional<QString> openFile(const FileDialogSetup& setup) = 0;
    virtual std::optional<QString> saveFile(const FileDialogSetup& setup) = 0;

    // The output directory dialog: the chosen directory, or the empty text when
    // it was cancelled or closed.
    virtual QString chooseOutputDirectory() = 0;
};

} // namespace tamsenor
