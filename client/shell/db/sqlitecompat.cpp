#include "sqlitecompat.h"

#include <sqlite3.h>

#include <QMutex>
#include <QVector>

namespace vek::db::sqlitecompat {

namespace {

enum class Tok { Space, Literal, Quoted, Word, Number, Punct };

struct Token {
    Tok kind;
    QString text;
};

bool isWordStart(QChar c) { return c.isLetter() || c == QLatin1Char('_') || c == QLatin1Char('@') || c == QLatin1Char('#'); }
bool isWordPart(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('@') || c == QLatin1Char('#') ||
           c == QLatin1Char('$');
}

QVector<Token> tokenize(const QString& s)
{
    QVector<Token> out;
    const qsizetype n = s.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = s.at(i);
        qsizetype j = i + 1;
        Tok kind = Tok::Punct;
        if (c.isSpace()) {
            while (j < n && s.at(j).isSpace())
                ++j;
            kind = Tok::Space;
        } else if (c == QLatin1Char('\'')) {
            // A string literal; '' inside stands for one quote. An unterminated literal runs to the end
            // and is left for the database to reject.
            while (j < n) {
                if (s.at(j) == QLatin1Char('\'')) {
                    if (j + 1 < n && s.at(j + 1) == QLatin1Char('\'')) {
                        j += 2;
                        continue;
                    }
                    ++j;
                    break;
                }
                ++j;
            }
            kind = Tok::Literal;
        } else if (c == QLatin1Char('"') || c == QLatin1Char('[')) {
            const QChar close = c == QLatin1Char('"') ? QLatin1Char('"') : QLatin1Char(']');
            while (j < n && s.at(j) != close)
                ++j;
            if (j < n)
                ++j;
            kind = Tok::Quoted;
        } else if (isWordStart(c)) {
            while (j < n && isWordPart(s.at(j)))
                ++j;
            kind = Tok::Word;
        } else if (c.isDigit()) {
            while (j < n && (s.at(j).isDigit() || s.at(j) == QLatin1Char('.')))
                ++j;
            kind = Tok::Number;
        }
        out.push_back({kind, s.mid(i, j - i)});
        i = j;
    }
    return out;
}

// Index of the next / previous token that is not blank, or -1.
qsizetype nextSig(const QVector<Token>& t, qsizetype i)
{
    for (++i; i < t.size(); ++i)
        if (t[i].kind != Tok::Space)
            return i;
    return -1;
}
qsizetype prevSig(const QVector<Token>& t, qsizetype i)
{
    for (--i; i >= 0; --i)
        if (t[i].kind != Tok::Space)
            return i;
    return -1;
}

bool isWord(const QVector<Token>& t, qsizetype i, const char* w)
{
    return i >= 0 && i < t.size() && t[i].kind == Tok::Word && t[i].text.compare(QLatin1String(w), Qt::CaseInsensitive) == 0;
}
bool isPunct(const QVector<Token>& t, qsizetype i, char p)
{
    return i >= 0 && i < t.size() && t[i].kind == Tok::Punct && t[i].text == QLatin1Char(p);
}

bool isTranWord(const QVector<Token>& t, qsizetype i)
{
    return isWord(t, i, "tran") || isWord(t, i, "transaction");
}

QMutex clockMutex;
std::function<QDateTime()> clockFn;

// --- server functions ---------------------------------------------------------------------------

QString argText(sqlite3_value* v)
{
    const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(v));
    return p ? QString::fromUtf8(p, sqlite3_value_bytes(v)) : QString();
}

void resultText(sqlite3_context* ctx, const QString& s)
{
    const QByteArray b = s.toUtf8();
    sqlite3_result_text(ctx, b.constData(), int(b.size()), SQLITE_TRANSIENT);
}

void resultError(sqlite3_context* ctx, const QString& s)
{
    const QByteArray b = s.toUtf8();
    sqlite3_result_error(ctx, b.constData(), int(b.size()));
}

QDateTime parseDateTime(const QString& raw)
{
    const QString s = raw.trimmed();
    static const char* formats[] = {"yyyy-MM-dd HH:mm:ss.zzz", "yyyy-MM-dd HH:mm:ss", "yyyy-MM-dd HH:mm",
                                    "yyyy-MM-ddTHH:mm:ss.zzz", "yyyy-MM-ddTHH:mm:ss", "yyyy-MM-dd",
                                    "yyyyMMdd"};
    for (const char* f : formats) {
        QDateTime dt = QDateTime::fromString(s, QLatin1String(f));
        if (dt.isValid())
            return dt;
    }
    // Fractions of other lengths (".9", ".99", ".9999999") as SQL Server accepts them.
    const qsizetype dot = s.lastIndexOf(QLatin1Char('.'));
    if (dot > 0 && dot >= 19) {
        QString frac = s.mid(dot + 1);
        bool ok = !frac.isEmpty();
        for (QChar c : frac)
            ok = ok && c.isDigit();
        if (ok) {
            frac = (frac + QStringLiteral("000")).left(3);
            QDateTime dt = QDateTime::fromString(s.left(dot) + QLatin1Char('.') + frac,
                                                 QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
            if (dt.isValid())
                return dt;
        }
    }
    return {};
}

void fnGetdate(sqlite3_context* ctx, int, sqlite3_value**)
{
    resultText(ctx, serverNow().toString(QLatin1String(kDateTimeMs)));
}

void fnSysdate(sqlite3_context* ctx, int, sqlite3_value**)
{
    resultText(ctx, serverNow().toString(QLatin1String(kDateTime)));
}

// SQL Server LEN: characters, trailing blanks not counted.
void fnLen(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    QString s = argText(argv[0]);
    qsizetype end = s.size();
    while (end > 0 && s.at(end - 1) == QLatin1Char(' '))
        --end;
    sqlite3_result_int64(ctx, s.left(end).toUcs4().size());
}

// SQL Server CONVERT(type, value[, style]) for the types and styles the client uses.
void fnConvert(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    QString type = argText(argv[0]).trimmed().toLower();
    if (const qsizetype p = type.indexOf(QLatin1Char('(')); p >= 0)
        type = type.left(p).trimmed();
    if (sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const QString value = argText(argv[1]);
    const bool hasStyle = argc > 2 && sqlite3_value_type(argv[2]) != SQLITE_NULL;
    const int style = hasStyle ? sqlite3_value_int(argv[2]) : -1;

    if (type == QLatin1String("varchar") || type == QLatin1String("nvarchar") || type == QLatin1String("char") ||
        type == QLatin1String("nchar") || type == QLatin1String("text") || type == QLatin1String("ntext")) {
        const QDateTime dt = hasStyle ? parseDateTime(value) : QDateTime();
        if (!dt.isValid()) {
            resultText(ctx, value);
            return;
        }
        const char* fmt = nullptr;
        switch (style) {
        case 23: fmt = "yyyy-MM-dd"; break;
        case 108: case 8: fmt = "HH:mm:ss"; break;
        case 112: fmt = "yyyyMMdd"; break;
        case 120: case 20: fmt = "yyyy-MM-dd HH:mm:ss"; break;
        case 121: case 21: fmt = "yyyy-MM-dd HH:mm:ss.zzz"; break;
        default: fmt = kDateTimeMs; break;
        }
        resultText(ctx, dt.toString(QLatin1String(fmt)));
        return;
    }
    if (type == QLatin1String("datetime") || type == QLatin1String("smalldatetime") ||
        type == QLatin1String("datetime2") || type == QLatin1String("date")) {
        const QDateTime dt = parseDateTime(value);
        if (!dt.isValid()) {
            resultError(ctx, QStringLiteral("Conversion failed when converting date and/or time from character string."));
            return;
        }
        resultText(ctx, dt.toString(QLatin1String(type == QLatin1String("date") ? "yyyy-MM-dd" : kDateTimeMs)));
        return;
    }
    if (type == QLatin1String("int") || type == QLatin1String("bigint") || type == QLatin1String("smallint")) {
        bool ok = false;
        const qlonglong v = value.trimmed().toLongLong(&ok);
        if (!ok) {
            resultError(ctx, QStringLiteral("Conversion failed when converting the varchar value '%1' to data type %2.")
                                 .arg(value, type));
            return;
        }
        sqlite3_result_int64(ctx, v);
        return;
    }
    if (type == QLatin1String("float") || type == QLatin1String("real") || type == QLatin1String("numeric") ||
        type == QLatin1String("decimal") || type == QLatin1String("money")) {
        bool ok = false;
        const double v = value.trimmed().toDouble(&ok);
        if (!ok) {
            resultError(ctx, QStringLiteral("Error converting data type varchar to %1.").arg(type));
            return;
        }
        sqlite3_result_double(ctx, v);
        return;
    }
    resultError(ctx, QStringLiteral("Type %1 is not a defined system type.").arg(type));
}

} // namespace

QStringList translate(const QString& text)
{
    const QVector<Token> t = tokenize(text);
    QStringList statements;
    QString cur;
    auto flush = [&] {
        const QString s = cur.trimmed();
        if (!s.isEmpty())
            statements << s;
        cur.clear();
    };

    for (qsizetype i = 0; i < t.size(); ++i) {
        const Token& tok = t[i];
        if (tok.kind == Tok::Punct && tok.text == QLatin1Char(';')) {
            flush();
            continue;
        }
        if (tok.kind == Tok::Word) {
            const qsizetype nx = nextSig(t, i);
            const bool tranFollows = isTranWord(t, nx);
            if (tranFollows && (isWord(t, i, "begin") || isWord(t, i, "commit") || isWord(t, i, "rollback"))) {
                flush();
                statements << (isWord(t, i, "begin") ? QStringLiteral("BEGIN")
                               : isWord(t, i, "commit") ? QStringLiteral("COMMIT")
                                                        : QStringLiteral("ROLLBACK"));
                i = nx;
                continue;
            }
            if (isWord(t, i, "sysdate") && !isPunct(t, nx, '(') && !isPunct(t, prevSig(t, i), '.')) {
                cur += QStringLiteral("sysdate()");
                continue;
            }
            if (isWord(t, i, "convert") && isPunct(t, nx, '(')) {
                const qsizetype ty = nextSig(t, nx);
                if (ty >= 0 && t[ty].kind == Tok::Word) {
                    // convert(varchar(20), …): the length travels inside the quoted type name.
                    QString type = t[ty].text;
                    qsizetype last = ty;
                    const qsizetype lp = nextSig(t, ty);
                    if (isPunct(t, lp, '(')) {
                        const qsizetype num = nextSig(t, lp);
                        const qsizetype rp = nextSig(t, num);
                        if (num >= 0 && t[num].kind == Tok::Number && isPunct(t, rp, ')')) {
                            type += QLatin1Char('(') + t[num].text + QLatin1Char(')');
                            last = rp;
                        }
                    }
                    if (isPunct(t, nextSig(t, last), ',')) {
                        cur += tok.text + QLatin1Char('(') + QLatin1Char('\'') + type + QLatin1Char('\'');
                        i = last;
                        continue;
                    }
                }
            }
        }
        if (tok.kind == Tok::Punct && tok.text == QLatin1Char('+')) {
            const qsizetype pv = prevSig(t, i);
            const qsizetype nx = nextSig(t, i);
            if ((pv >= 0 && t[pv].kind == Tok::Literal) || (nx >= 0 && t[nx].kind == Tok::Literal)) {
                cur += QStringLiteral("||");
                continue;
            }
        }
        cur += tok.text;
    }
    flush();
    return statements;
}

void registerFunctions(sqlite3* h)
{
    const int flags = SQLITE_UTF8;
    sqlite3_create_function_v2(h, "getdate", 0, flags, nullptr, fnGetdate, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(h, "sysdate", 0, flags, nullptr, fnSysdate, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(h, "len", 1, flags | SQLITE_DETERMINISTIC, nullptr, fnLen, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(h, "convert", 2, flags, nullptr, fnConvert, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(h, "convert", 3, flags, nullptr, fnConvert, nullptr, nullptr, nullptr);
}

void setServerClock(std::function<QDateTime()> clock)
{
    QMutexLocker lock(&clockMutex);
    clockFn = std::move(clock);
}

QDateTime serverNow()
{
    QMutexLocker lock(&clockMutex);
    return clockFn ? clockFn() : QDateTime::currentDateTime();
}

} // namespace vek::db::sqlitecompat
