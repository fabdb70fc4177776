#include "singleinstance.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
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

    bool acquire(const QString& name) override
    {
        const QByteArray path = QFile::encodeName(lockPath(name));
        m_fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (m_fd < 0)
            return true; // no place for a lock: do not keep the user from working
        if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0)
            return true;
        const bool held = errno == EWOULDBLOCK;
        ::close(m_fd);
        m_fd = -1;
        return !held;
    }

private:
    static QString lockPath(const QString& name)
    {
        const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
        if (!runtime.isEmpty() && QDir(runtime).exists())
            return runtime + QLatin1Char('/') + name + QStringLiteral(".lock");
        return QStringLiteral("/tmp/%1-%2.lock").arg(name).arg(::getuid());
    }

    int m_fd = -1;
};

} // namespace

std::unique_ptr<SingleInstance> createSingleInstance()
{
    return std::make_unique<FlockInstance>();
}

} // namespace vek::platform
