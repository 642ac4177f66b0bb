#pragma once

// The files layer (src/files): local paths as bytes in QStrings, folder listings, the extension pattern.

#include <QString>

#include <string>

namespace tamsenor {

// Paths and texts the user typed travel as QString in the window and as bytes
// in the local 8-bit encoding (UTF-8) towards files and the text engines.
//
// Paths are bytes on Linux and need not be UTF-8. So that every name that
// exists can be used, a byte that is not part of a valid UTF-8 sequence
// travels in the QString as the lone surrogate U+DC00 + byte and turns back
// into that very byte; valid UTF-8 converts as usual. Show such texts through
// ForDisplay. Example: "caf\xE9.htm" -> "caf" U+DCE9 ".htm" -> "caf\xE9.htm".
std::string LocalBytes(const QString& text);
QString FromLocalBytes(const std::string& bytes);
inline QString FromLocalBytes(const char* bytes)
{
    return FromLocalBytes(std::string(bytes));
}

// The text as a person is shown it: each byte that was no UTF-8 becomes the
// replacement character U+FFFD.
QString ForDisplay(const QString& text);

} // namespace tamsenor
