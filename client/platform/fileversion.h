#pragma once

#include <QString>

namespace vek::platform {

// The file version "a.b.c.d" of an executable, "" when the file has none or cannot be read.
// On Linux it is the ELF section ".vek.version": two little-endian uint32, MS = (a<<16)|b, LS = (c<<16)|d.
QString getfilever(const QString& fileName);

// Formats the two 32-bit halves of a file version.
QString formatFileVersion(quint32 ms, quint32 ls);

} // namespace vek::platform
