#include "singleinstance.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vek::platform {

namespace {

// flock on a file in the user's runtime folder; the kernel drops the lock when the process ends,
// however it ends, so a crashed client never blocks the next start.
class FlockInstance final : public SingleInstance {
public:
    ~FlockInstance() override
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }

    Result acquire(const QString& name) override
    {
        const QString path = lockPath(name);
        const QByteArray native = QFile::encodeName(path);
        // No symbolic link is followed and nothing but a regular file is used: in a shared folder
        // another user could otherwise point the lock somewhere else.
        do
            m_fd = ::open(native.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY, 0600);
        while (m_fd < 0 && errno == EINTR);
        if (m_fd < 0)
            return fail(path, errno);
        struct stat st {};
        if (::fstat(m_fd, &st) != 0)
            return fail(path, errno);
        if (!S_ISREG(st.st_mode))
            return fail(path, QStringLiteral("不是普通文件"));
        int rc;
        do
            rc = ::flock(m_fd, LOCK_EX | LOCK_NB);
        while (rc != 0 && errno == EINTR);
        if (rc == 0)
            return Result::Acquired;
        const int error = errno;
        if (error == EWOULDBLOCK) {
            ::close(m_fd);
            m_fd = -1;
            return Result::AlreadyRunning;
        }
        return fail(path, error);
    }

    QString errorString() const override { return m_error; }

private:
    static QString lockPath(const QString& name)
    {
        const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
        if (!runtime.isEmpty() && QDir(runtime).exists())
            return runtime + QLatin1Char('/') + name + QStringLiteral(".lock");
        return QStringLiteral("/tmp/%1-%2.lock").arg(name).arg(::getuid());
    }

    Result fail(const QString& path, int error)
    {
        return fail(path, QString::fromLocal8Bit(std::strerror(error)));
    }

    Result fail(const QString& path, const QString& reason)
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
        m_error = QStringLiteral("无法建立单实例锁 %1：%2").arg(QDir::toNativeSeparators(path), reason);
        return Result::Failed;
    }

    int m_fd = -1;
    QString m_error;
};

} // namespace

std::unique_ptr<SingleInstance> createSingleInstance()
{
    return std::make_unique<FlockInstance>();
}

} // namespace vek::platform
