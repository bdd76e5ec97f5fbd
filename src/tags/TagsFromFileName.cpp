#include "tags/TagsFromFileName.h"

#include "core/ProgramState.h"
#include "core/RuntimeError.h"
#include "core/Text.h"
#include "tags/ID3Tags.h"
#include "tags/SongFields.h"
#include "tags/TagComponent.h"

#include <QDir>
#include <algorithm>
#include <map>
#include <optional>

namespace orv {
namespace {

// In the pattern a backslash (or a slash) stands for one folder level of the path.
QString withPathSeparators(QString text) {
    text.replace(QLatin1Char('\\'), QDir::separator());
    text.replace(QLatin1Char('/'), QDir::separator());
    return text;
}

// The pattern's placeholders, sorted by position, each with its separator.
std::vector<PlaceholderRow> placeholderRows(const QString& pattern) {
    static const std::pair<QString, QString> placeholders[] = {{QStringLiteral("%A"), QStringLiteral("Artist")},
                                                               {QStringLiteral("%T"), QStringLiteral("Title")},
                                                               {QStringLiteral("%B"), QStringLiteral("Album")},
                                                               {QStringLiteral("%K"), QStringLiteral("Track")}};
    std::vector<PlaceholderRow> rows;
    for (const auto& [placeholder, field] : placeholders) {
        const qsizetype position = pattern.indexOf(placeholder);
        if (position >= 0) rows.push_back({position, field, QString()});
    }
    SortPlaceholders(rows);
    for (std::size_t i = 0; i + 1 < rows.size(); ++i) {
        const qsizetype begin = rows[i].position + 2;
        rows[i].separator = withPathSeparators(pattern.mid(begin, rows[i + 1].position - begin));
    }
    return rows;
}

// Where the part of the path that the pattern describes begins: the file name, and one more
// folder for each folder separator. Empty when the path has fewer folders.
std::optional<qsizetype> regionStart(const QString& name, qsizetype folderLevels) {
    qsizetype start = name.size();
    for (qsizetype step = 0; step <= folderLevels; ++step) {
        // At 0 the region holds the whole path; at 1 it begins just after the root.
        if (start <= 1) return std::nullopt;
        start = name.lastIndexOf(QDir::separator(), start - 2) + 1;
    }
    return start;
}

// The field values the path gives by the pattern; empty when the path does not match it.
std::optional<std::map<QString, QString>> parsePath(const QString& fileName, const QString& pattern) {
    // The file's own extension (".mp3", ".flac", ...) is no part of the last field.
    QString name = fileName;
    const qsizetype extension = name.lastIndexOf(QLatin1Char('.'));
    if (extension > name.lastIndexOf(QDir::separator())) name.truncate(extension);

    const std::vector<PlaceholderRow> rows = placeholderRows(pattern);
    const qsizetype folderLevels = std::count_if(rows.begin(), rows.end(), [](const PlaceholderRow& row) {
        return trimBlanks(row.separator) == QString(QDir::separator());
    });
    const std::optional<qsizetype> region = regionStart(name, folderLevels);
    if (!region) return std::nullopt;

    std::map<QString, QString> values;
    qsizetype start = *region;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const PlaceholderRow& row = rows[i];
        qsizetype end = name.size();
        if (i + 1 < rows.size()) {
            const qsizetype found = name.indexOf(row.separator, start);
            if (found < 0) return std::nullopt;
            if (found != start) end = found;
        }
        const QString value = trimBlanks(name.mid(start, end - start));
        values[row.field] = value;
        start += value.size() + row.separator.size();
    }
    return values;
}

// A track number as the one byte of the ID3v1 tag; a type mismatch when it is not 0 to 255.
int trackByte(const QString& track) {
    const long long value = isNumericText(track) ? roundToEven(track.trimmed().toDouble()) : -1;
    if (value < 0 || value > 255) throw RuntimeError(ErrorNumber::TypeMismatch, QStringLiteral("Type mismatch"));
    return static_cast<int>(value);
}

}  // namespace

std::optional<PathTags> tagsFromPath(const QString& fileName, const QString& pattern) {
    if (fileName.isEmpty() || pattern.isEmpty()) return std::nullopt;
    const auto values = parsePath(fileName, pattern);
    if (!values) return std::nullopt;
    const auto value = [&](const char* field) {
        const auto found = values->find(QString::fromLatin1(field));
        return found == values->end() ? QString() : found->second;
    };
    PathTags tags{value("Artist"), value("Album"), value("Title"), value("Track")};
    if (tags.track == QLatin1String("255")) tags.track = QStringLiteral("0");
    return tags;
}

void SortPlaceholders(std::vector<PlaceholderRow>& rows) {
    std::stable_sort(rows.begin(), rows.end(),
                     [](const PlaceholderRow& a, const PlaceholderRow& b) { return a.position < b.position; });
}

namespace {

// The song fields a fill from the path gave.
enum FilledField { kArtistFilled = 1, kBandFilled = 2, kAlbumFilled = 4, kTitleFilled = 8, kTrackFilled = 16 };

// A band left empty takes the artist found where the tags are written: a reading of the written
// tags takes the band from TPE2.
int fillFromPath(ProgramState& state, const QString& fileName, SongFields& song, bool tagsWritten) {
    if (!state.UpdateBlankTags) return 0;
    const bool noArtist = song.Artist.isEmpty(), noTitle = song.Title.isEmpty(), noAlbum = song.Album.isEmpty();
    if (!noArtist && !noTitle && !noAlbum) return 0;
    QString artist, title, album, track;
    if (!TagFromFilename(state, fileName, artist, title, album, track)) return 0;
    int filled = 0;
    if (noArtist && !artist.isEmpty()) {
        song.Artist = artist;
        filled |= kArtistFilled;
        if (tagsWritten && song.Band.isEmpty()) {
            song.Band = artist;
            filled |= kBandFilled;
        }
    }
    if (noAlbum && !album.isEmpty()) {
        song.Album = album;
        filled |= kAlbumFilled;
    }
    if (noTitle && !title.isEmpty()) {
        song.Title = title;
        filled |= kTitleFilled;
    }
    if (noArtist && noTitle && noAlbum && !track.isEmpty()) {
        song.Track = track;
        filled |= kTrackFilled;
    }
    return filled;
}

}  // namespace

void FillBlankTagsFromFileName(ProgramState& state, TagComponent& tags, SongFields& song) {
    const int filled = fillFromPath(state, tags.fileName(), song, true);
    if (filled & kArtistFilled) {
        tags.setID3v1Artist(song.Artist);
        tags.setFrameText(QStringLiteral("TPE1"), song.Artist);
    }
    if (filled & kBandFilled) tags.setFrameText(QStringLiteral("TPE2"), song.Band);
    if (filled & kAlbumFilled) {
        tags.setID3v1Album(song.Album);
        tags.setFrameText(QStringLiteral("TALB"), song.Album);
    }
    if (filled & kTitleFilled) {
        tags.setID3v1Title(song.Title);
        tags.setFrameText(QStringLiteral("TIT2"), song.Title);
    }
    if (filled & kTrackFilled) {
        tryStep([&] { tags.setID3v1Track(trackByte(song.Track)); });
        tags.setFrameText(QStringLiteral("TRCK"), song.Track);
    }
}

void fillBlankFieldsFromFileName(ProgramState& state, const QString& fileName, SongFields& song) {
    fillFromPath(state, fileName, song, false);
}

bool TagFromFilename(ProgramState& state, const QString& fileName, QString& artist, QString& title, QString& album,
                     QString& track) {
    const std::optional<PathTags> parsed = tagsFromPath(fileName, state.BlankTagFormat);
    if (!parsed) return false;
    artist = parsed->artist;
    title = parsed->title;
    album = parsed->album;
    track = parsed->track;
    return true;
}

}  // namespace orv
