#pragma once

#include <QString>

#include <memory>

namespace vek::platform {

// A named guard that one process per user desktop holds for its whole life (the Windows named mutex).
class SingleInstance {
public:
    enum class Result {
        Acquired,       // this process now holds the guard
        AlreadyRunning, // another process holds it
        Failed,         // the guard could not be made at all; errorString() says why
    };

    virtual ~SingleInstance() = default;
    virtual Result acquire(const QString& name) = 0;
    // After Failed: what went wrong, naming the lock.
    virtual QString errorString() const = 0;
};

std::unique_ptr<SingleInstance> createSingleInstance();

} // namespace vek::platform
