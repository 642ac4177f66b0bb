#include "ui/ChosenFilesDrop.h"

#include "files/DirectoryFiles.h"

#include "ui/FileChooser.h"
#include "ui/toolkit/FileList.h"
#include "files/FilePattern.h"
#include "ui/toolkit/ListBox.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QProgressDialog>

#include <algorithm>

namespace tamsenor {

namespace {

// A busy bar with a count and Cancel, over the main window.
class DialogProgress : public DropProgress {
public:
    explicit DialogProgress(QWidget* window)
        : dialog_(window)
    {
        dialog_.setWindowTitle(QCoreApplication::applicationName());
        dialog_.setWindowModality(Qt::WindowModal);
        dialog_.setRange(0, 0);
        dialog_.setMinimumDuration(0);
        dialog_.setAutoClose(false);
        dialog_.setAutoReset(false);
        dialog_.setLabelText(QStringLiteral("Gathering files..."));
        dialog_.show();
    }

    bool step(int seen, int found) override
    {
        dialog_.setLabelText(QStringLiteral("Gathering files: %1 found among %2").arg(found).arg(seen));
        QCoreApplication::processEvents();
        return !dialog_.wasCanceled();
    }

private:
    QProgressDialog dialog_;
};

} // namespace

ChosenFilesDrop::ChosenFilesDrop(
    ListBox* chosenList, const FileList* patternList, std::function<bool()> refused, std::function<void()> added, QObject* parent)
    : QObject(parent)
    , chosenList_(chosenList)
    , patternList_(patternList)
    , refused_(std::move(refused))
    , added_(std::move(added))
{
    progressFactory_ = [this] { return std::make_unique<DialogProgress>(chosenList_->window()); };
    // The list's own drop handling moves items; file drops are handled here instead.
    chosenList_->viewport()->setAcceptDrops(true);
    chosenList_->viewport()->installEventFilter(this);
}

ChosenFilesDrop::~ChosenFilesDrop() = default;

void ChosenFilesDrop::setProgressFactory(ProgressFactory factory)
{
    progressFactory_ = std::move(factory);
}

bool ChosenFilesDrop::acceptable(const QList<QUrl>& urls) const
{
    if (busy_ || refused_())
        return false;
    return std::any_of(urls.begin(), urls.end(), [](const QUrl& url) { return url.isLocalFile(); });
}

bool ChosenFilesDrop::walkFolder(const QString& folder, QStringList& out)
{
    const auto pattern = FilePattern::parse(patternList_->pattern());
    if (!pattern)
        return true;
    // The same files a directory listing shows: no hidden files or folders, no
    // devices, sockets or broken links; linked folders are not entered, so a
    // loop of links cannot trap the walk.
    QDirIterator it(folder, QDir::Files | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    QStringList found;
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        if (pattern->matches(info.fileName()))
            found << FileChooser::joinChosen(QDir::cleanPath(info.absolutePath()), info.fileName());
        ++seen_;
        if (!progress_ && seen_ > ProgressThreshold && progressFactory_)
            progress_ = progressFactory_();
        if (progress_ && seen_ % ProgressInterval == 0 && !progress_->step(seen_, out.size() + found.size()))
            return false;
    }
    std::sort(found.begin(), found.end(), LessIgnoringCase);
    out << found;
    return true;
}

std::optional<QStringList> ChosenFilesDrop::collect(const QList<QUrl>& urls)
{
    busy_ = true;
    seen_ = 0;
    QStringList out;
    bool finished = true;
    for (const QUrl& url : urls) {
        if (!url.isLocalFile())
            continue;
        const QFileInfo info(url.toLocalFile());
        if (info.isDir()) {
            if (!walkFolder(info.absoluteFilePath(), out)) {
                finished = false;
                break;
            }
        } else if (info.isFile()) {
            // Named by the user, so taken whatever its suffix, as ">>" takes a selected name.
            out << FileChooser::joinChosen(QDir::cleanPath(info.absolutePath()), info.fileName());
        }
    }
    progress_.reset();
    busy_ = false;
    if (!finished)
        return std::nullopt;
    return out;
}

bool ChosenFilesDrop::drop(const QList<QUrl>& urls)
{
    if (!acceptable(urls))
        return false;
    const std::optional<QStringList> paths = collect(urls);
    // A run may have begun while the walk let events through.
    if (!paths || paths->isEmpty() || refused_())
        return false;
    chosenList_->addEntries(*paths);
    if (added_)
        added_();
    return true;
}

bool ChosenFilesDrop::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != chosenList_->viewport())
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDropEvent*>(event);
        if (drag->mimeData()->hasUrls() && acceptable(drag->mimeData()->urls()))
            drag->acceptProposedAction();
        else
            drag->ignore();
        return true;
    }
    case QEvent::Drop: {
        auto* dropped = static_cast<QDropEvent*>(event);
        const QList<QUrl> urls = dropped->mimeData()->hasUrls() ? dropped->mimeData()->urls() : QList<QUrl>();
        if (!acceptable(urls)) {
            dropped->ignore();
            return true;
        }
        dropped->acceptProposedAction();
        // The file manager waits until the drop event returns: let it go before
        // a long folder walk.
        QMetaObject::invokeMethod(
            this, [this, urls] { drop(urls); }, Qt::QueuedConnection);
        return true;
    }
    default:
        return QObject::eventFilter(watched, event);
    }
}

} // namespace tamsenor
