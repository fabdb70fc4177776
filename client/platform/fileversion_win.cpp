#include "fileversion.h"

#include <windows.h>

#include <vector>

namespace vek::platform {

QString formatFileVersion(quint32 ms, quint32 ls)
{
    return QStringLiteral("%1.%2.%3.%4").arg(ms >> 16).arg(ms & 0xFFFF).arg(ls >> 16).arg(ls & 0xFFFF);
}

QString getfilever(const QString& fileName)
{
    const std::wstring name = fileName.toStdWString();
    DWORD handle = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(name.c_str(), &handle);
    if (size == 0)
        return {};
    std::vector<char> buffer(size);
    if (!::GetFileVersionInfoW(name.c_str(), 0, size, buffer.data()))
        return {};
    VS_FIXEDFILEINFO* info = nullptr;
    UINT len = 0;
    if (!::VerQueryValueW(buffer.data(), L"\\", reinterpret_cast<void**>(&info), &len) || !info)
        return {};
    return formatFileVersion(info->dwFileVersionMS, info->dwFileVersionLS);
}

} // namespace vek::platform
