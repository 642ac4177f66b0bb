#pragma once

#include "engine/SessionState.h"
#include "engine/Prompts.h"

#include <QObject>

class QComboBox;
class QLabel;

namespace tamsenor {

class DirList;
class DriveList;
class FileList;
class ListBox;

// The file chooser of the main window: drive, directory and suffix choice,
// the files of the open directory (List1) and the chosen files (List2). The
// window owns the controls; this holds their rules.
class FileChooser : public QObject {
    Q_OBJECT
public:
    // Longest stretch of a "Deselect" walk without letting other events run.
    static constexpr int YieldIntervalMs = 15;

    struct Controls {
        DriveList* driveList;
        DirList* folderList;
        FileList* patternList;
        QComboBox* extensionBox;
        ListBox* fileList;
        ListBox* chosenList;
        QLabel* fileCountLabel;
        QLabel* chosenCountLabel;
    };

    FileChooser(const Controls& controls, MainState& state, Prompts& prompts, QObject* parent = nullptr);

    // "* (All File)" gives "*": a text holding "(" gives its first character.
    // A leading "*." or "." is dropped ("*.html" and ".html" give "html"),
    // so "*.*" gives "*"; any other text gives itself.
    static QString suffixFrom(const QString& comboText);
    // A chosen file's path: the directory, "/" and the name. The root directory
    // already ends in "/", so its files get two in a row ("//name").
    static QString joinChosen(const QString& dir, const QString& name);

    void driveChanged();
    void folderChanged();
    void extensionEdited(); // the text was edited: a refused suffix is reported
    void extensionChosen(); // an item was picked
    void refreshFiles();
    void selectAllFiles();
    void addSelectedFiles();
    void removeSelectedChosen();
    void clearChosenFiles();

    // List1 from File1's names, and the two counts.
    void refillFileList();
    void showFileCount();
    void showChosenCount();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void suffixFilter(bool edited);

    Controls c_;
    MainState& state_;
    Prompts& prompts_;
    bool returningToWorkingDrive_ = false;
};

} // namespace tamsenor
