#pragma once

#include <QList>
#include <QObject>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

namespace tamsenor {

class FileList;
class ListBox;

// Shows that a folder drop is still gathering files and lets the user stop it.
class DropProgress {
public:
    virtual ~DropProgress() = default;
    // `seen` files looked at so far, `found` of them taken. False once the user
    // has cancelled.
    virtual bool step(int seen, int found) = 0;
};

// Files and folders dropped onto the chosen-files list (List2). A dropped file
// is added by its full path exactly as ">>" adds a chosen file; a dropped
// folder adds the ordinary, non-hidden files in it and its non-hidden
// subfolders that match File1's pattern. A drop is refused, silently, while
// `refused` says so (a run is going on).
class ChosenFilesDrop : public QObject {
    Q_OBJECT
public:
    // Files a folder walk looks at before it shows its progress.
    static constexpr int ProgressThreshold = 400;
    // Files looked at between two progress steps.
    static constexpr int ProgressInterval = 100;

    using ProgressFactory = std::function<std::unique_ptr<DropProgress>()>;

    ChosenFilesDrop(ListBox* chosenList, const FileList* patternList, std::function<bool()> refused, std::function<void()> added,
        QObject* parent = nullptr);
    ~ChosenFilesDrop() override;

    // Who shows the progress of a long folder walk; a dialog with Cancel by default.
    void setProgressFactory(ProgressFactory factory);

    // The paths that dropping `urls` adds, in the list's order; nullopt when
    // cancelled. URLs that are not local files or folders add nothing.
    std::optional<QStringList> collect(const QList<QUrl>& urls);
    // Adds what collect() gives to List2. False when refused, cancelled or
    // nothing was there to add; List2 is then unchanged.
    bool drop(const QList<QUrl>& urls);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool acceptable(const QList<QUrl>& urls) const;
    bool walkFolder(const QString& folder, QStringList& out);

    ListBox* chosenList_;
    const FileList* patternList_;
    std::function<bool()> refused_;
    std::function<void()> added_;
    ProgressFactory progressFactory_;
    std::unique_ptr<DropProgress> progress_;
    int seen_ = 0;
    bool busy_ = false;
};

} // namespace tamsenor
