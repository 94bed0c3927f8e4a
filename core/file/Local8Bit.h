#pragma once

#include <QByteArray>
#include <QString>
#include <string>

// Qt string to a byte string in the system's local 8-bit encoding (UTF-8 on
// Linux, the ANSI code page on Windows): the form every file call receives.
inline std::string toLocal8BitString(const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    // Stop at the first 0 byte, as a C string would.
    return std::string(bytes.constData());
}
