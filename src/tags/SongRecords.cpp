#include "tags/SongRecords.h"

#include "core/Controls.h"
#include "core/FrontEnd.h"
#include "core/ProgramState.h"
#include "core/Text.h"
#include "store/DataAccess.h"
#include "store/LibrarySchema.h"
#include "store/MusicLibraries.h"
#include "tags/ID3Tags.h"
#include "tags/TagComponent.h"

#include <QStringList>

namespace orv {
namespace {

constexpr int kCommentLength = 254;

QString hasLyricsValue(const SongFields& song) {
    return song.Lyrics.isEmpty() ? QStringLiteral("''") : QStringLiteral("'Y'");
}

void defaultWhenBlank(QString& field, const QString& fallback) {
    if (NullToText(field).isEmpty()) field = fallback;
}

// The number of records of the current Music Library that meet the condition; 0 without an answer.
int countSongRecords(ProgramState& state, const QString& condition) {
    Recordset counted = GetRecordset(
        state,
        QStringLiteral("SELECT Count(*) FROM ") + SqlQuote(state.CurrentMusicLibrary) + QStringLiteral(" ") + condition,
        Db::Libraries);
    if (counted.isNothing()) return 0;
    const int count = counted.field(0).toInt();
    counted.close();
    return count;
}

// The defaults both writers apply, and the status they show.
void prepareSongRecord(ProgramState& state, SongFields& song) {
    applySongDefaults(song);
    state.ui().setCaption(Control::lblDownloadStatus, QStringLiteral("Updating Music Library..."));
}

}  // namespace

QString recordComment(const QString& text) {
    QString quoted = SqlQuote(text).left(kCommentLength);
    if (!quoted.isEmpty() && quoted.back().isHighSurrogate()) quoted.chop(1);
    qsizetype trailingQuotes = 0;
    while (trailingQuotes < quoted.size() && quoted[quoted.size() - 1 - trailingQuotes] == QLatin1Char('\''))
        ++trailingQuotes;
    if (trailingQuotes % 2 == 1) quoted.chop(1);
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

QString recordDate(const QDateTime& now) {
    return QLatin1Char('\'') + now.toString(QStringLiteral("yyyy-MM-dd")) + QLatin1Char('\'');
}

QString recordDateTime(const QDateTime& now) {
    return QLatin1Char('\'') + now.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) + QLatin1Char('\'');
}

void applySongDefaults(SongFields& song) {
    defaultWhenBlank(song.Artist, QStringLiteral("Unknown Artist"));
    defaultWhenBlank(song.Title, QStringLiteral("Unknown Title"));
    defaultWhenBlank(song.Album, QStringLiteral("Unknown Album"));
    defaultWhenBlank(song.Band, QStringLiteral("Unknown Band"));
    if (song.Track.isEmpty()) song.Track = QStringLiteral("0");
    // Nothing longer than its column is stored, or logged.
    const std::pair<QString*, const char*> columns[] = {{&song.Title, "Title"},
                                                        {&song.Artist, "Artist"},
                                                        {&song.Album, "Album"},
                                                        {&song.Band, "BandName"},
                                                        {&song.SongYear, "SongYear"},
                                                        {&song.CDYear, "CDYear"},
                                                        {&song.Genre, "Genre"},
                                                        {&song.Rating, "Rating"},
                                                        {&song.CommentTitle, "CommentTitle"},
                                                        {&song.CommentText, "CommentText"},
                                                        {&song.SongDecade, "SongDecade"},
                                                        {&song.Compilation, "Compilation"}};
    for (const auto& [field, column] : columns) *field = fitColumn(TrimBlanks(*field), QLatin1String(column));
}

int CountSongsWithFileStamp(ProgramState& state, const QString& fileName, const QString& lowText,
                            const QString& highText) {
    return countSongRecords(state, QStringLiteral("WHERE Filename=") + SqlText(fileName) +
                                       QStringLiteral(" AND FileDateTimeLow=") + lowText +
                                       QStringLiteral(" AND FileDateTimeHigh=") + highText);
}

int CountSongsWithFile(ProgramState& state, const QString& fileName) {
    return countSongRecords(state, QStringLiteral("WHERE Filename=") + SqlText(fileName));
}

QString songInsertStatement(const QString& table, const QStringList& values) {
    const QString columns = QStringLiteral(
        " (Album, Artist, Title, BandName, Duration, Seconds, Track, SongYear, SongDecade, CDYear, "
        "Genre, Rating, Compilation, CommentTitle, CommentText, FileName, FileDateTimeLow, "
        "FileDateTimeHigh, DateAdded, LastUpdated, HasLyrics ) SELECT ");
    const QString joined = values.join(QStringLiteral(", "));
    QString statement;
    statement.reserve(table.size() + columns.size() + joined.size() + 16);
    statement.append(QStringLiteral("INSERT INTO ")).append(SqlQuote(table)).append(columns).append(joined);
    return statement;
}

QString songUpdateStatement(const QString& table, const QStringList& assignments, const QString& fileName) {
    return QStringLiteral("UPDATE ") + SqlQuote(table) + QStringLiteral(" SET ") +
           assignments.join(QStringLiteral(", ")) + QStringLiteral("WHERE FileName= ") + SqlText(fileName);
}

QString insertSongStatement(const QString& table, const QString& fileName, const SongFields& song, int seconds,
                            const QString& highText, const QString& lowText, const QDateTime& now) {
    const QStringList values{
        SqlText(song.Album),
        SqlText(song.Artist),
        SqlText(song.Title),
        SqlText(song.Band),
        QStringLiteral("'") + recordDuration(seconds) + QStringLiteral("'"),
        QString::number(seconds),
        QString::number(LeadingNumber(song.Track), 'g', 15),
        SqlText(song.SongYear),
        SqlText(song.SongDecade),
        SqlText(song.CDYear),
        SqlText(song.Genre),
        SqlText(song.Rating),
        SqlText(song.Compilation),
        recordComment(song.CommentTitle),
        recordComment(song.CommentText),
        SqlText(fileName),
        lowText,
        highText,
        recordDate(now),
        recordDateTime(now),
        hasLyricsValue(song),
    };
    return songInsertStatement(table, values);
}

QString updateSongStatement(const QString& table, const QString& fileName, const SongFields& song, int seconds,
                            const QString& highText, const QString& lowText, const QDateTime& now) {
    const QStringList assignments{
        QStringLiteral("BandName=") + SqlText(song.Band),
        QStringLiteral("Album=") + SqlText(song.Album),
        QStringLiteral("Artist=") + SqlText(song.Artist),
        QStringLiteral("Title=") + SqlText(song.Title),
        QStringLiteral("Duration=") + SqlText(recordDuration(seconds)),
        QStringLiteral("Seconds=") + QString::number(seconds),
        QStringLiteral("Track=") + SqlText(song.Track),
        QStringLiteral("SongYear=") + SqlText(song.SongYear),
        QStringLiteral("CDYear=") + SqlText(song.CDYear),
        QStringLiteral("Compilation=") + SqlText(song.Compilation),
        QStringLiteral("SongDecade=") + SqlText(song.SongDecade),
        QStringLiteral("Genre=") + SqlText(song.Genre),
        QStringLiteral("Rating=") + SqlText(song.Rating),
        QStringLiteral("CommentTitle=") + recordComment(song.CommentTitle),
        QStringLiteral("CommentText=") + recordComment(song.CommentText),
        QStringLiteral("FileDateTimeLow=") + lowText,
        QStringLiteral("FileDateTimeHigh=") + highText,
        QStringLiteral("LastUpdated=") + recordDateTime(now),
        QStringLiteral("HasLyrics = ") + hasLyricsValue(song) + QStringLiteral(" "),
    };
    return songUpdateStatement(table, assignments, fileName);
}

void InsertSongRecord(ProgramState& state, const TagComponent& tags, const QString& fileName, SongFields& song,
                      const QString& highText, const QString& lowText) {
    InsertSongRecord(state, ResolveSongLength(tags), fileName, song, highText, lowText);
}

void UpdateSongRecord(ProgramState& state, const TagComponent& tags, const QString& fileName, SongFields& song,
                      const QString& highText, const QString& lowText) {
    UpdateSongRecord(state, ResolveSongLength(tags), fileName, song, highText, lowText);
}

void InsertSongRecord(ProgramState& state, int seconds, const QString& fileName, SongFields& song,
                      const QString& highText, const QString& lowText) {
    prepareSongRecord(state, song);
    const QString statement = insertSongStatement(state.CurrentMusicLibrary, fileName, song, seconds, highText, lowText,
                                                  QDateTime::currentDateTime());
    if (!ExecuteSQLCommand(state, statement, Db::Libraries)) return;
    ++state.run.AddedCount;
    showAddedSongCount(state);
}

void UpdateSongRecord(ProgramState& state, int seconds, const QString& fileName, SongFields& song,
                      const QString& highText, const QString& lowText) {
    prepareSongRecord(state, song);
    const QString statement = updateSongStatement(state.CurrentMusicLibrary, fileName, song, seconds, highText, lowText,
                                                  QDateTime::currentDateTime());
    if (ExecuteSQLCommand(state, statement, Db::Libraries)) ++state.run.UpdatedCount;
}

void ShowSongAlreadyInLibrary(ProgramState& state) {
    FrontEnd& ui = state.ui();
    ui.setAllVisible(songDetailLabels(), false);
    ui.setVisible(Control::imgBuildAlbumCover, false);
    ui.setCaption(Control::lblDownloadStatus, QStringLiteral("Song Already In Music Library..."));
}

QString FormatDuration(int seconds) {
    if (seconds <= 0) return {};
    const int hours = seconds / 3600;
    const QString minutesAndSeconds = QStringLiteral("%1:%2")
                                          .arg(seconds % 3600 / 60, hours > 0 ? 2 : 1, 10, QLatin1Char('0'))
                                          .arg(seconds % 60, 2, 10, QLatin1Char('0'));
    return hours > 0 ? QString::number(hours) + QStringLiteral(":") + minutesAndSeconds : minutesAndSeconds;
}

QString recordDuration(int seconds) {
    const QString text = FormatDuration(seconds);
    return text.isEmpty() ? QStringLiteral("0:00") : text;
}

int ResolveSongLength(const TagComponent& tags) {
    const long long seconds = roundToEven(tags.lengthInSeconds());
    if (seconds != 0) return static_cast<int>(seconds);
    return static_cast<int>(roundToEven(static_cast<double>(tags.measuredMilliseconds()) / 1000.0));
}

}  // namespace orv
