#pragma once

#include <QString>

namespace vek::db {

// The one way a value enters a statement: an SQL string literal, single quotes doubled, so that the
// text is stored and compared unchanged.
inline QString sqlLiteral(const QString& value)
{
    QString out;
    out.reserve(value.size() + 2);
    out += QLatin1Char('\'');
    for (QChar c : value) {
        if (c == QLatin1Char('\''))
            out += QLatin1Char('\'');
        out += c;
    }
    out += QLatin1Char('\'');
    return out;
}

} // namespace vek::db
