#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

namespace vek {

// Deployment settings: the INI file named by $VEKORA_CONFIG, else vekora.ini beside the executable,
// else built-in defaults that point at the demo databases in $XDG_DATA_HOME/vekora/.
class Settings {
public:
    // Reads the settings as the client finds them; throws VekError naming the file when it is corrupt.
    static Settings load();
    // Reads one file; throws VekError naming the file when it cannot be read or parsed.
    static Settings fromFile(const QString& path);
    static Settings defaults();

    QString source; // the file read, "" for built-in defaults

    // Database locators by role: "vek", "ServiceCenter", "hr", "equip".
    QString database(const QString& role) const { return m_databases.value(role.toLower()); }
    void setDatabase(const QString& role, const QString& locator) { m_databases.insert(role.toLower(), locator); }

    QString server = QStringLiteral("127.0.0.1"); // main database server; the login writes it to the registry
    QStringList admins;                            // the administrator login names
    QString updateHost = QStringLiteral("127.0.0.1");
    QString updaterOdbc = QStringLiteral("DRIVER={FreeTDS};SERVER={ip};PORT=1433;DATABASE=vek;UID=sa;PWD=vx");
    quint16 port = 2136;

    static QString defaultDataDir();

private:
    QHash<QString, QString> m_databases;
};

} // namespace vek
