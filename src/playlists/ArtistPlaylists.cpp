#include "playlists/ArtistPlaylists.h"

#include "core/AtomicFile.h"
#include "core/Controls.h"
#include "core/FrontEnd.h"
#include "core/ProgramState.h"
#include "core/Text.h"
#include "errors/ErrorReport.h"
#include "store/DataAccess.h"
#include "store/MusicLibraries.h"
#include "store/ProgramFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <algorithm>
#include <vector>

namespace orv {
namespace {

const QString kModule = QStringLiteral("frmStartUp");
const QString kProcedure = QStringLiteral("cmdArtistPlaylists_Click");
// The longest file name the file systems take, in bytes.
constexpr qsizetype kLongestFileName = 255;
// The playlists that could not be written that one message names; the rest are counted.
constexpr qsizetype kNamedFailures = 10;

enum class Format { M3u, B4s, Empty };

struct Song {
    QString artist;
    QString title;
    QVariant seconds;
    QString filename;
    QString titleKey;  // the title as the order compares it: letter case folded
};

// The songs of one playlist, and the artist spelling it is named after.
struct ArtistSongs {
    QString artist;
    QString key;  // the artist as artists are told apart: blanks at the ends trimmed, letter case folded
    std::vector<Song> songs;
};

QString textOf(const QVariant& value) {
    return value.isNull() ? QString() : value.toString();
}

// The library's songs by artist, artists and songs in the order their playlists are written.
std::vector<ArtistSongs> readArtistSongs(ProgramState& state) {
    Recordset rows =
        GetRecordset(state,
                     QStringLiteral("SELECT Artist, Title, Seconds, Filename FROM ") +
                         libraryTable(SqlQuote(state.CurrentMusicLibrary)) + QStringLiteral(" ORDER BY rowid"),
                     Db::Libraries);
    std::vector<ArtistSongs> artists;
    QHash<QString, std::size_t> byKey;
    for (; !rows.isEOF(); rows.moveNext()) {
        Song song{textOf(rows.field(0)), textOf(rows.field(1)), rows.field(2), textOf(rows.field(3)), {}};
        song.titleKey = song.title.toCaseFolded();
        const QString key = trimBlanks(song.artist).toCaseFolded();
        auto found = byKey.constFind(key);
        if (found == byKey.constEnd()) {
            found = byKey.insert(key, artists.size());
            artists.push_back({song.artist, key, {}});
        }
        artists[*found].songs.push_back(std::move(song));
    }
    rows.close();
    std::sort(artists.begin(), artists.end(), [](const ArtistSongs& a, const ArtistSongs& b) { return a.key < b.key; });
    for (ArtistSongs& artist : artists)
        std::stable_sort(artist.songs.begin(), artist.songs.end(),
                         [](const Song& a, const Song& b) { return a.titleKey < b.titleKey; });
    return artists;
}

QString line(const QString& text) {
    return text + QStringLiteral("\r\n");
}

// An XML text in a double-quoted attribute: a double quote there would end the value early.
QString attributeText(const QString& xmlText) {
    QString text = xmlText;
    return text.replace(QLatin1Char('"'), QStringLiteral("&quot;"));
}

// The length in seconds as a number in its shortest decimal text; no length counts 0.
QString secondsNumber(const QVariant& seconds) {
    if (seconds.isNull()) return QStringLiteral("0");
    bool ok = false;
    if (seconds.typeId() != QMetaType::Double) {
        const qlonglong whole = seconds.toLongLong(&ok);
        if (ok) return QString::number(whole);
    }
    const double value = seconds.toDouble(&ok);
    if (!ok) throw RuntimeError(ErrorNumber::TypeMismatch, QStringLiteral("Type mismatch"));
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

// What one click shares between its playlists.
struct PlaylistRun {
    ProgramState& state;
    Format format;
    QString extension;
    bool overwrite;
    int created = 0;
    // The song being written: its file as the playlist names it.
    QString currentFile{};
    // The playlists that could not be made, each with the reason.
    QStringList notWritten{};
    // The files this click made: two artists whose names make one file name get one playlist.
    QSet<QString> made{};
};

// A playlist that could not be written; the writer's text names the file.
RuntimeError fileError(const QString& path, const AtomicFile& file) {
    const bool folderMissing = !QFileInfo(QFileInfo(path).absolutePath()).isDir();
    return RuntimeError(folderMissing ? ErrorNumber::PathNotFound : ErrorNumber::PathFileAccess, file.errorString());
}

// Writes text in the system's encoding (UTF-8 here); a failed write ends the playlist.
void put(AtomicFile& file, const QString& path, const QString& text) {
    if (!file.write(text.toLocal8Bit())) throw fileError(path, file);
}

void writeM3u(PlaylistRun& run, const ArtistSongs& artist, AtomicFile& file, const QString& path) {
    put(file, path, line(QStringLiteral("#EXTM3U")));
    for (const Song& song : artist.songs) {
        run.currentFile = song.filename;
        put(file, path,
            line(QStringLiteral("#EXTINF:") + textOf(song.seconds) + QLatin1Char(',') + trimBlanks(song.artist) +
                 QStringLiteral(" - ") + trimBlanks(song.title)) +
                line(song.filename));
    }
}

void writeB4s(PlaylistRun& run, const ArtistSongs& artist, AtomicFile& file, const QString& path) {
    put(file, path,
        line(QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>")) +
            line(QStringLiteral("<WinampXML>")) +
            line(QStringLiteral(" <!--  Generated by: Orvella version ") + fullVersionText(run.state.version) +
                 QStringLiteral("  -->")) +
            line(QStringLiteral(" <playlist num_entries=\"") + QString::number(artist.songs.size()) +
                 QStringLiteral("\" label=\"") + attributeText(XmlText(playlistName(artist.artist))) +
                 QStringLiteral("\">")));
    for (const Song& song : artist.songs) {
        run.currentFile = QStringLiteral("file:") + song.filename;
        put(file, path,
            line(QStringLiteral("  <entry Playstring=\"") + attributeText(XmlText(run.currentFile)) +
                 QStringLiteral("\">")) +
                line(QStringLiteral("   <Name>") + XmlText(song.artist + QStringLiteral(" - ") + song.title) +
                     QStringLiteral("</Name>")) +
                line(QStringLiteral("   <Length>") + secondsNumber(song.seconds) + QStringLiteral("000</Length>")) +
                line(QStringLiteral("  </entry>")));
    }
    put(file, path, line(QStringLiteral(" </playlist>")) + line(QStringLiteral("</WinampXML>")));
}

// Whether anything, a dangling link included, stands at the path.
bool pathTaken(const QString& path) {
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

// One artist's playlist. Without overwriting, a file that exists or cannot be made is passed over.
void writePlaylist(PlaylistRun& run, const ArtistSongs& artist) {
    FrontEnd& ui = run.state.ui();
    const QString path = ProgramFile(run.state, QStringLiteral("Playlists")) + QDir::separator() +
                         playlistFileName(artist.artist, run.extension);
    run.currentFile.clear();
    if (run.made.contains(path)) {
        run.notWritten << path + QStringLiteral(": the name of another artist's playlist");
        ui.setVisible(Control::lblCreatingPlaylist, false);
        return;
    }
    AtomicFile file(path);
    const bool passedOver = !run.overwrite && pathTaken(path);
    if (passedOver || !file.open()) {
        if (run.overwrite) throw fileError(path, file);
        if (!passedOver) run.notWritten << path + QStringLiteral(": ") + file.errorString();
        ui.setVisible(Control::lblCreatingPlaylist, false);
        return;
    }
    ui.setVisible(Control::lblCreatingPlaylist, true);
    ui.setCaption(Control::lblCreatingPlaylist, QStringLiteral("Creating Playlist: ") + path);

    if (run.format == Format::M3u) writeM3u(run, artist, file, path);
    if (run.format == Format::B4s) writeB4s(run, artist, file, path);

    const bool placed = run.overwrite ? file.commit() : file.commitWithoutReplacing();
    if (!placed && !run.overwrite && pathTaken(path)) {
        // Another program made the file meanwhile: it stays as that program left it.
        ui.setVisible(Control::lblCreatingPlaylist, false);
        return;
    }
    if (!placed) throw fileError(path, file);
    run.made.insert(path);
    ++run.created;
}

// One message for the playlists that could not be made.
void reportNotWritten(ProgramState& state, const QStringList& notWritten) {
    if (notWritten.isEmpty()) return;
    QString message = QString::number(notWritten.size()) +
                      (notWritten.size() == 1 ? QStringLiteral(" playlist could not be written:\n\n")
                                              : QStringLiteral(" playlists could not be written:\n\n")) +
                      notWritten.mid(0, kNamedFailures).join(QLatin1Char('\n'));
    if (notWritten.size() > kNamedFailures)
        message += QStringLiteral("\n... and %1 more.").arg(notWritten.size() - kNamedFailures);
    showPlainMessage(state, message, QStringLiteral("Playlists Not Written"), DialogContent::Error);
}

// The first `bytes` bytes of the text's UTF-8 form, cut only between characters.
QString leadingBytes(const QString& text, qsizetype bytes) {
    qsizetype end = 0;
    qsizetype used = 0;
    while (end < text.size()) {
        const qsizetype length = text[end].isHighSurrogate() && end + 1 < text.size() ? 2 : 1;
        const qsizetype size = text.mid(end, length).toUtf8().size();
        if (used + size > bytes) break;
        used += size;
        end += length;
    }
    return text.left(end);
}

QString createdCaption(int created) {
    return QString::number(created) + (created == 1 ? QStringLiteral(" New Playlist Successfully Created")
                                                    : QStringLiteral(" New Playlists Successfully Created"));
}

}  // namespace

QString SafeName(const QString& text) {
    QString name = text;
    for (const QChar c : {u'/', u'\\', u':', u'*', u'?', u'<', u'>', u'|'}) name.replace(c, QLatin1Char('_'));
    return name;
}

QString playlistName(const QString& artist) {
    QString name = trimBlanks(SafeName(artist));
    for (QChar& c : name)
        if (c.category() == QChar::Other_Control) c = QLatin1Char('_');
    if (name.isEmpty() || name.startsWith(QLatin1Char('.'))) name.replace(0, 1, QLatin1Char('_'));
    return name;
}

QString playlistFileName(const QString& artist, const QString& extension) {
    const QString suffix = QLatin1Char('.') + extension;
    return leadingBytes(playlistName(artist), kLongestFileName - suffix.toUtf8().size()) + suffix;
}

QString XmlText(const QString& text) {
    QString xml = text;
    xml.replace(QLatin1Char('&'), QStringLiteral("&amp;"));
    xml.replace(QLatin1Char('<'), QStringLiteral("&lt;"));
    xml.replace(QLatin1Char('>'), QStringLiteral("&gt;"));
    return xml;
}

std::optional<int> createArtistPlaylists(ProgramState& state, const PlaylistOptions& options) {
    const QString format = trimBlanks(options.format);
    const Format kind = format == QLatin1String("m3u")   ? Format::M3u
                        : format == QLatin1String("b4s") ? Format::B4s
                                                         : Format::Empty;
    PlaylistRun run{.state = state, .format = kind, .extension = format, .overwrite = options.overwrite};
    try {
        for (const ArtistSongs& artist : readArtistSongs(state)) {
            writePlaylist(run, artist);
            state.ui().yield();
        }
    } catch (const RuntimeError& error) {
        reportError(state, kModule, kProcedure, error, kFatalErrorMessage,
                    QStringLiteral("Current File: ") + run.currentFile);
        return std::nullopt;
    }
    state.ui().setVisible(Control::lblCreatingPlaylist, true);
    state.ui().setCaption(Control::lblCreatingPlaylist, createdCaption(run.created));
    reportNotWritten(state, run.notWritten);
    return run.created;
}

}  // namespace orv
