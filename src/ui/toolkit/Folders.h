#pragma once

#include <QString>

namespace tamsenor {

// The working folder as the window's lists use it; "/" when the system cannot
// tell it (deleted, or deeper than a path may be long), so that the chooser
// still opens somewhere real.
QString WorkingFolder();

// Makes `folder` the working folder; false when it cannot be entered.
bool EnterFolder(const QString& folder);

// `folder` made absolute against the working folder and cleaned ("." and
// ".." resolved, no trailing "/" but at the root), bytes kept whole.
QString AbsoluteFolder(const QString& folder);

} // namespace tamsenor
