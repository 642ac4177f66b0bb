#include "ui/WindowMemory.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>

namespace tamsenor {

namespace {

const QString EnabledKey = QStringLiteral("remember");
const QString GeometryKey = QStringLiteral("window/geometry");
const QString PreviewKey = QStringLiteral("results/preview");

QString folderKey(FileKind kind)
{
    switch (kind) {
    case FileKind::Keywords:
        return QStringLiteral("folders/keywords");
    case FileKind::Results:
        return QStringLiteral("folders/results");
    case FileKind::Other:
        break;
    }
    return {};
}

} // namespace

WindowMemory::WindowMemory(std::unique_ptr<QSettings> settings)
    : settings_(std::move(settings))
{
}

WindowMemory::~WindowMemory() = default;

bool WindowMemory::enabled() const
{
    return settings_->value(EnabledKey, false).toBool();
}

void WindowMemory::setEnabled(bool on)
{
    if (on) {
        settings_->setValue(EnabledKey, true);
        settings_->sync();
        return;
    }
    // Off leaves nothing behind, not even an empty settings file.
    settings_->clear();
    settings_->sync();
    QFile::remove(settings_->fileName());
}

QByteArray WindowMemory::geometry() const
{
    return enabled() ? settings_->value(GeometryKey).toByteArray() : QByteArray();
}

void WindowMemory::setGeometry(const QByteArray& geometry)
{
    if (enabled())
        settings_->setValue(GeometryKey, geometry);
}

QString WindowMemory::folder(FileKind kind) const
{
    const QString key = folderKey(kind);
    if (key.isEmpty() || !enabled())
        return {};
    const QString folder = settings_->value(key).toString();
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QString();
}

void WindowMemory::setFolder(FileKind kind, const QString& folder)
{
    const QString key = folderKey(kind);
    if (!key.isEmpty() && enabled())
        settings_->setValue(key, folder);
}

bool WindowMemory::previewResults() const
{
    return enabled() && settings_->value(PreviewKey, false).toBool();
}

void WindowMemory::setPreviewResults(bool on)
{
    if (enabled())
        settings_->setValue(PreviewKey, on);
}

} // namespace tamsenor
