#include "registry.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringDecoder>

#include <optional>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#ifdef Q_OS_WIN
#include <qt_windows.h>

#include <string>
#endif

namespace vekupd {

namespace {

// A registry file holds a handful of keys; anything far larger is not one.
constexpr qint64 kMaxFileSize = 16 * 1024 * 1024;

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

// regedit exports UTF-16LE with a byte-order mark; an edited copy may be UTF-8, with or without one.
QString decodeText(const QByteArray& bytes)
{
    if (bytes.startsWith("\xFF\xFE")) {
        QStringDecoder d(QStringConverter::Utf16LE, QStringConverter::Flag::Stateless);
        return d(QByteArrayView(bytes).sliced(2));
    }
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(QByteArrayView(bytes).sliced(3));
    return QString::fromUtf8(bytes);
}

// A key path as written in a section, "HKEY_LOCAL_MACHINE\\software\\VEK", without surrounding backslashes.
QString keyPath(QString k)
{
    while (k.startsWith(QLatin1Char('\\')))
        k.remove(0, 1);
    while (k.endsWith(QLatin1Char('\\')))
        k.chop(1);
    return k;
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

bool readRegularFile(const QString& path, QByteArray* bytes)
{
    bytes->clear();
#ifdef Q_OS_UNIX
    // Only a regular file is opened, and never blocking: a FIFO or a device at the path would hang the
    // program or hand it endless bytes.
    const QByteArray native = QFile::encodeName(path);
    struct stat st {};
    if (::stat(native.constData(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kMaxFileSize)
        return false;
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return false;
    QFile f;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || !f.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
#else
    const QFileInfo info(path);
    if (!info.isFile() || info.size() > kMaxFileSize)
        return false;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
#endif
    *bytes = f.read(kMaxFileSize + 1);
    if (bytes->size() > kMaxFileSize || f.error() != QFileDevice::NoError) {
        bytes->clear();
        return false;
    }
    return true;
}

QString readRegistryString(const QByteArray& fileText, const QString& key, const QString& name)
{
    const QStringList lines = decodeText(fileText).split(QLatin1Char('\n'));
    if (lines.isEmpty() || lines.first().trimmed() != QLatin1String("Windows Registry Editor Version 5.00"))
        return {};
    const QString wantedKey = QStringLiteral("HKEY_LOCAL_MACHINE\\") + keyPath(key);
    bool inKey = false;
    std::optional<QString> found; // the last entry for the value wins, as when the file is imported
    for (qsizetype n = 1; n < lines.size(); ++n) {
        QString line = lines[n].trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')))
            continue; // blank, comment
        if (line.startsWith(QLatin1Char('['))) {
            if (!line.endsWith(QLatin1Char(']')))
                return {}; // corrupt: nothing in the file is trusted
            QString section = line.mid(1, line.size() - 2);
            const bool deletes = section.startsWith(QLatin1Char('-'));
            if (deletes)
                section.remove(0, 1);
            section = keyPath(section);
            const bool named = section.compare(wantedKey, Qt::CaseInsensitive) == 0;
            if (deletes && (named || wantedKey.startsWith(section + QLatin1Char('\\'), Qt::CaseInsensitive)))
                found.reset(); // the key, or one above it, is deleted
            inKey = named && !deletes;
            continue;
        }
        qsizetype at = 1;
        QString valueName;
        if (line.startsWith(QLatin1Char('@')))
            valueName.clear(); // a key's default value
        else if (!line.startsWith(QLatin1Char('"')) || !quoted(line, at, &valueName))
            return {};
        if (at >= line.size() || line[at] != QLatin1Char('='))
            return {};
        ++at;
        // A binary value that regedit wraps goes on over lines ending in a backslash.
        if (line.mid(at).trimmed().startsWith(QLatin1String("hex"), Qt::CaseInsensitive))
            while (line.endsWith(QLatin1Char('\\')) && n + 1 < lines.size())
                line = line.chopped(1) + lines[++n].trimmed();
        if (!inKey || valueName.isEmpty() || valueName.compare(name, Qt::CaseInsensitive) != 0)
            continue;
        const QString data = line.mid(at).trimmed();
        if (data == QLatin1String("-")) {
            found.reset(); // the value is deleted
            continue;
        }
        if (!data.startsWith(QLatin1Char('"'))) {
            found = QString(); // not a string value
            continue;
        }
        qsizetype v = 1;
        QString value;
        if (!quoted(data, v, &value))
            return {};
        found = value;
    }
    return found.value_or(QString());
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
bool createRegistryKey(const QString& key)
{
    const std::wstring k = key.toStdWString();
    HKEY handle = nullptr;
    if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, k.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ, nullptr, &handle,
                          nullptr) != ERROR_SUCCESS)
        return false;
    ::RegCloseKey(handle);
    return true;
}
#else
QString readRegistryString(const QString& key, const QString& name)
{
    QByteArray bytes;
    if (!readRegularFile(registryFilePath(), &bytes))
        return {};
    return readRegistryString(bytes, key, name);
}

bool createRegistryKey(const QString& key)
{
    const QString path = registryFilePath();
    const QString header = QStringLiteral("Windows Registry Editor Version 5.00");
    const QString wanted = QStringLiteral("[HKEY_LOCAL_MACHINE\\") + key + QLatin1Char(']');
    QByteArray text;
    if (QFileInfo::exists(path)) {
        if (!readRegularFile(path, &text))
            return false;
        QString content = QString::fromUtf8(text);
        if (content.startsWith(QChar(0xFEFF)))
            content.remove(0, 1);
        const QStringList lines = content.split(QLatin1Char('\n'));
        if (lines.first().trimmed() != header)
            return false; // not ours to rewrite: nothing in it is lost
        for (const QString& line : lines)
            if (line.trimmed().compare(wanted, Qt::CaseInsensitive) == 0)
                return true;
        const QByteArray eol = text.contains("\r\n") ? "\r\n" : "\n";
        if (!text.endsWith('\n'))
            text += eol;
        text += eol + wanted.toUtf8() + eol;
    } else {
        text = header.toUtf8() + "\n\n" + wanted.toUtf8() + "\n";
    }
    // Written whole or not at all, like the client writes it.
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QSaveFile out(path);
    return out.open(QIODevice::WriteOnly) && out.write(text) == text.size() && out.commit();
}
#endif

QString odbcTemplate()
{
    QString result = QStringLiteral("DRIVER={FreeTDS};SERVER={ip};PORT=1433;DATABASE=vek;UID=sa;PWD=vx");
    QString path = qEnvironmentVariable("VEKORA_CONFIG");
    if (path.isEmpty())
        path = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("vekora.ini"));
    QByteArray bytes;
    if (!readRegularFile(path, &bytes))
        return result;
    if (bytes.startsWith("\xEF\xBB\xBF")) // saved by an editor that marks UTF-8
        bytes.remove(0, 3);
    QString section;
    for (const QString& raw : QString::fromUtf8(bytes).split(QLatin1Char('\n'))) {
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
