#pragma once

#include "io/Paths.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace tamsenor {

// The names of the ordinary, non-hidden files of `directory` (links to
// ordinary files count; devices, sockets and broken links do not), sorted with
// letters compared without regard to case, ties broken by exact order: the
// order in which the file list holds them. Names that are no UTF-8 are kept
// (see LocalBytes). nullopt when the directory cannot be listed.
std::optional<QStringList> OrdinaryFilesOf(const QString& directory);

// The order of the directory and file lists: letters compared without regard
// to case, ties broken by exact order, so that the order is total.
bool LessIgnoringCase(const QString& a, const QString& b);

// The names of the non-hidden entries of `directory` of `kind`, in
// LessIgnoringCase order; empty when it cannot be listed.
QStringList EntryNamesOf(const QString& directory, io::EntryKind kind);

} // namespace tamsenor
