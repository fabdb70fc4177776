#include "settings.h"

#include "db/vekerror.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringDecoder>

namespace vek {

namespace {

const char* const kRoles[] = {"vek", "ServiceCenter", "hr", "equip"};

QString fail(const QString& path, int line, const QString& what)
{
    return line > 0 ? QStringLiteral("设置文件 %1 第 %2 行有误：%3").arg(path).arg(line).arg(what)
                    : QStringLiteral("设置文件 %1 无法读取：%2").arg(path, what);
}

// Drops an inline comment: ";" or "#" after white space (ODBC strings hold ";" without it).
QString stripComment(const QString& value)
{
    for (qsizetype i = 1; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if ((c == QLatin1Char(';') || c == QLatin1Char('#')) && value.at(i - 1).isSpace())
            return value.left(i).trimmed();
    }
    return value.trimmed();
}

} // namespace

QString Settings::defaultDataDir()
{
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.local/share");
    return base + QStringLiteral("/vekora");
}

Settings Settings::defaults()
{
    Settings s;
    const QString dir = defaultDataDir();
    for (const char* role : kRoles)
        s.setDatabase(QLatin1String(role), QStringLiteral("sqlite:%1/%2.sqlite").arg(dir, QLatin1String(role)));
    s.admins = {QStringLiteral("10001"), QStringLiteral("10002"), QStringLiteral("1001")};
    return s;
}

Settings Settings::load()
{
    const QString named = qEnvironmentVariable("VEKORA_CONFIG");
    if (!named.isEmpty())
        return fromFile(named);
    const QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/vekora.ini");
    if (QFileInfo::exists(beside))
        return fromFile(beside);
    return defaults();
}

Settings Settings::fromFile(const QString& path)
{
    // A FIFO or a device would block the start or never end: only a regular file is read.
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        throw VekError(fail(path, 0, QStringLiteral("不是普通文件")));
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        throw VekError(fail(path, 0, f.errorString()));
    QByteArray raw = f.readAll();
    // Notepad saves UTF-8 with a byte-order mark; the mark is not part of the first line.
    if (raw.startsWith("\xEF\xBB\xBF"))
        raw.remove(0, 3);
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
    const QString text = utf8(raw);
    if (utf8.hasError())
        throw VekError(fail(path, 0, QStringLiteral("不是 UTF-8 文本")));

    Settings s = defaults();
    const QString baseDir = QFileInfo(path).absolutePath();
    QString section;
    int lineNo = 0;
    for (const QString& rawLine : text.split(QLatin1Char('\n'))) {
        ++lineNo;
        const QString line = rawLine.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            if (!line.endsWith(QLatin1Char(']')) || line.size() < 3)
                throw VekError(fail(path, lineNo, QStringLiteral("节名不完整")));
            section = line.mid(1, line.size() - 2).trimmed().toLower();
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0)
            throw VekError(fail(path, lineNo, QStringLiteral("应为 名称=值")));
        if (section.isEmpty())
            throw VekError(fail(path, lineNo, QStringLiteral("值不在任何节中")));
        const QString key = line.left(eq).trimmed().toLower();
        const QString value = stripComment(line.mid(eq + 1));

        if (section == QLatin1String("databases")) {
            bool known = false;
            for (const char* role : kRoles)
                known = known || key == QString::fromLatin1(role).toLower();
            if (!known)
                throw VekError(fail(path, lineNo, QStringLiteral("未知的数据库 %1").arg(key)));
            QString locator = value;
            if (locator.startsWith(QLatin1String("sqlite:"), Qt::CaseInsensitive)) {
                const QString file = locator.mid(7);
                if (file.isEmpty())
                    throw VekError(fail(path, lineNo, QStringLiteral("sqlite: 后缺少文件名")));
                locator = QStringLiteral("sqlite:") + QDir(baseDir).absoluteFilePath(file);
            } else if (!locator.startsWith(QLatin1String("odbc:"), Qt::CaseInsensitive)) {
                throw VekError(fail(path, lineNo, QStringLiteral("数据库位置须以 sqlite: 或 odbc: 开头")));
            }
            s.setDatabase(key, locator);
        } else if (section == QLatin1String("plant")) {
            if (key == QLatin1String("server"))
                s.server = value;
            else if (key == QLatin1String("admins")) {
                s.admins.clear();
                for (const QString& a : value.split(QLatin1Char(','), Qt::SkipEmptyParts))
                    s.admins << a.trimmed();
            } else if (key == QLatin1String("update_host"))
                s.updateHost = value;
        } else if (section == QLatin1String("updater")) {
            if (key == QLatin1String("odbc"))
                s.updaterOdbc = value;
        } else if (section == QLatin1String("network")) {
            if (key == QLatin1String("port")) {
                bool ok = false;
                const uint p = value.toUInt(&ok);
                if (!ok || p == 0 || p > 65535)
                    throw VekError(fail(path, lineNo, QStringLiteral("端口须为 1 到 65535")));
                s.port = quint16(p);
            }
        }
    }
    s.source = path;
    return s;
}

} // namespace vek
