#pragma once

namespace tamsenor {

// Roles Qt does not give on its own, for every widget of the program:
// - a top-level window that is a plain QWidget is a window (a frame named by
//   its title), not an unnamed "filler";
// - a line drawn with QFrame (QFrame::HLine, QFrame::VLine) is a separator
//   without a name, not a frame named after the group box it lies in;
// - an ElidingLabel is read as its caption, which it tells of at its own pace.
// Installing it more than once installs it once.
void InstallAccessibleRoles();

} // namespace tamsenor
