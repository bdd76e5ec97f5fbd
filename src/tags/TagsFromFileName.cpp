#include "tags/TagsFromFileName.h"

#include "core/ProgramState.h"
#include "core/RuntimeError.h"
#include "core/Text.h"
#include "tags/ID3Tags.h"
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
    QString name = fileName;
    if (name.endsWith(QLatin1String(".MP3"), Qt::CaseInsensitive)) name.chop(4);

    const std::vector<PlaceholderRow> rows = placeholderRows(pattern);
    const qsizetype folderLevels = std::count_if(rows.begin(), rows.end(), [](const PlaceholderRow& row) {
        return TrimBlanks(row.separator) == QString(QDir::separator());
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
        const QString value = TrimBlanks(name.mid(start, end - start));
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

// A file that cannot be read as MPEG audio gets nothing written. Both tags go into the file in one
// write, whose failure the caller hears of.
void writeTagsFromPath(const QString& fileName, const QString& artist, const QString& title, const QString& album,
                       const QString& track) {
    TagComponent tags;
    if (!tags.openFile(fileName)) return;
    if (!artist.isEmpty()) {
        tags.setID3v1Artist(artist);
        tags.setFrameText(QStringLiteral("TPE1"), artist);
        tags.setFrameText(QStringLiteral("TPE2"), artist);
    }
    if (!album.isEmpty()) {
        tags.setID3v1Album(album);
        tags.setFrameText(QStringLiteral("TALB"), album);
    }
    if (!title.isEmpty()) {
        tags.setID3v1Title(title);
        tags.setFrameText(QStringLiteral("TIT2"), title);
    }
    if (!track.isEmpty()) {
        TryStep([&] { tags.setID3v1Track(trackByte(track)); });
        tags.setFrameText(QStringLiteral("TRCK"), track);
    }
    tags.writeTags();
}

}  // namespace

std::optional<PathTags> TagsFromPath(const QString& fileName, const QString& pattern) {
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

void FillBlankTagsFromFileName(ProgramState& state, const QString& fileName, QString& artist, QString& title,
                               QString& album, QString& track) {
    if (!state.UpdateBlankTags) return;
    const bool noArtist = artist.isEmpty(), noTitle = title.isEmpty(), noAlbum = album.isEmpty();
    if (noArtist && noTitle && noAlbum) {
        TagFromFilename(state, fileName, artist, title, album, track);
        return;
    }
    if (!noArtist && !noTitle && !noAlbum) return;
    QString scratchArtist, scratchTitle, scratchAlbum, scratchTrack;
    TagFromFilename(state, fileName, noArtist ? artist : scratchArtist, noTitle ? title : scratchTitle,
                    noAlbum ? album : scratchAlbum, scratchTrack);
}

void TagFromFilename(ProgramState& state, const QString& fileName, QString& artist, QString& title, QString& album,
                     QString& track) {
    const QString pattern = state.BlankTagFormat;
    if (fileName.isEmpty() || pattern.isEmpty()) return;
    const auto values = parsePath(fileName, pattern);
    if (!values) return;

    const std::map<QString, QString*> fields{{QStringLiteral("Artist"), &artist},
                                             {QStringLiteral("Title"), &title},
                                             {QStringLiteral("Album"), &album},
                                             {QStringLiteral("Track"), &track}};
    for (const auto& [field, value] : *values) *fields.at(field) = value;
    if (track == QLatin1String("255")) track = QStringLiteral("0");

    writeTagsFromPath(fileName, artist, title, album, track);
}

}  // namespace orv
