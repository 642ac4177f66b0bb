#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace tamsenor {

// The names of the ordinary, non-hidden files of `directory` (links to
// ordinary files count; devices, sockets and broken links do not), sorted with
// letters compared without regard to case, ties broken by exact order: the
// order in which the file list holds them. nullopt when the directory cannot
// be listed.
std::optional<QStringList> OrdinaryFilesOf(const QString& directory);

} // namespace tamsenor
