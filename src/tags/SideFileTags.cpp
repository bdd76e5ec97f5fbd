#include "tags/SideFileTags.h"

#include "core/Text.h"
#include "store/DataAccess.h"
#include "tags/ID3Tags.h"
#include "tags/SongRecords.h"

#include <QFile>
#include <QStringDecoder>
#include <QXmlStreamReader>
#include <limits>

namespace orv {
namespace {

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

std::optional<SideFileSong> readSideFile(const QString& sideFile) {
    QFile file(sideFile);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    return parseSideFile(file.readAll());
}

std::optional<SideFileSong> parseSideFile(const QByteArray& contents) {
    QString text = decodeSideFile(contents);
    text.replace(QLatin1Char('&'), QStringLiteral("&amp;"));
    QXmlStreamReader xml(text);
    SideFileSong side;
    if (!xml.readNextStartElement()) return std::nullopt;
    while (xml.readNextStartElement()) {
        const QString name = xml.name().toString();
        setField(side, name, xml.readElementText(QXmlStreamReader::IncludeChildElements));
    }
    while (!xml.atEnd()) xml.readNext();
    if (xml.hasError()) return std::nullopt;
    side.song.SongDecade = decadeOf(side.song.SongYear);
    return side;
}

int sideFileSeconds(const QString& seconds) {
    if (!isNumericText(seconds)) return 0;
    const double value = seconds.trimmed().toDouble();
    if (value >= std::numeric_limits<qint32>::max() || value <= std::numeric_limits<qint32>::min()) return 0;
    return static_cast<int>(roundToEven(value));
}

QString insertSideFileStatement(const QString& table, const QString& mediaFile, const SideFileSong& side,
                                const QString& lowText, const QString& highText, const QDateTime& now) {
    const SongFields& song = side.song;
    return songInsertStatement(table, {SqlText(song.Album),
                                       SqlText(song.Artist),
                                       SqlText(song.Title),
                                       SqlText(song.Band),
                                       SqlText(side.duration),
                                       QString::number(sideFileSeconds(side.seconds)),
                                       QString::number(LeadingNumber(song.Track), 'g', 15),
                                       SqlText(song.SongYear),
                                       SqlText(song.SongDecade),
                                       SqlText(song.CDYear),
                                       SqlText(song.Genre),
                                       QStringLiteral("''"),
                                       QStringLiteral("''"),
                                       recordComment(song.CommentTitle),
                                       recordComment(song.CommentText),
                                       SqlText(mediaFile),
                                       lowText,
                                       highText,
                                       recordDate(now),
                                       recordDateTime(now),
                                       QStringLiteral("''")});
}

QString updateSideFileStatement(const QString& table, const QString& mediaFile, const SideFileSong& side,
                                const QString& lowText, const QString& highText, const QDateTime& now) {
    const SongFields& song = side.song;
    return songUpdateStatement(
        table,
        {QStringLiteral("BandName=") + SqlText(song.Band), QStringLiteral("Album=") + SqlText(song.Album),
         QStringLiteral("Artist=") + SqlText(song.Artist), QStringLiteral("Title=") + SqlText(song.Title),
         QStringLiteral("Duration=") + SqlText(side.duration),
         QStringLiteral("Seconds=") + QString::number(sideFileSeconds(side.seconds)),
         QStringLiteral("Track=") + SqlText(song.Track), QStringLiteral("SongYear=") + SqlText(song.SongYear),
         QStringLiteral("CDYear=") + SqlText(song.CDYear), QStringLiteral("Compilation=''"),
         QStringLiteral("SongDecade=") + SqlText(song.SongDecade), QStringLiteral("Genre=") + SqlText(song.Genre),
         QStringLiteral("Rating=''"), QStringLiteral("CommentTitle=") + recordComment(song.CommentTitle),
         QStringLiteral("CommentText=") + recordComment(song.CommentText), QStringLiteral("FileDateTimeLow=") + lowText,
         QStringLiteral("FileDateTimeHigh=") + highText, QStringLiteral("LastUpdated=") + recordDateTime(now),
         QStringLiteral("HasLyrics = '' ")},
        mediaFile);
}

}  // namespace orv
