#pragma once

#include <QApplication>
#include <QList>
#include <QPointer>

namespace vek {

// The application object: the title, the default error box for what a handler lets through, the
// windows it owns (destroyed last-created-first at the end) and the request to end the process.
class VekApplication : public QApplication {
    Q_OBJECT
public:
    VekApplication(int& argc, char** argv);
    ~VekApplication() override;

    static VekApplication* instance();
    static QString title(); // "Vekora客户端"

    bool notify(QObject* receiver, QEvent* event) override;

    // Takes ownership of a window; it is destroyed at the end unless it was destroyed earlier.
    void own(QObject* window);
    // Destroys the owned windows still alive, last created first.
    void destroyOwned();

    // Ends every event loop and makes the start-up skip what is left before the teardown.
    void requestEnd(int exitCode);
    bool endRequested() const { return m_endRequested; }
    // The end of the upgrade hand-over: the connections are closed and nothing more is written.
    void requestUpgradeEnd()
    {
        m_upgrading = true;
        requestEnd(0);
    }
    bool upgrading() const { return m_upgrading; }
    void clearEndRequest() { m_endRequested = m_upgrading = false; m_exitCode = 0; }
    int exitCode() const { return m_exitCode; }

private:
    QList<QPointer<QObject>> m_owned;
    bool m_endRequested = false;
    bool m_upgrading = false;
    int m_exitCode = 0;
};

// The application's default error box: the error's text, captioned with the application title.
void showDefaultError(const QString& text);

} // namespace vek
