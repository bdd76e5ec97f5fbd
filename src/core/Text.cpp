#include "core/Text.h"

#include <algorithm>

namespace orv {

QString trimBlanks(const QString& text) {
    // Blanks only: other white space stays, as the engine's own trim would leave it.
    qsizetype start = 0, end = text.size();
    while (start < end && text[start] == QLatin1Char(' ')) ++start;
    while (end > start && text[end - 1] == QLatin1Char(' ')) --end;
    return text.mid(start, end - start);
}

QString TrimAtNull(const QString& text) {
    const qsizetype at = text.indexOf(QChar(0));
    return at < 0 ? text : text.left(at);
}

QString StripControlChars(const QString& text, int keepCode) {
    if (keepCode == 0) keepCode = 128;
    const auto stripped = [keepCode](QChar c) {
        const ushort code = c.unicode();
        return (code < 32 && code != keepCode) || code == 127;
    };
    if (std::none_of(text.begin(), text.end(), stripped)) return text;
    QString cleaned;
    cleaned.reserve(text.size());
    for (const QChar c : text)
        if (!stripped(c)) cleaned += c;
    return cleaned;
}

double leadingNumber(const QString& text) {
    const QString trimmed = text.trimmed();
    qsizetype end = trimmed.startsWith(QLatin1Char('-')) || trimmed.startsWith(QLatin1Char('+')) ? 1 : 0;
    bool seenPoint = false;
    while (end < trimmed.size()) {
        const QChar c = trimmed[end];
        if (c.isDigit()) {
            ++end;
        } else if (c == QLatin1Char('.') && !seenPoint) {
            seenPoint = true;
            ++end;
        } else {
            break;
        }
    }
    bool ok = false;
    const double value = trimmed.left(end).toDouble(&ok);
    return ok ? value : 0.0;
}

bool endsWithIgnoringCase(QStringView text, QStringView ending) {
    if (ending.size() > text.size()) return false;
    const QStringView tail = text.right(ending.size());
    const auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; };
    for (qsizetype i = 0; i < tail.size(); ++i) {
        const char16_t a = tail[i].unicode();
        const char16_t b = ending[i].unicode();
        // An ASCII letter folds only to ASCII: a difference there is final, whatever follows.
        if (a >= 0x80 || b >= 0x80) return tail.mid(i).compare(ending.mid(i), Qt::CaseInsensitive) == 0;
        if (lower(a) != lower(b)) return false;
    }
    return true;
}

}  // namespace orv
