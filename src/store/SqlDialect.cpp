#include "store/SqlDialect.h"

#include <QRegularExpression>

namespace orv {
namespace {

const QString kCatalogue = QStringLiteral(
    "(SELECT name COLLATE NOCASE AS Name, 1 AS Type, 0 AS Flags FROM sqlite_master "
    "WHERE type = 'table' AND name NOT LIKE 'sqlite!_%' ESCAPE '!') AS MSysObjects");

// Each rewrite needs its mark; most statements (every song insert) have none of them.
bool hasRewriteMark(QStringView sql) {
    for (qsizetype i = 0; i < sql.size(); ++i) {
        const char16_t c = sql[i].unicode();
        if (c == u'*') return true;
        const QStringView rest = sql.sliced(i);
        if (((c | 0x20) == u'w' && rest.startsWith(u"WITH", Qt::CaseInsensitive)) ||
            ((c | 0x20) == u'm' && rest.startsWith(u"MSysObjects", Qt::CaseInsensitive)))
            return true;
    }
    return false;
}

QString translateOutsideQuotes(QString part) {
    static const QRegularExpression deleteStar(QStringLiteral("\\bDELETE\\s+\\*\\s+FROM\\b"),
                                               QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression compression(QStringLiteral("\\s+WITH\\s+COMPRESSION\\b"),
                                                QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression catalogue(QStringLiteral("\\bMSysObjects\\b"),
                                              QRegularExpression::CaseInsensitiveOption);
    if (!hasRewriteMark(part)) return part;
    part.replace(deleteStar, QStringLiteral("DELETE FROM"));
    part.replace(compression, QString());
    part.replace(catalogue, kCatalogue);
    return part;
}

// The end of the quoted part that starts at `at` and closes with `close` (with `doubling`, a doubled
// `close` stands for itself); -1 when it does not close.
template <class Text, class Char>
qsizetype endOfQuoted(const Text& sql, qsizetype at, Char close, bool doubling = true) {
    for (qsizetype i = at + 1; i < sql.size(); ++i) {
        if (sql[i] != close) continue;
        if (doubling && i + 1 < sql.size() && sql[i + 1] == close) {
            ++i;
            continue;
        }
        return i + 1;
    }
    return -1;
}

}  // namespace

QString translateSql(const QString& sql) {
    if (!hasRewriteMark(sql)) return sql;
    QString result;
    result.reserve(sql.size() + 16);
    qsizetype start = 0;
    while (start < sql.size()) {
        const qsizetype quote = sql.indexOf(QLatin1Char('\''), start);
        if (quote < 0) {
            result += translateOutsideQuotes(sql.mid(start));
            break;
        }
        result += translateOutsideQuotes(sql.mid(start, quote - start));
        // A quoted value runs to the next single quote that is not doubled (or to the end).
        const qsizetype closed = endOfQuoted(sql, quote, QLatin1Char('\''));
        const qsizetype end = closed < 0 ? sql.size() : closed;
        result += sql.mid(quote, end - quote);
        start = end;
    }
    return result;
}

}  // namespace orv
