#pragma once

#include <QIODevice>
#include <QString>

namespace vek::platform {

// The file version of the ELF file open for reading in `device` (its ".vek.version" section), "" when
// it has none or the headers do not hold together. getfilever reads files through it.
QString fileVersionOf(QIODevice& device);

} // namespace vek::platform
