#pragma once

#include "engine/Prompts.h"

#include <QByteArray>
#include <QString>

#include <memory>

class QSettings;

namespace tamsenor {

// What the window may keep from one start of the program to the next: its own
// size and place, the folder last used for each kind of file (results,
// keywords) and whether results are previewed. Nothing is kept unless the user turns remembering on: while it
// is off no setting is read or written, and turning it off forgets all of it.
// What the start fixes (the chooser's directory, the switches, the extension
// box) is never kept.
class WindowMemory {
public:
    // Keeps its values in `settings`; the program passes QSettings for its
    // organisation and application name, tests a file of their own.
    explicit WindowMemory(std::unique_ptr<QSettings> settings);
    ~WindowMemory();

    bool enabled() const;
    void setEnabled(bool on);

    // Saved window geometry (QWidget::saveGeometry); empty when none or off.
    QByteArray geometry() const;
    void setGeometry(const QByteArray& geometry);

    // The folder a file of `kind` was last chosen in; empty when none, when
    // the folder is gone, for FileKind::Other, or when remembering is off.
    QString folder(FileKind kind) const;
    void setFolder(FileKind kind, const QString& folder);

    // Whether the results of a run open in a results window; false when
    // never set or when remembering is off.
    bool previewResults() const;
    void setPreviewResults(bool on);

private:
    std::unique_ptr<QSettings> settings_;
};

} // namespace tamsenor
