#include "gbk.h"

#ifdef Q_OS_WIN
#include <qt_windows.h>
#else
#include <QStringDecoder>
#include <QStringEncoder>
#endif

namespace vek::platform {

#ifdef Q_OS_WIN

namespace {
constexpr UINT Gbk = 936;
}

QByteArray encodeGbk(const QString& text)
{
    if (text.isEmpty())
        return {};
    const auto* wide = reinterpret_cast<const wchar_t*>(text.utf16());
    const int n = ::WideCharToMultiByte(Gbk, 0, wide, int(text.size()), nullptr, 0, nullptr, nullptr);
    if (n <= 0)
        return {};
    QByteArray out(n, Qt::Uninitialized);
    ::WideCharToMultiByte(Gbk, 0, wide, int(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

QString decodeGbk(QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return {};
    const int n = ::MultiByteToWideChar(Gbk, 0, bytes.data(), int(bytes.size()), nullptr, 0);
    if (n <= 0)
        return {};
    QString out(n, Qt::Uninitialized);
    ::MultiByteToWideChar(Gbk, 0, bytes.data(), int(bytes.size()), reinterpret_cast<wchar_t*>(out.data()), n);
    return out;
}

#else

QByteArray encodeGbk(const QString& text)
{
    QStringEncoder enc("GBK");
    return enc.isValid() ? QByteArray(enc(text)) : text.toLocal8Bit();
}

QString decodeGbk(QByteArrayView bytes)
{
    QStringDecoder dec("GBK", QStringDecoder::Flag::Stateless);
    if (!dec.isValid())
        return QString::fromLocal8Bit(bytes);
    return dec(bytes);
}

#endif

} // namespace vek::platform
