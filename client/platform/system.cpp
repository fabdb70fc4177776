#include "system.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QUuid>

namespace vek::platform {

namespace {
std::function<QString()>& guidSource()
{
    static std::function<QString()> s;
    return s;
}
} // namespace

QString newGuid()
{
    if (const auto& s = guidSource())
        return s();
    return QUuid::createUuid().toString(QUuid::WithBraces).toUpper();
}

void setGuidSource(std::function<QString()> source)
{
    guidSource() = std::move(source);
}

QString localIPv4Address()
{
    const QHostInfo info = QHostInfo::fromName(QHostInfo::localHostName());
    for (const QHostAddress& a : info.addresses())
        if (a.protocol() == QAbstractSocket::IPv4Protocol)
            return a.toString();
    return {};
}

QString workstationLines(const QString& text)
{
    QString out;
    out.reserve(text.size() + text.size() / 16);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\r')) {
            if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
            out += QLatin1String("\r\n");
        } else if (c == QLatin1Char('\n') || c == QChar::LineSeparator || c == QChar::ParagraphSeparator) {
            out += QLatin1String("\r\n");
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace vek::platform
