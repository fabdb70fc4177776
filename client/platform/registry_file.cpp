#include "registry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace vek::platform::registry {

namespace {

const QByteArray kHeader = "Windows Registry Editor Version 5.00";

// Key paths are written "HKEY_LOCAL_MACHINE\software\VEK"; callers name them below the hive, with or
// without leading and trailing backslashes.
QString normalizeKey(const QString& key)
{
    QString k = key;
    while (k.startsWith(QLatin1Char('\\')))
        k.remove(0, 1);
    while (k.endsWith(QLatin1Char('\\')))
        k.chop(1);
    if (!k.startsWith(QLatin1String("HKEY_LOCAL_MACHINE"), Qt::CaseInsensitive))
        k = QStringLiteral("HKEY_LOCAL_MACHINE\\") + k;
    return k;
}

bool sameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// "…" with \\ and \" escaped; returns false on anything else.
bool unquote(const QString& s, qsizetype& pos, QString& out)
{
    if (pos >= s.size() || s.at(pos) != QLatin1Char('"'))
        return false;
    ++pos;
    out.clear();
    while (pos < s.size()) {
        const QChar c = s.at(pos++);
        if (c == QLatin1Char('\\')) {
            if (pos >= s.size())
                return false;
            out += s.at(pos++);
        } else if (c == QLatin1Char('"')) {
            return true;
        } else {
            out += c;
        }
    }
    return false;
}

QString quote(const QString& s)
{
    QString out = QStringLiteral("\"");
    for (QChar c : s) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('"'))
            out += QLatin1Char('\\');
        out += c;
    }
    return out + QLatin1Char('"');
}

QList<Key> load()
{
    QFile f(filePath());
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return parse(f.readAll());
}

bool store(const QList<Key>& keys)
{
    const QString path = filePath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = serialize(keys);
    return f.write(bytes) == bytes.size() && f.commit();
}

bool write(const QString& key, const QString& name, const Value& v)
{
    QList<Key> keys = load();
    const QString k = normalizeKey(key);
    Key* target = nullptr;
    for (Key& existing : keys)
        if (sameName(existing.name, k))
            target = &existing;
    if (!target) {
        keys.append({k, {}});
        target = &keys.last();
    }
    for (auto& pair : target->values) {
        if (sameName(pair.first, name)) {
            pair.second = v;
            return store(keys);
        }
    }
    target->values.append({name, v});
    return store(keys);
}

} // namespace

QString filePath()
{
    const QString named = qEnvironmentVariable("VEKORA_REGISTRY");
    if (!named.isEmpty())
        return named;
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty())
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/vekora/HKLM.reg");
}

QList<Key> parse(const QByteArray& bytes)
{
    QString text = QString::fromUtf8(bytes);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    const QStringList lines = text.split(QLatin1Char('\n'));
    if (lines.isEmpty() || lines.first().trimmed() != QLatin1String(kHeader))
        return {}; // not a registry file: no keys
    QList<Key> keys;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            const QString name = line.mid(1, line.size() - 2);
            if (name.startsWith(QLatin1Char('-')))
                continue; // a deletion entry: nothing to hold
            keys.append({normalizeKey(name), {}});
            continue;
        }
        if (keys.isEmpty())
            continue;
        qsizetype pos = 0;
        QString valueName;
        if (line.startsWith(QLatin1Char('@'))) {
            pos = 1;
        } else if (!unquote(line, pos, valueName)) {
            continue; // unreadable line: passed over
        }
        if (pos >= line.size() || line.at(pos) != QLatin1Char('='))
            continue;
        ++pos;
        Value v;
        const QString rest = line.mid(pos);
        if (rest.startsWith(QLatin1String("dword:"), Qt::CaseInsensitive)) {
            bool ok = false;
            const QString hex = rest.mid(6).trimmed();
            v.kind = Kind::Dword;
            v.dword = hex.toUInt(&ok, 16);
            if (!ok || hex.size() > 8)
                continue;
        } else if (rest.startsWith(QLatin1Char('"'))) {
            qsizetype p = 0;
            if (!unquote(rest, p, v.text))
                continue;
        } else {
            continue; // other types are not used by the client
        }
        Key& key = keys.last();
        bool replaced = false;
        for (auto& pair : key.values)
            if (sameName(pair.first, valueName)) {
                pair.second = v;
                replaced = true;
            }
        if (!replaced)
            key.values.append({valueName, v});
    }
    return keys;
}

QByteArray serialize(const QList<Key>& keys)
{
    QString out = QString::fromLatin1(kHeader) + QStringLiteral("\r\n");
    for (const Key& k : keys) {
        out += QStringLiteral("\r\n[") + k.name + QStringLiteral("]\r\n");
        for (const auto& [name, v] : k.values) {
            out += name.isEmpty() ? QStringLiteral("@") : quote(name);
            out += QLatin1Char('=');
            out += v.kind == Kind::Dword ? QStringLiteral("dword:%1").arg(v.dword, 8, 16, QLatin1Char('0'))
                                         : quote(v.text);
            out += QStringLiteral("\r\n");
        }
    }
    return out.toUtf8();
}

bool keyExists(const QString& key)
{
    const QString k = normalizeKey(key);
    for (const Key& existing : load())
        if (sameName(existing.name, k))
            return true;
    return false;
}

std::optional<Value> read(const QString& key, const QString& name)
{
    const QString k = normalizeKey(key);
    for (const Key& existing : load())
        if (sameName(existing.name, k))
            for (const auto& pair : existing.values)
                if (sameName(pair.first, name))
                    return pair.second;
    return std::nullopt;
}

bool writeString(const QString& key, const QString& name, const QString& value)
{
    Value v;
    v.kind = Kind::String;
    v.text = value;
    return write(key, name, v);
}

bool writeDword(const QString& key, const QString& name, quint32 value)
{
    Value v;
    v.kind = Kind::Dword;
    v.dword = value;
    return write(key, name, v);
}

} // namespace vek::platform::registry
