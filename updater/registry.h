#pragma once

#include <QString>

namespace vekupd {

// HKEY_LOCAL_MACHINE as the client keeps it: the live registry on Windows; elsewhere one text file in
// the registry's export format ("Windows Registry Editor Version 5.00"), as regedit writes it (UTF-16LE
// with a byte-order mark) or UTF-8, key and value names case-insensitive. Its path is
// $VEKORA_REGISTRY, else $XDG_CONFIG_HOME/vekora/HKLM.reg.
QString registryFilePath();

// The string value `name` under `key` (e.g. "software\\VEK", without the hive); empty when the file,
// the key or the value is missing, the file is not in the export format, or the value is no string.
QString readRegistryString(const QByteArray& fileText, const QString& key, const QString& name);
QString readRegistryString(const QString& key, const QString& name);

// The bytes of the regular file at `path`; false, and nothing read, when the path is missing,
// unreadable, too large, or not a regular file (a FIFO or a device is never opened blocking).
bool readRegularFile(const QString& path, QByteArray* bytes);

// Opens `key` (e.g. "SOFTWARE\\VEK") the way RegCreateKey does: when the registry file or the key in
// it is missing, the key is added (the file created with its header). A file that is not in the
// export format is left as it is. Returns whether the key exists afterwards.
bool createRegistryKey(const QString& key);

// The connection template of the settings' [updater] odbc, with "{ip}" where the address goes. The
// settings file is $VEKORA_CONFIG, else vekora.ini beside the executable; the built-in template when
// neither names one.
QString odbcTemplate();

} // namespace vekupd
