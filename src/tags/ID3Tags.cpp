#include "tags/ID3Tags.h"

#include "core/Controls.h"
#include "core/FrontEnd.h"
#include "core/ProgramState.h"
#include "core/Text.h"
#include "tags/TagComponent.h"

#include <cmath>

namespace orv {
namespace {

void fillWhenBlank(QString& field, const QString& value) {
    if (trimBlanks(field).isEmpty()) field = value;
}

QString id3v1TrackText(const TagComponent& tags) {
    return NormaliseTrack(QString::number(tags.id3v1Track()));
}

QString id3v1GenreName(const TagComponent& tags) {
    return GenreName(QString::number(tags.id3v1Genre()));
}

QString nameOfGenreNumber(long long number) {
    return number >= 0 && number < genreNames().size() ? genreNames()[static_cast<qsizetype>(number)] : QString();
}

}  // namespace

QString decadeOf(const QString& year) {
    return year.isEmpty() ? QString() : year.left(3) + QStringLiteral("0's");
}

QString NullToText(const QString& value) {
    return value.isNull() ? QString(QLatin1String("")) : trimBlanks(value);
}

bool isNumericText(const QString& text) {
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    return ok && std::isfinite(value);
}

long long roundToEven(double value) {
    return static_cast<long long>(std::nearbyint(value));
}

void ReadID3v2Tags(const TagComponent& tags, SongFields& song) {
    song.Compilation = NullToText(tags.frameText(QStringLiteral("TIT1"))).left(1);
    song.Title = NullToText(tags.frameText(QStringLiteral("TIT2")));
    song.Artist = NullToText(tags.frameText(QStringLiteral("TPE1")));
    song.Album = NullToText(tags.frameText(QStringLiteral("TALB")));
    song.Band = NullToText(tags.frameText(QStringLiteral("TPE2")));
    song.CDYear = NullToText(tags.frameText(QStringLiteral("TYER")));
    song.SongYear = NullToText(tags.frameText(QStringLiteral("TORY")));
    song.Track = NullToText(tags.frameText(QStringLiteral("TRCK")));
    song.Lyrics = NullToText(tags.frameText(QStringLiteral("USLT")));
    song.Genre = GenreName(NullToText(tags.frameText(QStringLiteral("TCON"))));
    song.Rating = NullToText(tags.frameText(QStringLiteral("TXXX")));

    const bool hasComment = tags.commentCount() >= 1;
    song.CommentTitle = hasComment ? NullToText(tags.commentDescription(1)) : QString();
    song.CommentText = hasComment ? NullToText(tags.CommentText(1)) : QString();

    if (song.Band.isEmpty()) song.Band = song.Artist;
    if (!song.Track.isEmpty()) song.Track = NormaliseTrack(song.Track);
    fillWhenBlank(song.SongYear, trimBlanks(song.CDYear));
    song.SongDecade = decadeOf(song.SongYear);

    // What the ID3v2 tag leaves blank, the ID3v1 tag fills.
    const QString id3v1Artist = NullToText(tags.id3v1Artist());
    const QString id3v1Year = NullToText(tags.id3v1Year());
    fillWhenBlank(song.Title, NullToText(tags.id3v1Title()));
    fillWhenBlank(song.Artist, id3v1Artist);
    fillWhenBlank(song.Album, NullToText(tags.id3v1Album()));
    fillWhenBlank(song.Band, id3v1Artist);
    if (trimBlanks(song.SongYear).isEmpty()) {
        song.SongYear = id3v1Year;
        song.SongDecade = decadeOf(song.SongYear);
    }
    fillWhenBlank(song.CDYear, id3v1Year);
    fillWhenBlank(song.Track, id3v1TrackText(tags));
    fillWhenBlank(song.Genre, id3v1GenreName(tags));
    fillWhenBlank(song.CommentText, NullToText(tags.id3v1Comment()));
}

void ReadID3v1Tags(const TagComponent& tags, SongFields& song) {
    song.Title = NullToText(tags.id3v1Title());
    song.Artist = NullToText(tags.id3v1Artist());
    song.Album = NullToText(tags.id3v1Album());
    song.Band = song.Artist;
    song.SongYear = NullToText(tags.id3v1Year());
    song.CDYear = song.SongYear;
    song.Track = id3v1TrackText(tags);
    song.Lyrics = song.Rating = song.CommentTitle = QString();
    song.Genre = id3v1GenreName(tags);
    song.CommentText = NullToText(tags.id3v1Comment());
    song.SongDecade = decadeOf(song.SongYear);
}

void WriteID3v2FromID3v1(TagComponent& tags) {
    setID3v2FromID3v1(tags);
    tags.writeTags();
}

void setID3v2FromID3v1(TagComponent& tags) {
    const QString title = NullToText(tags.id3v1Title());
    const QString artist = NullToText(tags.id3v1Artist());
    const QString album = NullToText(tags.id3v1Album());
    const QString year = NullToText(tags.id3v1Year());
    const auto copy = [&tags](const char* frameId, const QString& text) {
        const QString id = QLatin1String(frameId);
        if (!tags.isFrameSet(id)) tags.setFrameText(id, text);
    };
    copy("TIT2", title);
    copy("TPE1", artist);
    copy("TPE2", artist);
    copy("TALB", album);
    copy("TYER", year);
    copy("TORY", year);
    copy("TRCK", id3v1TrackText(tags));
}

QString NormaliseTrack(const QString& track) {
    QString text = track;
    for (const QString& separator : {QStringLiteral("/"), QStringLiteral("\\"), QStringLiteral("of")}) {
        const qsizetype at = text.indexOf(separator);
        if (at >= 0) text.truncate(at);
    }
    if (!isNumericText(text)) text = QStringLiteral("0");
    return trimBlanks(text);
}

QString GenreName(const QString& genre) {
    const qsizetype open = genre.indexOf(QLatin1Char('('));
    const qsizetype close = genre.indexOf(QLatin1Char(')'));
    if (open < 0 || close < 0) {
        QString bare = genre;
        bare.remove(QLatin1Char('(')).remove(QLatin1Char(')'));
        if (!isNumericText(bare)) return bare;
        return nameOfGenreNumber(static_cast<long long>(std::trunc(bare.trimmed().toDouble())));
    }
    // A ")" before the "(" encloses no number: the text is taken as a name.
    if (close < open) return genre;
    return nameOfGenreNumber(roundToEven(leadingNumber(genre.mid(open + 1, close - open - 1))));
}

const QStringList& genreNames() {
    static const QStringList names{
        QStringLiteral("Blues"), QStringLiteral("Classic Rock"), QStringLiteral("Country"), QStringLiteral("Dance"),
        QStringLiteral("Disco"), QStringLiteral("Funk"), QStringLiteral("Grunge"), QStringLiteral("Hip-Hop"),
        QStringLiteral("Jazz"), QStringLiteral("Metal"), QStringLiteral("New Age"), QStringLiteral("Oldies"),
        QStringLiteral("Other"), QStringLiteral("Pop"), QStringLiteral("R&B"), QStringLiteral("Rap"),
        QStringLiteral("Reggae"), QStringLiteral("Rock"), QStringLiteral("Techno"), QStringLiteral("Industrial"),
        QStringLiteral("Alternative"), QStringLiteral("Ska"), QStringLiteral("Death Metal"), QStringLiteral("Pranks"),
        QStringLiteral("Soundtrack"), QStringLiteral("Euro-Techno"), QStringLiteral("Ambient"),
        QStringLiteral("Trip-Hop"), QStringLiteral("Vocal"), QStringLiteral("Jazz+Funk"), QStringLiteral("Fusion"),
        QStringLiteral("Trance"), QStringLiteral("Classical"), QStringLiteral("Instrumental"), QStringLiteral("Acid"),
        QStringLiteral("House"), QStringLiteral("Game"), QStringLiteral("Sound Clip"), QStringLiteral("Gospel"),
        QStringLiteral("Noise"), QStringLiteral("AlternRock"), QStringLiteral("Bass"), QStringLiteral("Soul"),
        QStringLiteral("Punk"), QStringLiteral("Space"), QStringLiteral("Meditative"),
        QStringLiteral("Instrumental Pop"), QStringLiteral("Instrumental Rock"), QStringLiteral("Ethnic"),
        QStringLiteral("Gothic"), QStringLiteral("Darkwave"), QStringLiteral("Techno-Industrial"),
        QStringLiteral("Electronic"), QStringLiteral("Pop-Folk"), QStringLiteral("Eurodance"), QStringLiteral("Dream"),
        QStringLiteral("Southern Rock"), QStringLiteral("Comedy"), QStringLiteral("Cult"), QStringLiteral("Gangsta"),
        QStringLiteral("Top 40"), QStringLiteral("Christian Rap"), QStringLiteral("Pop/Funk"), QStringLiteral("Jungle"),
        QStringLiteral("Native American"), QStringLiteral("Cabaret"), QStringLiteral("New Wave"),
        QStringLiteral("Psychadelic"), QStringLiteral("Rave"), QStringLiteral("Showtunes"), QStringLiteral("Trailer"),
        QStringLiteral("Lo-Fi"), QStringLiteral("Tribal"), QStringLiteral("Acid Punk"), QStringLiteral("Acid Jazz"),
        QStringLiteral("Polka"), QStringLiteral("Retro"), QStringLiteral("Musical"), QStringLiteral("Rock & Roll"),
        QStringLiteral("Hard Rock"),
        // The Winamp extensions.
        QStringLiteral("Folk"), QStringLiteral("Folk-Rock"), QStringLiteral("National Folk"), QStringLiteral("Swing"),
        QStringLiteral("Fast Fusion"), QStringLiteral("Bebob"), QStringLiteral("Latin"), QStringLiteral("Revival"),
        QStringLiteral("Celtic"), QStringLiteral("Bluegrass"), QStringLiteral("Avantgarde"),
        QStringLiteral("Gothic Rock"), QStringLiteral("Progressive Rock"), QStringLiteral("Psychedelic Rock"),
        QStringLiteral("Symphonic Rock"), QStringLiteral("Slow Rock"), QStringLiteral("Big Band"),
        QStringLiteral("Chorus"), QStringLiteral("Easy Listening"), QStringLiteral("Acoustic"),
        QStringLiteral("Humour"), QStringLiteral("Speech"), QStringLiteral("Chanson"), QStringLiteral("Opera"),
        QStringLiteral("Chamber Music"), QStringLiteral("Sonata"), QStringLiteral("Symphony"),
        QStringLiteral("Booty Bass"), QStringLiteral("Primus"), QStringLiteral("Porn Groove"), QStringLiteral("Satire"),
        QStringLiteral("Slow Jam"), QStringLiteral("Club"), QStringLiteral("Tango"), QStringLiteral("Samba"),
        QStringLiteral("Folklore"), QStringLiteral("Ballad"), QStringLiteral("Power Ballad"),
        QStringLiteral("Rhythmic Soul"), QStringLiteral("Freestyle"), QStringLiteral("Duet"),
        QStringLiteral("Punk Rock"), QStringLiteral("Drum Solo"), QStringLiteral("A capella"),
        QStringLiteral("Euro-House"), QStringLiteral("Dance Hall")};
    return names;
}

QString CaptionText(const QString& text) {
    if (text.startsWith(QLatin1Char(','))) return QString();
    // Most texts have no ampersand: they are shown as they are, without a copy.
    if (!text.contains(QLatin1Char('&'))) return text;
    QString caption = text;
    return caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

void ShowSongDetails(ProgramState& state, const QString& artist, const QString& album, const QString& title) {
    FrontEnd& ui = state.ui();
    ui.setVisible(Control::imgBuildAlbumCover, false);
    ui.setAllVisible(songDetailLabels(), true);
    ui.setCaption(Control::lblBuildArtist, CaptionText(artist));
    ui.setCaption(Control::lblBuildAlbum, CaptionText(album));
    ui.setCaption(Control::lblBuildTitle, CaptionText(title));
}

}  // namespace orv
