#pragma once

#include <QString>

#include <memory>

namespace vek::platform {

// A named guard that one process per user desktop holds for its whole life (the Windows named mutex).
class SingleInstance {
public:
    virtual ~SingleInstance() = default;
    // True when this process now holds the guard; false when another process already holds it.
    virtual bool acquire(const QString& name) = 0;
};

std::unique_ptr<SingleInstance> createSingleInstance();

} // namespace vek::platform
