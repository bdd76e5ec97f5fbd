#include "tags/SideFileTags.h"

#include "core/Text.h"
#include "store/DataAccess.h"
#include "store/LibrarySchema.h"
#include "tags/ID3Tags.h"
#include "tags/SongRecords.h"

#include <QFile>
#include <QStringDecoder>
#include <QXmlStreamReader>
#include <limits>

namespace orv {
namespace {

// Larger side files, or deeper ones, are refused: a song's fields need neither.
constexpr qint64 kLargestSideFile = qint64(1) << 20;
constexpr int kDeepestSideFile = 64;

QString decodeSideFile(const QByteArray& contents) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(contents);
    if (utf8.hasError()) text = QString::fromLatin1(contents);
    if (text.startsWith(QChar(0xfeff))) text.remove(0, 1);
    return text;
}

void setField(SideFileSong& side, QStringView name, const QString& value) {
    SongFields& song = side.song;
    if (name == QLatin1String("Artist"))
        song.Artist = value;
    else if (name == QLatin1String("Title"))
        song.Title = value;
    else if (name == QLatin1String("Album"))
        song.Album = value;
    else if (name == QLatin1String("Band"))
        song.Band = value;
    else if (name == QLatin1String("Track"))
        song.Track = value;
    else if (name == QLatin1String("Year"))
        song.SongYear = song.CDYear = value;
    else if (name == QLatin1String("Genre"))
        song.Genre = value;
    else if (name == QLatin1String("CommentTitle"))
        song.CommentTitle = value;
    else if (name == QLatin1String("CommentText"))
        song.CommentText = value;
    else if (name == QLatin1String("Seconds"))
        side.seconds = value;
    else if (name == QLatin1String("Duration"))
        side.duration = value;
}

}  // namespace

QString sideFilePath(const QString& mediaFile) {
    return mediaFile + QStringLiteral(".tag");
}

std::optional<SideFileSong> readSideFile(const QString& sideFile, QString* problem) {
    QFile file(sideFile);
    const auto refuse = [problem](const QString& why) {
        if (problem) *problem = why;
        return std::nullopt;
    };
    if (!file.open(QIODevice::ReadOnly))
        return refuse(QStringLiteral("Its side file cannot be read: ") + file.errorString());
    if (file.size() > kLargestSideFile) return refuse(QStringLiteral("Its side file is larger than 1 MiB."));
    return parseSideFile(file.read(kLargestSideFile + 1), problem);
}

std::optional<SideFileSong> parseSideFile(const QByteArray& contents, QString* problem) {
    const auto refuse = [problem](const QString& why) {
        if (problem) *problem = why;
        return std::nullopt;
    };
    if (contents.size() > kLargestSideFile) return refuse(QStringLiteral("Its side file is larger than 1 MiB."));
    if (contents.trimmed().isEmpty()) return refuse(QStringLiteral("Its side file is empty."));
    // UTF-16 text holds NULs too.
    if (contents.contains('\0'))
        return refuse(QStringLiteral("Its side file holds a NUL character: it is not single-byte or UTF-8 text."));
    QString text = decodeSideFile(contents);
    text.replace(QLatin1Char('&'), QStringLiteral("&amp;"));
    QXmlStreamReader xml(text);
    SideFileSong side;
    // The root's children give the fields, each the text of everything inside it.
    int depth = 0;
    bool sawRoot = false;
    QString field, value;
    while (!xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement:
            sawRoot = true;
            if (++depth > kDeepestSideFile)
                return refuse(QStringLiteral("Its side file is nested deeper than %1 levels.").arg(kDeepestSideFile));
            if (depth == 2) field = xml.name().toString(), value.clear();
            break;
        case QXmlStreamReader::EndElement:
            if (depth-- == 2) setField(side, field, value);
            break;
        case QXmlStreamReader::Characters:
            if (depth >= 2) value += xml.text();
            break;
        default:
            break;
        }
    }
    if (xml.hasError() || !sawRoot)
        return refuse(QStringLiteral("Its side file is not well-formed XML: %1 (line %2).")
                          .arg(sawRoot ? xml.errorString() : QStringLiteral("no element"))
                          .arg(xml.lineNumber()));
    side.song.SongDecade = decadeOf(side.song.SongYear);
    return side;
}

int sideFileSeconds(const QString& seconds) {
    if (!isNumericText(seconds)) return 0;
    const double value = seconds.trimmed().toDouble();
    if (value >= std::numeric_limits<qint32>::max() || value <= std::numeric_limits<qint32>::min()) return 0;
    return static_cast<int>(roundToEven(value));
}

BoundStatement insertSideFileStatement(const QString& table, const QString& mediaFile, const SideFileSong& side,
                                       const QString& lowText, const QString& highText, const QDateTime& now) {
    const SongFields& song = side.song;
    return songInsertStatement(table, {{"Album", recordText(song.Album)},
                                       {"Artist", recordText(song.Artist)},
                                       {"Title", recordText(song.Title)},
                                       {"BandName", recordText(song.Band)},
                                       {"Duration", recordText(fitColumn(side.duration, QStringLiteral("Duration")))},
                                       {"Seconds", recordNumber(sideFileSeconds(side.seconds))},
                                       {"Track", recordLeadingNumber(song.Track)},
                                       {"SongYear", recordText(song.SongYear)},
                                       {"SongDecade", recordText(song.SongDecade)},
                                       {"CDYear", recordText(song.CDYear)},
                                       {"Genre", recordText(song.Genre)},
                                       {"Rating", QStringLiteral("")},
                                       {"Compilation", QStringLiteral("")},
                                       {"CommentTitle", recordComment(song.CommentTitle)},
                                       {"CommentText", recordComment(song.CommentText)},
                                       {"FileName", mediaFile},
                                       {"FileDateTimeLow", recordNumber(lowText.toLongLong())},
                                       {"FileDateTimeHigh", recordNumber(highText.toLongLong())},
                                       {"DateAdded", recordDate(now)},
                                       {"LastUpdated", recordDateTime(now)},
                                       {"HasLyrics", QStringLiteral("")}});
}

BoundStatement updateSideFileStatement(const QString& table, const QString& mediaFile, const SideFileSong& side,
                                       const QString& lowText, const QString& highText, const QDateTime& now) {
    const SongFields& song = side.song;
    return songUpdateStatement(table,
                               {{"BandName", recordText(song.Band)},
                                {"Album", recordText(song.Album)},
                                {"Artist", recordText(song.Artist)},
                                {"Title", recordText(song.Title)},
                                {"Duration", recordText(fitColumn(side.duration, QStringLiteral("Duration")))},
                                {"Seconds", recordNumber(sideFileSeconds(side.seconds))},
                                {"Track", recordText(song.Track)},
                                {"SongYear", recordText(song.SongYear)},
                                {"CDYear", recordText(song.CDYear)},
                                {"Compilation", QStringLiteral("")},
                                {"SongDecade", recordText(song.SongDecade)},
                                {"Genre", recordText(song.Genre)},
                                {"Rating", QStringLiteral("")},
                                {"CommentTitle", recordComment(song.CommentTitle)},
                                {"CommentText", recordComment(song.CommentText)},
                                {"FileDateTimeLow", recordNumber(lowText.toLongLong())},
                                {"FileDateTimeHigh", recordNumber(highText.toLongLong())},
                                {"LastUpdated", recordDateTime(now)},
                                {"HasLyrics", QStringLiteral("")}},
                               mediaFile);
}

}  // namespace orv
