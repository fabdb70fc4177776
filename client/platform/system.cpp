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

} // namespace vek::platform
