#include "store/LibrarySchema.h"

#include "store/DataAccess.h"

namespace orv {

QString musicLibraryCreateStatement(const QString& name) {
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
    return QStringLiteral("CREATE TABLE ") + SqlQuote(name) + QStringLiteral(" (") + columns + QStringLiteral(");");
}

}  // namespace orv
