// Any text as a statement for the embedded backend: the rewrite never touches string literals, so every
// literal of the input appears unchanged in its output.

#include "db/sqlitecompat.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const QStringList out = vek::db::sqlitecompat::translate(text);
    const QString joined = out.join(QLatin1Char(' '));
    // Complete literals of the input must survive word for word. Quoted names ("…" and […]) are
    // passed over as the rewrite passes over them.
    qsizetype i = 0;
    while (i < text.size()) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('"') || c == QLatin1Char('[')) {
            const qsizetype close = text.indexOf(c == QLatin1Char('"') ? QLatin1Char('"') : QLatin1Char(']'), i + 1);
            if (close < 0)
                break;
            i = close + 1;
            continue;
        }
        if (c != QLatin1Char('\'')) {
            ++i;
            continue;
        }
        qsizetype j = i + 1;
        while (j < text.size()) {
            if (text.at(j) == QLatin1Char('\'')) {
                if (j + 1 < text.size() && text.at(j + 1) == QLatin1Char('\'')) {
                    j += 2;
                    continue;
                }
                break;
            }
            ++j;
        }
        if (j >= text.size())
            break;
        const QString literal = text.mid(i, j - i + 1);
        if (!joined.contains(literal))
            __builtin_trap();
        i = j + 1;
    }
    return 0;
}
