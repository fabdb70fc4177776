#include "vekapplication.h"

#include "db/vekerror.h"
#include "enterkey.h"
#include "platform/messagebox.h"

#include <exception>

// The pictures and icons live in the client library's resources, which must be brought in by name.
static void initClientResources()
{
    Q_INIT_RESOURCE(vekora);
}

namespace vek {

VekApplication::VekApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    initClientResources();
    setApplicationName(QStringLiteral("Vekora"));
    setQuitOnLastWindowClosed(false);
    installEnterPressesButton(this);
}

VekApplication::~VekApplication()
{
    destroyOwned();
}

VekApplication* VekApplication::instance()
{
    return qobject_cast<VekApplication*>(QCoreApplication::instance());
}

QString VekApplication::title()
{
    return QStringLiteral("Vekora客户端");
}

bool VekApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const VekError& e) {
        showDefaultError(e.message());
    } catch (const std::exception& e) {
        showDefaultError(QString::fromLocal8Bit(e.what()));
    }
    return false;
}

void VekApplication::own(QObject* window)
{
    // Windows freed meanwhile (closed pop-ups) leave empty entries behind; they go first, so that a
    // client running for months does not collect one per notice.
    m_owned.removeIf([](const QPointer<QObject>& p) { return p.isNull(); });
    m_owned.append(QPointer<QObject>(window));
}

void VekApplication::destroyOwned()
{
    while (!m_owned.isEmpty()) {
        QPointer<QObject> w = m_owned.takeLast();
        delete w.data();
    }
}

void VekApplication::requestEnd(int exitCode)
{
    m_endRequested = true;
    m_exitCode = exitCode;
    QCoreApplication::exit(exitCode);
}

void showDefaultError(const QString& text)
{
    platform::messageBox(text, VekApplication::title(), platform::MbOk | platform::MbIconError);
}

} // namespace vek
