#pragma once

#include <QByteArray>
#include <QString>

namespace vekupd {

// Checks that `bytes` look like a complete executable for this platform (its headers and the tables
// they point to lie inside the bytes); *error says what is wrong otherwise. The bytes come from the
// database: every size and offset in them is checked before it is used.
bool looksLikeProgram(const QByteArray& bytes, QString* error);

} // namespace vekupd
