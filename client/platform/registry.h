#pragma once

#include <QList>
#include <QPair>
#include <QString>

#include <optional>

namespace vek::platform {

// HKEY_LOCAL_MACHINE: the live registry on Windows (filePath() names the hive). On Linux one text
// file in the registry's own export format ("Windows Registry Editor Version 5.00"), key and value
// names case-insensitive, written atomically; its path is $VEKORA_REGISTRY, else
// $XDG_CONFIG_HOME/vekora/HKLM.reg. The file is read as regedit exports it (UTF-16LE with a byte-order
// mark) or as UTF-8; a new file is written as UTF-8, an existing one keeps its encoding, line ends and
// every key, value and comment that a write does not replace. A missing, empty or corrupt file holds
// no keys. A path that is not a regular file (a FIFO, a device) is never opened for reading: it holds
// no keys and cannot be written.
namespace registry {

QString filePath();

enum class Kind { String, Dword };

struct Value {
    Kind kind = Kind::String;
    QString text;    // String
    quint32 dword{}; // Dword
};

// True when the key exists.
bool keyExists(const QString& key);
// The value, or nothing when the key or the value is missing.
std::optional<Value> read(const QString& key, const QString& name);
// Creates the key when needed and stores the value; false when the file cannot be written.
bool writeString(const QString& key, const QString& name, const QString& value);
bool writeDword(const QString& key, const QString& name, quint32 value);

// Parsing and writing of the export format, for the file reader above and for tests (not on Windows).
struct Key {
    QString name;
    QList<QPair<QString, Value>> values;
};
QList<Key> parse(const QByteArray& text);
QByteArray serialize(const QList<Key>& keys);
// The file `text` with the value `name` of `key` set to `value`: the value's line is replaced where the
// key holds it, else added at the end of the key, else the key is added at the end of the file;
// everything else is kept byte for byte. A text that is not a registry file gives a new file.
QByteArray rewrite(const QByteArray& text, const QString& key, const QString& name, const Value& value);

} // namespace registry
} // namespace vek::platform
