#include "registry.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

#ifdef Q_OS_WIN
#include <qt_windows.h>

#include <string>
#endif

namespace vekupd {

namespace {

// Reads a quoted string starting at `at` (just after the opening quote); \\ and \" are escapes.
// Returns false when the closing quote is missing.
bool quoted(const QString& line, qsizetype& at, QString* out)
{
    out->clear();
    while (at < line.size()) {
        const QChar c = line[at++];
        if (c == QLatin1Char('"'))
            return true;
        if (c == QLatin1Char('\\') && at < line.size())
            out->append(line[at++]);
        else
            out->append(c);
    }
    return false;
}

} // namespace

QString registryFilePath()
{
    const QString explicitPath = qEnvironmentVariable("VEKORA_REGISTRY");
    if (!explicitPath.isEmpty())
        return explicitPath;
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty())
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/vekora/HKLM.reg");
}

QString readRegistryString(const QByteArray& fileText, const QString& key, const QString& name)
{
    QString text = QString::fromUtf8(fileText);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    const QStringList lines = text.split(QLatin1Char('\n'));
    if (lines.isEmpty() || lines.first().trimmed() != QLatin1String("Windows Registry Editor Version 5.00"))
        return {};
    const QString wantedKey = QStringLiteral("HKEY_LOCAL_MACHINE\\") + key;
    bool inKey = false;
    for (qsizetype n = 1; n < lines.size(); ++n) {
        const QString line = lines[n].trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('@')))
            continue; // blank, comment, a key's default value
        if (line.startsWith(QLatin1Char('['))) {
            if (!line.endsWith(QLatin1Char(']')))
                return {}; // corrupt: nothing in the file is trusted
            inKey = line.mid(1, line.size() - 2).compare(wantedKey, Qt::CaseInsensitive) == 0;
            continue;
        }
        if (!line.startsWith(QLatin1Char('"')))
            return {};
        qsizetype at = 1;
        QString valueName;
        if (!quoted(line, at, &valueName) || at >= line.size() || line[at] != QLatin1Char('='))
            return {};
        ++at;
        if (!inKey || valueName.compare(name, Qt::CaseInsensitive) != 0)
            continue;
        if (at >= line.size() || line[at] != QLatin1Char('"'))
            return {}; // not a string value
        ++at;
        QString value;
        if (!quoted(line, at, &value))
            return {};
        return value;
    }
    return {};
}

#ifdef Q_OS_WIN
QString readRegistryString(const QString& key, const QString& name)
{
    // The live registry: a string value (REG_SZ) of at most 64 KiB, else nothing.
    wchar_t buffer[32768];
    DWORD size = sizeof buffer;
    const std::wstring k = key.toStdWString();
    const std::wstring n = name.toStdWString();
    if (::RegGetValueW(HKEY_LOCAL_MACHINE, k.c_str(), n.c_str(), RRF_RT_REG_SZ, nullptr, buffer, &size)
        != ERROR_SUCCESS)
        return {};
    return QString::fromWCharArray(buffer);
}
#else
QString readRegistryString(const QString& key, const QString& name)
{
    QFile f(registryFilePath());
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return readRegistryString(f.readAll(), key, name);
}
#endif

QString odbcTemplate()
{
    QString result = QStringLiteral("DRIVER={FreeTDS};SERVER={ip};PORT=1433;DATABASE=vek;UID=sa;PWD=vx");
    QString path = qEnvironmentVariable("VEKORA_CONFIG");
    if (path.isEmpty())
        path = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("vekora.ini"));
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return result;
    QString section;
    for (const QString& raw : QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'))) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            section = line.mid(1, line.size() - 2).trimmed().toLower();
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (section != QLatin1String("updater") || eq <= 0 ||
            line.left(eq).trimmed().compare(QLatin1String("odbc"), Qt::CaseInsensitive) != 0)
            continue;
        QString value = line.mid(eq + 1);
        // A comment after the value starts with whitespace and a semicolon.
        for (qsizetype i = 1; i < value.size(); ++i)
            if (value[i] == QLatin1Char(';') && value[i - 1].isSpace()) {
                value.truncate(i);
                break;
            }
        value = value.trimmed();
        if (!value.isEmpty())
            result = value;
    }
    return result;
}

} // namespace vekupd
