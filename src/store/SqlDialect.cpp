#include "store/SqlDialect.h"

#include <QRegularExpression>

namespace orv {
namespace {

const QString kCatalogue = QStringLiteral(
    "(SELECT name COLLATE NOCASE AS Name, 1 AS Type, 0 AS Flags FROM sqlite_master "
    "WHERE type = 'table' AND name NOT LIKE 'sqlite!_%' ESCAPE '!') AS MSysObjects");

QString translateOutsideQuotes(QString part) {
    static const QRegularExpression deleteStar(QStringLiteral("\\bDELETE\\s+\\*\\s+FROM\\b"),
                                               QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression compression(QStringLiteral("\\s+WITH\\s+COMPRESSION\\b"),
                                                QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression catalogue(QStringLiteral("\\bMSysObjects\\b"),
                                              QRegularExpression::CaseInsensitiveOption);
    // Each rewrite needs its mark; most statements (every song insert) have none of them.
    if (!part.contains(QLatin1Char('*')) && !part.contains(QLatin1String("WITH"), Qt::CaseInsensitive) &&
        !part.contains(QLatin1String("MSysObjects"), Qt::CaseInsensitive))
        return part;
    part.replace(deleteStar, QStringLiteral("DELETE FROM"));
    part.replace(compression, QString());
    part.replace(catalogue, kCatalogue);
    return part;
}

}  // namespace

QString translateSql(const QString& sql) {
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
        // A quoted value runs to the next single quote that is not doubled.
        qsizetype end = quote + 1;
        while (end < sql.size()) {
            if (sql[end] == QLatin1Char('\'')) {
                if (end + 1 < sql.size() && sql[end + 1] == QLatin1Char('\'')) {
                    end += 2;
                    continue;
                }
                break;
            }
            ++end;
        }
        result += sql.mid(quote, end - quote + 1);
        start = end + 1;
    }
    return result;
}

}  // namespace orv
