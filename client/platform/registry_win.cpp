// HKEY_LOCAL_MACHINE itself: the workstation build reads and writes the live registry.

#include "registry.h"

#include <qt_windows.h>

#include <string>

namespace vek::platform::registry {

namespace {

// Callers name keys below the hive ("software\VEK"), with or without leading and trailing
// backslashes, or with the hive's name in front.
std::wstring subKey(const QString& key)
{
    QString k = key;
    const QLatin1String hive("HKEY_LOCAL_MACHINE");
    if (k.startsWith(hive, Qt::CaseInsensitive))
        k.remove(0, hive.size());
    while (k.startsWith(QLatin1Char('\\')))
        k.remove(0, 1);
    while (k.endsWith(QLatin1Char('\\')))
        k.chop(1);
    return k.toStdWString();
}

class OpenKey {
public:
    OpenKey() = default;
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;
    ~OpenKey()
    {
        if (handle)
            ::RegCloseKey(handle);
    }
    HKEY handle = nullptr;
};

bool openForReading(const QString& key, OpenKey& out)
{
    return ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, subKey(key).c_str(), 0, KEY_READ, &out.handle) == ERROR_SUCCESS;
}

bool openForWriting(const QString& key, OpenKey& out)
{
    return ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, subKey(key).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                             KEY_SET_VALUE, nullptr, &out.handle, nullptr)
        == ERROR_SUCCESS;
}

} // namespace

QString filePath()
{
    return QStringLiteral("HKEY_LOCAL_MACHINE");
}

bool keyExists(const QString& key)
{
    OpenKey k;
    return openForReading(key, k);
}

std::optional<Value> read(const QString& key, const QString& name)
{
    OpenKey k;
    if (!openForReading(key, k))
        return std::nullopt;
    const std::wstring valueName = name.toStdWString();
    DWORD type = 0;
    DWORD size = 0;
    if (::RegQueryValueExW(k.handle, valueName.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return std::nullopt;
    // A value longer than 64 KiB is none the client wrote.
    if (size > 65536)
        return std::nullopt;
    std::wstring buffer(size / sizeof(wchar_t) + 2, L'\0');
    DWORD got = DWORD(buffer.size() * sizeof(wchar_t));
    if (::RegQueryValueExW(k.handle, valueName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &got)
        != ERROR_SUCCESS)
        return std::nullopt;
    Value v;
    switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ: {
        v.kind = Kind::String;
        v.text = QString::fromWCharArray(buffer.c_str(), qsizetype(got / sizeof(wchar_t)));
        while (v.text.endsWith(QChar(0)))
            v.text.chop(1);
        return v;
    }
    case REG_DWORD:
        if (got < sizeof(DWORD))
            return std::nullopt;
        v.kind = Kind::Dword;
        v.dword = *reinterpret_cast<const DWORD*>(buffer.data());
        return v;
    default:
        return std::nullopt; // a kind the client never writes
    }
}

bool writeString(const QString& key, const QString& name, const QString& value)
{
    OpenKey k;
    if (!openForWriting(key, k))
        return false;
    const std::wstring text = value.toStdWString();
    return ::RegSetValueExW(k.handle, name.toStdWString().c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                            DWORD((text.size() + 1) * sizeof(wchar_t)))
        == ERROR_SUCCESS;
}

bool writeDword(const QString& key, const QString& name, quint32 value)
{
    OpenKey k;
    if (!openForWriting(key, k))
        return false;
    const DWORD data = value;
    return ::RegSetValueExW(k.handle, name.toStdWString().c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                            sizeof data)
        == ERROR_SUCCESS;
}

} // namespace vek::platform::registry
