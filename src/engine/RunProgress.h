#pragma once

#include "engine/RunHost.h"

#include <QDateTime>
#include <QLocale>
#include <QString>

#include <cstdint>
#include <optional>

namespace tamsenor {

// The overall bar's step per file of a run: 100 / n rounded to two decimal
// places, halves to even (7 files: 14.29; 32 files: 3.12; 1,699 files: 0.06).
double OverallProgressStep(int fileCount);

// Raises PBProgress by `step` while it is below 99.5; a sum above 100 is not
// stored and the bar keeps its value (7 files stop at 85.74).
void RaiseOverallProgress(RunHost& host, double step);

// A size in k: bytes / 1000 rounded to two decimal places, halves to even, in
// the shortest decimal form ("1234.57" for 1,234,567 bytes, "12.5" for 12,500).
QString FormatSizeInK(std::int64_t bytes);

// LblProgress while a file is processed: "<path> ( <size>k )", or the path
// alone when its size cannot be read.
QString ProgressCaption(const QString& path, std::optional<std::int64_t> bytes);

// "mmm-d-yy h:mm" with the locale's abbreviated month name: 'Mar-9-07 14:05'.
// The default QLocale is the system's unless a program (or test) pinned another.
QString FormatProcessTime(const QDateTime& time, const QLocale& locale = QLocale());

} // namespace tamsenor
