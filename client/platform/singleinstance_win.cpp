#include "singleinstance.h"

#include <windows.h>

namespace vek::platform {

namespace {

class MutexInstance final : public SingleInstance {
public:
    Result acquire(const QString& name) override
    {
        // Kept for the life of the process and never closed explicitly.
        m_handle = ::CreateMutexA(nullptr, TRUE, name.toLocal8Bit().constData());
        const DWORD error = ::GetLastError();
        if (!m_handle) {
            wchar_t* text = nullptr;
            ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, error, 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
            const QString reason = text ? QString::fromWCharArray(text).trimmed() : QString::number(error);
            if (text)
                ::LocalFree(text);
            m_error = QStringLiteral("无法建立单实例锁 %1：%2").arg(name, reason);
            return Result::Failed;
        }
        return error == ERROR_ALREADY_EXISTS ? Result::AlreadyRunning : Result::Acquired;
    }

    QString errorString() const override { return m_error; }

private:
    HANDLE m_handle = nullptr;
    QString m_error;
};

} // namespace

std::unique_ptr<SingleInstance> createSingleInstance()
{
    return std::make_unique<MutexInstance>();
}

} // namespace vek::platform
