#include "system.h"

#include <QProcess>

namespace vek::platform {

bool startProgram(const QString& path)
{
    return QProcess::startDetached(path, {});
}

std::optional<int> shellTaskbarHeight()
{
    return std::nullopt;
}

} // namespace vek::platform
