#include "registry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace vek::platform::registry {

namespace {

const QByteArray kHeader = "Windows Registry Editor Version 5.00";

// A registry file holds a handful of keys; anything far larger is not one.
constexpr qint64 kMaxFileSize = 16 * 1024 * 1024;

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
    if (k.endsWith(QLatin1Char('\\'))) // the hive itself: the same name however it was written
        k.chop(1);
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

// ---- Encodings: regedit writes UTF-16LE with a byte-order mark; an edited copy may be UTF-8, with or
// without one. A rewrite keeps the encoding it found.

enum class Encoding { Utf8, Utf8Bom, Utf16Le };

struct Decoded {
    QString text;
    Encoding encoding = Encoding::Utf8;
};

Decoded decode(const QByteArray& bytes)
{
    if (bytes.startsWith("\xFF\xFE")) {
        QStringDecoder d(QStringConverter::Utf16LE, QStringConverter::Flag::Stateless);
        return {d(QByteArrayView(bytes).sliced(2)), Encoding::Utf16Le};
    }
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return {QString::fromUtf8(QByteArrayView(bytes).sliced(3)), Encoding::Utf8Bom};
    return {QString::fromUtf8(bytes), Encoding::Utf8};
}

QByteArray encode(const QString& text, Encoding encoding)
{
    switch (encoding) {
    case Encoding::Utf16Le: {
        QStringEncoder e(QStringConverter::Utf16LE, QStringConverter::Flag::Stateless);
        return QByteArray("\xFF\xFE", 2) + QByteArray(e(text));
    }
    case Encoding::Utf8Bom:
        return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
    case Encoding::Utf8:
        break;
    }
    return text.toUtf8();
}

// ---- Lines. A binary value that regedit wraps continues on the next line after a trailing
// backslash; such a run of physical lines is one logical line.

struct Line {
    qsizetype first = 0; // physical lines first..last
    qsizetype last = 0;
    QString text;        // trimmed, continuations joined
};

// Splits `line` ("name"=data or @=data) into the value's name and its data.
bool splitValue(const QString& line, QString& name, QString& data)
{
    qsizetype pos = 0;
    name.clear();
    if (line.startsWith(QLatin1Char('@')))
        pos = 1;
    else if (!unquote(line, pos, name))
        return false;
    if (pos >= line.size() || line.at(pos) != QLatin1Char('='))
        return false;
    data = line.mid(pos + 1).trimmed();
    return true;
}

bool continues(const QString& logical)
{
    if (!logical.endsWith(QLatin1Char('\\')))
        return false;
    QString name, data;
    return splitValue(logical, name, data) && data.startsWith(QLatin1String("hex"), Qt::CaseInsensitive);
}

QList<Line> logicalLines(const QStringList& physical)
{
    QList<Line> lines;
    for (qsizetype i = 0; i < physical.size(); ++i) {
        Line l{i, i, physical[i].trimmed()};
        while (continues(l.text) && l.last + 1 < physical.size()) {
            l.text.chop(1);
            l.text += physical[++l.last].trimmed();
        }
        lines.append(l);
    }
    return lines;
}

bool isSection(const QString& line)
{
    return line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'));
}

bool isRegistryText(const QString& text)
{
    const qsizetype eol = text.indexOf(QLatin1Char('\n'));
    return text.left(eol < 0 ? text.size() : eol).trimmed() == QLatin1String(kHeader);
}

QString dataText(const Value& v)
{
    return v.kind == Kind::Dword ? QStringLiteral("dword:%1").arg(v.dword, 8, 16, QLatin1Char('0')) : quote(v.text);
}

QString valueLine(const QString& name, const Value& v)
{
    return (name.isEmpty() ? QStringLiteral("@") : quote(name)) + QLatin1Char('=') + dataText(v);
}

// ---- The file. Only a regular file is opened: a FIFO or a device at the path would block the
// program, or hand it endless bytes.

enum class FileState { Missing, Read, Refused };

FileState readFile(const QString& path, QByteArray& bytes)
{
    bytes.clear();
#ifdef Q_OS_UNIX
    const QByteArray native = QFile::encodeName(path);
    struct stat st {};
    if (::stat(native.constData(), &st) != 0)
        return errno == ENOENT || errno == ENOTDIR ? FileState::Missing : FileState::Refused;
    if (!S_ISREG(st.st_mode) || st.st_size > kMaxFileSize)
        return FileState::Refused;
    // Non-blocking, and checked again once open: the path may have been replaced in between.
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? FileState::Missing : FileState::Refused;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return FileState::Refused;
    }
    QFile f;
    if (!f.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return FileState::Refused;
    }
#else
    const QFileInfo info(path);
    if (!info.exists())
        return FileState::Missing;
    if (!info.isFile() || info.size() > kMaxFileSize)
        return FileState::Refused;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return FileState::Refused;
#endif
    bytes = f.read(kMaxFileSize + 1);
    if (bytes.size() > kMaxFileSize || f.error() != QFileDevice::NoError) {
        bytes.clear();
        return FileState::Refused;
    }
    return FileState::Read;
}

QList<Key> load()
{
    QByteArray bytes;
    return readFile(filePath(), bytes) == FileState::Read ? parse(bytes) : QList<Key>{};
}

bool write(const QString& key, const QString& name, const Value& v)
{
    const QString path = filePath();
    QByteArray bytes;
    // A file that exists but cannot be read is not replaced: its keys would be lost.
    if (readFile(path, bytes) == FileState::Refused)
        return false;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    const QByteArray out = rewrite(bytes, key, name, v);
    return f.write(out) == out.size() && f.commit();
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
    const QString text = decode(bytes).text;
    if (!isRegistryText(text))
        return {}; // not a registry file: no keys
    const QList<Line> lines = logicalLines(text.split(QLatin1Char('\n')));
    QList<Key> keys;
    qsizetype current = -1; // index in keys of the key the values belong to; -1: none
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QString& line = lines[i].text;
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')))
            continue;
        if (isSection(line)) {
            const QString name = line.mid(1, line.size() - 2);
            current = -1;
            if (name.startsWith(QLatin1Char('-'))) {
                // A deletion entry removes the key and its subkeys; values up to the next key go nowhere.
                const QString gone = normalizeKey(name.mid(1));
                keys.removeIf([&](const Key& k) {
                    return sameName(k.name, gone) || k.name.startsWith(gone + QLatin1Char('\\'), Qt::CaseInsensitive);
                });
                continue;
            }
            const QString k = normalizeKey(name);
            for (qsizetype j = 0; j < keys.size() && current < 0; ++j)
                if (sameName(keys[j].name, k))
                    current = j; // a key named twice: one key, the later values win
            if (current < 0) {
                keys.append({k, {}});
                current = keys.size() - 1;
            }
            continue;
        }
        if (current < 0)
            continue;
        QString valueName, rest;
        if (!splitValue(line, valueName, rest))
            continue; // unreadable line: passed over
        auto& values = keys[current].values;
        if (rest == QLatin1String("-")) { // a deletion entry for the value
            values.removeIf([&](const auto& pair) { return sameName(pair.first, valueName); });
            continue;
        }
        Value v;
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
            continue; // other types are not read by the client (a rewrite keeps them in the file)
        }
        bool replaced = false;
        for (auto& pair : values)
            if (sameName(pair.first, valueName)) {
                pair.second = v;
                replaced = true;
            }
        if (!replaced)
            values.append({valueName, v});
    }
    return keys;
}

QByteArray serialize(const QList<Key>& keys)
{
    QString out = QString::fromLatin1(kHeader) + QStringLiteral("\r\n");
    for (const Key& k : keys) {
        out += QStringLiteral("\r\n[") + k.name + QStringLiteral("]\r\n");
        for (const auto& [name, v] : k.values)
            out += valueLine(name, v) + QStringLiteral("\r\n");
    }
    return out.toUtf8();
}

QByteArray rewrite(const QByteArray& bytes, const QString& key, const QString& name, const Value& value)
{
    const Decoded decoded = decode(bytes);
    const QString k = normalizeKey(key);
    if (!isRegistryText(decoded.text))
        return serialize({Key{k, {{name, value}}}});

    const QString eol = decoded.text.contains(QLatin1String("\r\n")) ? QStringLiteral("\r\n") : QStringLiteral("\n");
    QStringList physical = decoded.text.split(QLatin1Char('\n'));
    const QList<Line> lines = logicalLines(physical);

    QList<QPair<Line, QString>> replace; // the value's lines in the key's sections, with the name each
                                         // spells it with: a value keeps the name it was created with
    qsizetype insertAfter = -1;  // last physical line of the key's last section
    bool inKey = false;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QString& line = lines[i].text;
        if (isSection(line)) {
            const QString section = line.mid(1, line.size() - 2);
            const bool deletes = section.startsWith(QLatin1Char('-'));
            const bool named = sameName(normalizeKey(deletes ? section.mid(1) : section), k);
            inKey = named && !deletes;
            if (named)
                insertAfter = deletes ? -1 : lines[i].last; // after a deletion the key must be written anew
            continue;
        }
        if (!inKey || line.isEmpty() || line.startsWith(QLatin1Char(';')))
            continue;
        insertAfter = lines[i].last;
        QString valueName, data;
        if (splitValue(line, valueName, data) && sameName(valueName, name)) {
            replace.append({lines[i], valueName});
        }
    }

    const QString newLine = valueLine(name, value);
    QString out;
    if (!replace.isEmpty()) {
        for (qsizetype r = replace.size() - 1; r >= 0; --r) {
            const Line& l = replace[r].first;
            const QString replaced = valueLine(replace[r].second, value);
            const bool cr = physical[l.last].endsWith(QLatin1Char('\r'));
            physical.remove(l.first, l.last - l.first + 1);
            physical.insert(l.first, cr ? replaced + QLatin1Char('\r') : replaced);
        }
        out = physical.join(QLatin1Char('\n'));
    } else if (insertAfter >= 0) {
        const bool cr = physical[insertAfter].endsWith(QLatin1Char('\r')) || eol.size() == 2;
        if (insertAfter == physical.size() - 1 && !physical[insertAfter].isEmpty()) {
            // The key's last line ends the file without a line end.
            if (cr && !physical[insertAfter].endsWith(QLatin1Char('\r')))
                physical[insertAfter] += QLatin1Char('\r');
            physical.append(QString());
        }
        physical.insert(insertAfter + 1, cr ? newLine + QLatin1Char('\r') : newLine);
        out = physical.join(QLatin1Char('\n'));
    } else {
        out = decoded.text;
        if (!out.endsWith(QLatin1Char('\n')))
            out += eol;
        out += eol + QLatin1Char('[') + k + QLatin1Char(']') + eol + newLine + eol;
    }
    return encode(out, decoded.encoding);
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
