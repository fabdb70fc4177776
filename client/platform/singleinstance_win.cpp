#include "singleinstance.h"

#include <windows.h>

namespace vek::platform {

namespace {

class MutexInstance final : public SingleInstance {
public:
    bool acquire(const QString& name) override
    {
        // Kept for the life of the process and never closed explicitly.
        m_handle = ::CreateMutexA(nullptr, TRUE, name.toLocal8Bit().constData());
        return ::GetLastError() != ERROR_ALREADY_EXISTS;
    }

private:
    HANDLE m_handle = nullptr;
};

} // namespace

std::unique_ptr<SingleInstance> createSingleInstance()
{
    return std::make_unique<MutexInstance>();
}

} // namespace vek::platform
