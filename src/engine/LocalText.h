#pragma once

#include <QString>

#include <string>

namespace tamsenor {

// Paths and texts the user typed travel as QString in the window and as bytes
// in the local 8-bit encoding towards files and the text engines.
inline std::string LocalBytes(const QString& text)
{
    return text.toLocal8Bit().toStdString();
}
inline QString FromLocalBytes(const std::string& bytes)
{
    return QString::fromLocal8Bit(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

} // namespace tamsenor
