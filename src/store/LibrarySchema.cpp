#include "store/LibrarySchema.h"

#include "store/DataAccess.h"

#include <QHash>
#include <QRegularExpression>
#include <algorithm>

namespace orv {

namespace {

const QString& columnDefinitions() {
    static const QString columns = QStringLiteral(
        "Artist Text(255) WITH COMPRESSION, "
        "Title Text(255) WITH COMPRESSION, "
        "Album Text(255) WITH COMPRESSION, "
        "BandName Text(255) WITH COMPRESSION, "
        "Duration Text(50) WITH COMPRESSION, "
        "Seconds Long, "
        "Track Long, "
        "SongYear Text(255) WITH COMPRESSION, "
        "SongDecade Text(255) WITH COMPRESSION, "
        "CDYear Text(255) WITH COMPRESSION, "
        "Genre Text(255) WITH COMPRESSION, "
        "CommentTitle Text(255) WITH COMPRESSION, "
        "CommentText Text(255) WITH COMPRESSION, "
        "Filename Text(255) WITH COMPRESSION, "
        "FileDateTimeLow Long, "
        "FileDateTimeHigh Long, "
        "FileLength Long, "
        "TimesPlayed Long, "
        "LastDateTimePlayed DateTime, "
        "HasLyrics Text(255),"
        "Rating Text(255),"
        "Display Text(255),"
        "Compilation Text(255),"
        "DateAdded DateTime, "
        "LastUpdated DateTime ");
    return columns;
}

const QHash<QString, int>& textColumnWidths() {
    static const QHash<QString, int> widths = [] {
        QHash<QString, int> found;
        static const QRegularExpression text(QStringLiteral("(\\w+) Text\\((\\d+)\\)"));
        for (const QRegularExpressionMatch& match : text.globalMatch(columnDefinitions()))
            found.insert(match.captured(1).toLower(), match.captured(2).toInt());
        return found;
    }();
    return widths;
}

}  // namespace

int textColumnWidth(const QString& column) {
    return textColumnWidths().value(column.toLower(), 0);
}

QString fitColumn(const QString& text, const QString& column) {
    // A text that fits the narrowest text column fits every column, and is not looked up.
    static const int narrowest = *std::min_element(textColumnWidths().cbegin(), textColumnWidths().cend());
    if (text.size() <= narrowest) return text;
    const int width = textColumnWidth(column);
    if (width == 0 || text.size() <= width) return text;
    QString cut = text.left(width);
    if (cut.back().isHighSurrogate()) cut.chop(1);
    return cut;
}

QString musicLibraryCreateStatement(const QString& name) {
    const QString& columns = columnDefinitions();
    return QStringLiteral("CREATE TABLE ") + SqlQuote(name) + QStringLiteral(" (") + columns + QStringLiteral(");");
}

}  // namespace orv
