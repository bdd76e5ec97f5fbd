#include "cli/Commands.h"

#include "core/ProgramState.h"
#include "core/RuntimeError.h"
#include "errors/ErrorReport.h"
#include "tags/FormatTags.h"
#include "tags/Mp3Reading.h"
#include "tags/SongRecords.h"
#include "tags/TagComponent.h"
#include "tags/TagsFromFileName.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <utility>
#include <vector>

namespace orv {
namespace {

// The song fields of one file in the order they are printed.
std::vector<std::pair<QString, QString>> fieldList(const QString& fileName, const SongFields& song, int seconds) {
    return {{QStringLiteral("File"), fileName},
            {QStringLiteral("Title"), song.Title},
            {QStringLiteral("Artist"), song.Artist},
            {QStringLiteral("Album"), song.Album},
            {QStringLiteral("Band"), song.Band},
            {QStringLiteral("SongYear"), song.SongYear},
            {QStringLiteral("CDYear"), song.CDYear},
            {QStringLiteral("Track"), song.Track},
            {QStringLiteral("Lyrics"), song.Lyrics},
            {QStringLiteral("Genre"), song.Genre},
            {QStringLiteral("Rating"), song.Rating},
            {QStringLiteral("CommentTitle"), song.CommentTitle},
            {QStringLiteral("CommentText"), song.CommentText},
            {QStringLiteral("SongDecade"), song.SongDecade},
            {QStringLiteral("Compilation"), song.Compilation},
            {QStringLiteral("Seconds"), QString::number(seconds)},
            {QStringLiteral("Duration"), recordDuration(seconds)}};
}

void printSong(Command& c, bool json, const QString& fileName, const SongFields& song, int seconds, bool hasID3v2) {
    const auto fields = fieldList(fileName, song, seconds);
    if (json) {
        QJsonObject object;
        for (const auto& [name, value] : fields) object.insert(name, value);
        object.insert(QStringLiteral("HasID3v2"), hasID3v2);
        c.out << QJsonDocument(object).toJson(QJsonDocument::Compact) << '\n';
        return;
    }
    for (const auto& [name, value] : fields) c.out << name << ": " << value << '\n';
    c.out << "HasID3v2: " << (hasID3v2 ? "true" : "false") << "\n\n";
}

// Reads one file as a build does. A failed write of the tags taken from the path is reported; the
// fields read are still there.
bool readSong(Command& c, TagComponent& tags, const QString& fileName, SongFields& song) {
    if (!tags.openFile(fileName)) return false;
    try {
        readMp3SongFields(c.state, tags, song);
        tags.writeTags();
        return true;
    } catch (const RuntimeError& error) {
        showPlainMessage(
            c.state,
            QStringLiteral("Cannot write the tags of ") + fileName + QStringLiteral(".\n\n") + error.description(),
            QStringLiteral("Tags"));
        return true;
    }
}

// A file of another format, read from its own tags; nothing is written into it.
void printFormatFile(Command& c, bool json, const QString& fileName, SongFormat format) {
    const std::optional<FormatSong> read = readFormatSongFields(c.state, fileName, format);
    if (!read) {
        showPlainMessage(c.state,
                         QStringLiteral("Cannot read ") + fileName + QStringLiteral(" as ") + songFormatName(format) +
                             QStringLiteral(" audio."),
                         QStringLiteral("Tags"));
        return;
    }
    printSong(c, json, fileName, read->song, read->seconds, false);
}

// What the blank-tag pattern gives for one file's path, as the main window shows it below the
// pattern; nothing is read from the file or written into it.
void printPathTags(Command& c, bool json, const QString& fileName) {
    const std::optional<PathTags> parsed = tagsFromPath(fileName, c.state.BlankTagFormat);
    if (!parsed) {
        showPlainMessage(c.state,
                         QStringLiteral("The name ") + fileName + QStringLiteral(" does not match the pattern ") +
                             c.state.BlankTagFormat + QStringLiteral("."),
                         QStringLiteral("Tags"));
        return;
    }
    const std::pair<QString, QString> fields[] = {{QStringLiteral("File"), fileName},
                                                  {QStringLiteral("Artist"), parsed->artist},
                                                  {QStringLiteral("Album"), parsed->album},
                                                  {QStringLiteral("Title"), parsed->title},
                                                  {QStringLiteral("Track"), parsed->track}};
    if (json) {
        QJsonObject object;
        for (const auto& [name, value] : fields) object.insert(name, value);
        c.out << QJsonDocument(object).toJson(QJsonDocument::Compact) << '\n';
        return;
    }
    for (const auto& [name, value] : fields) c.out << name << ": " << value << '\n';
    c.out << '\n';
}

}  // namespace

int runTags(Command& c) {
    bool json = false;
    bool dryRun = false;
    QStringList files;
    for (qsizetype i = 0; i < c.args.size(); ++i) {
        if (c.args[i] == QLatin1String("--json")) {
            json = true;
        } else if (c.args[i] == QLatin1String("--dry-run")) {
            dryRun = true;
        } else if (c.args[i] == QLatin1String("--blank-tags") && i + 1 < c.args.size()) {
            c.state.UpdateBlankTags = true;
            c.state.BlankTagFormat = c.args[++i];
        } else {
            files << c.args[i];
        }
    }
    // A dry run shows what the pattern gives: it needs one.
    if (files.isEmpty() || (dryRun && !c.state.UpdateBlankTags)) throw UsageError();

    for (const QString& file : files) {
        const QString fileName = QFileInfo(file).absoluteFilePath();
        if (dryRun) {
            printPathTags(c, json, fileName);
            continue;
        }
        if (const std::optional<SongFormat> format = songFormatOf(fileName)) {
            printFormatFile(c, json, fileName, *format);
            continue;
        }
        TagComponent tags;
        SongFields song;
        if (!readSong(c, tags, fileName, song)) {
            showPlainMessage(c.state, QStringLiteral("Cannot read ") + fileName + QStringLiteral(" as an MP3 file."),
                             QStringLiteral("Tags"));
            continue;
        }
        printSong(c, json, fileName, song, ResolveSongLength(tags), tags.hasID3v2());
    }
    return c.status();
}

}  // namespace orv
