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

#include <QElapsedTimer>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <vector>

namespace orv {
namespace {

constexpr int kCommentLength = 254;

QVariant hasLyricsValue(const SongFields& song) {
    return song.Lyrics.isEmpty() ? QStringLiteral("") : QStringLiteral("Y");
}

void defaultWhenBlank(QString& field, const QString& fallback) {
    if (NullToText(field).isEmpty()) field = fallback;
}

// The defaults both writers apply, and the status they show.
void prepareSongRecord(ProgramState& state, SongFields& song) {
    applySongDefaults(song);
    state.ui().setCaption(Control::lblDownloadStatus, QStringLiteral("Updating Music Library..."));
}

// A time's text to the second, made anew only when the second changed: the writers give every
// record of the same second the same time.
class TimeText {
public:
    const QString& of(const QDateTime& now, const QString& format) {
        const QTime time = now.time();
        const QTime second(time.hour(), time.minute(), time.second());
        const QDate date = now.date();
        if (text_.isNull() || date != date_ || second != second_) {
            date_ = date;
            second_ = second;
            text_ = now.toString(format);
        }
        return text_;
    }

private:
    QDate date_;
    QTime second_;
    QString text_;
};

// A statement's text for a table and its columns, made anew only when either changed: the writers
// give the same columns (the same names, in the same order) for every record.
class StatementText {
public:
    template <class Make>
    const QString& of(const QString& table, const RecordValues& values, Make make) {
        const bool same = !sql_.isNull() && table == table_ &&
                          std::equal(columns_.cbegin(), columns_.cend(), values.cbegin(), values.cend(),
                                     [](const char* column, const auto& value) { return column == value.first; });
        if (!same) {
            table_ = table;
            columns_.clear();
            for (const auto& value : values) columns_.push_back(value.first);
            sql_ = make();
        }
        return sql_;
    }

private:
    QString table_;
    std::vector<const char*> columns_;
    QString sql_;
};

std::vector<QVariant> valuesOf(const RecordValues& values) {
    std::vector<QVariant> bound;
    bound.reserve(values.size() + 1);
    for (const auto& value : values) bound.push_back(value.second);
    return bound;
}

}  // namespace

QVariant recordText(const QString& text) {
    return trimBlanks(text);
}

QVariant recordComment(const QString& text) {
    const QString trimmed = trimBlanks(text);
    qsizetype length = 0, quoted = 0;
    while (length < trimmed.size()) {
        const qsizetype width = trimmed[length] == QLatin1Char('\'') ? 2 : 1;
        if (quoted + width > kCommentLength) break;
        quoted += width;
        ++length;
    }
    if (length > 0 && length < trimmed.size() && trimmed[length - 1].isHighSurrogate()) --length;
    return trimmed.left(length);
}

QVariant recordDate(const QDateTime& now) {
    thread_local TimeText text;
    return text.of(now, QStringLiteral("yyyy-MM-dd"));
}

QVariant recordDateTime(const QDateTime& now) {
    thread_local TimeText text;
    return text.of(now, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QVariant recordNumber(qint64 number) {
    return QVariant::fromValue(number);
}

QVariant recordLeadingNumber(const QString& text) {
    const double number = leadingNumber(text);
    constexpr double kExactWhole = 9007199254740992.0;  // 2^53
    if (number == std::trunc(number) && std::fabs(number) < kExactWhole)
        return recordNumber(static_cast<qint64>(number));
    return number;
}

QDateTime recordTime() {
    thread_local QDateTime read;
    thread_local QElapsedTimer sinceRead;
    // A local time is worked out anew (a look at the time zone, each time) only when the second
    // the records show has ended.
    thread_local QDateTime shown;
    thread_local qint64 shownUntil = 0;  // the monotonic clock's reading at which that second ends
    if (!sinceRead.isValid() || sinceRead.hasExpired(1000)) {
        read = shown = QDateTime::currentDateTime();
        sinceRead.start();
        shownUntil = 1000 - shown.time().msec();
        return shown;
    }
    const qint64 elapsed = sinceRead.elapsed();
    if (elapsed >= shownUntil) {
        shown = read.addMSecs(elapsed);
        shownUntil = elapsed + 1000 - shown.time().msec();
    }
    return shown;
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
    for (const auto& [field, column] : columns) *field = fitColumn(trimBlanks(*field), QLatin1String(column));
}

BoundStatement songInsertStatement(const QString& table, const RecordValues& values) {
    thread_local StatementText text;
    const QString& sql = text.of(table, values, [&] {
        QString columns, marks;
        for (const auto& value : values) {
            if (!columns.isEmpty()) {
                columns += QStringLiteral(", ");
                marks += QStringLiteral(", ");
            }
            columns += QLatin1String(value.first);
            marks += QLatin1Char('?');
        }
        return QStringLiteral("INSERT INTO ") + SqlQuote(table) + QStringLiteral(" (") + columns +
               QStringLiteral(") VALUES (") + marks + QLatin1Char(')');
    });
    return {sql, valuesOf(values)};
}

BoundStatement songUpdateStatement(const QString& table, const RecordValues& values, const QString& fileName) {
    thread_local StatementText text;
    const QString& sql = text.of(table, values, [&] {
        QString sets;
        for (const auto& value : values) {
            if (!sets.isEmpty()) sets += QStringLiteral(", ");
            sets += QLatin1String(value.first) + QStringLiteral(" = ?");
        }
        return QStringLiteral("UPDATE ") + SqlQuote(table) + QStringLiteral(" SET ") + sets +
               QStringLiteral(" WHERE FileName = ?");
    });
    BoundStatement statement{sql, valuesOf(values)};
    statement.values.emplace_back(fileName);
    return statement;
}

BoundStatement insertSongStatement(const QString& table, const QString& fileName, const SongFields& song, int seconds,
                                   const QString& highText, const QString& lowText, const QDateTime& now) {
    return songInsertStatement(table, {{"Album", recordText(song.Album)},
                                       {"Artist", recordText(song.Artist)},
                                       {"Title", recordText(song.Title)},
                                       {"BandName", recordText(song.Band)},
                                       {"Duration", recordDuration(seconds)},
                                       {"Seconds", recordNumber(seconds)},
                                       {"Track", recordLeadingNumber(song.Track)},
                                       {"SongYear", recordText(song.SongYear)},
                                       {"SongDecade", recordText(song.SongDecade)},
                                       {"CDYear", recordText(song.CDYear)},
                                       {"Genre", recordText(song.Genre)},
                                       {"Rating", recordText(song.Rating)},
                                       {"Compilation", recordText(song.Compilation)},
                                       {"CommentTitle", recordComment(song.CommentTitle)},
                                       {"CommentText", recordComment(song.CommentText)},
                                       {"FileName", fileName},
                                       {"FileDateTimeLow", recordNumber(lowText.toLongLong())},
                                       {"FileDateTimeHigh", recordNumber(highText.toLongLong())},
                                       {"DateAdded", recordDate(now)},
                                       {"LastUpdated", recordDateTime(now)},
                                       {"HasLyrics", hasLyricsValue(song)}});
}

BoundStatement updateSongStatement(const QString& table, const QString& fileName, const SongFields& song, int seconds,
                                   const QString& highText, const QString& lowText, const QDateTime& now) {
    return songUpdateStatement(table,
                               {{"BandName", recordText(song.Band)},
                                {"Album", recordText(song.Album)},
                                {"Artist", recordText(song.Artist)},
                                {"Title", recordText(song.Title)},
                                {"Duration", recordDuration(seconds)},
                                {"Seconds", recordNumber(seconds)},
                                {"Track", recordText(song.Track)},
                                {"SongYear", recordText(song.SongYear)},
                                {"CDYear", recordText(song.CDYear)},
                                {"Compilation", recordText(song.Compilation)},
                                {"SongDecade", recordText(song.SongDecade)},
                                {"Genre", recordText(song.Genre)},
                                {"Rating", recordText(song.Rating)},
                                {"CommentTitle", recordComment(song.CommentTitle)},
                                {"CommentText", recordComment(song.CommentText)},
                                {"FileDateTimeLow", recordNumber(lowText.toLongLong())},
                                {"FileDateTimeHigh", recordNumber(highText.toLongLong())},
                                {"LastUpdated", recordDateTime(now)},
                                {"HasLyrics", hasLyricsValue(song)}},
                               fileName);
}

SongRecordWrite songRecordWrite(ProgramState& state, bool added, int seconds, const QString& fileName, SongFields& song,
                                const QString& highText, const QString& lowText) {
    prepareSongRecord(state, song);
    const auto statement = added ? insertSongStatement : updateSongStatement;
    return {statement(state.CurrentMusicLibrary, fileName, song, seconds, highText, lowText, recordTime()), added};
}

bool WriteSongRecord(ProgramState& state, SongRecordWrite write) {
    if (!ExecuteSQLCommand(state, std::move(write.statement), Db::Libraries)) return false;
    if (write.added) {
        ++state.run.AddedCount;
        showAddedSongCount(state);
    } else {
        ++state.run.UpdatedCount;
    }
    return true;
}

void InsertSongRecord(ProgramState& state, const TagComponent& tags, const QString& fileName, SongFields& song,
                      const QString& highText, const QString& lowText) {
    WriteSongRecord(state, songRecordWrite(state, true, ResolveSongLength(tags), fileName, song, highText, lowText));
}

void UpdateSongRecord(ProgramState& state, const TagComponent& tags, const QString& fileName, SongFields& song,
                      const QString& highText, const QString& lowText) {
    WriteSongRecord(state, songRecordWrite(state, false, ResolveSongLength(tags), fileName, song, highText, lowText));
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
