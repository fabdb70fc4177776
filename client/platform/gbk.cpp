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
    // One character at a time, so that what the code page cannot read becomes U+FFFD as on Linux
    // (the system's own table gives '?' or a private-use character) and the next byte is read afresh.
    // Texts are short: a datagram's text is at most 1024 bytes.
    QString out;
    out.reserve(bytes.size());
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    while (i < n) {
        const unsigned char b = p[i];
        if (b < 0x80) {
            out.append(QChar(b));
            ++i;
            continue;
        }
        const int width = (b >= 0x81 && b <= 0xFE && i + 1 < n) ? 2 : 1;
        wchar_t w[2] = {};
        if (b != 0xFF
            && ::MultiByteToWideChar(Gbk, MB_ERR_INVALID_CHARS, reinterpret_cast<const char*>(p + i), width, w, 2) == 1) {
            out.append(QChar(char16_t(w[0])));
            i += width;
            continue;
        }
        out.append(QChar(QChar::ReplacementCharacter));
        ++i;
    }
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
