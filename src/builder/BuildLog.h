#pragma once

#include "tags/SongFields.h"

#include <QByteArray>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QList>
#include <QString>
#include <QStringList>
#include <array>

namespace orv {

struct ProgramState;

// The kinds of song entries: the numbers the pipeline and the side-file writers pass.
enum class LogEntryKind { Added = 1, Updated = 2 };

// The log of one build run, as text or as XML, in the program folder under
// "MusicLibraryLog-" + library + "-" + "mmddyyyy-hhmmss" + ".txt" or ".xml". Lines end in CR LF; the
// text is UTF-8.
//
// The text log is written as the run goes and gets its footer at the end. The XML log is a complete
// document on disk at every moment: it is written whole, each time through a temporary file renamed
// over it, when the run starts, at most once a second while entries come (and only once they have
// grown the document by a quarter, so that a long log costs linear time), and at the end.
class BuildLog {
public:
    // Makes the log's path from the start time, creates the file and writes its header. A file that
    // cannot be made throws RuntimeError. A log never replaces another: when a run of the same
    // library started within the same second, this log's name takes the next second that is free
    // (its creation time inside stays the start).
    BuildLog(ProgramState& state, bool xml, const QDateTime& start);
    ~BuildLog();
    BuildLog(const BuildLog&) = delete;
    BuildLog& operator=(const BuildLog&) = delete;

    const QString& path() const { return path_; }
    bool isXml() const { return xml_; }

    // An added or updated song, with the outcome of its cover-art steps as text; its group's count is the
    // run's count of that kind now.
    void LogSongEntry(LogEntryKind kind, const QString& fileName, const SongFields& song, const QString& coverArt);
    // A record removed because its file had vanished.
    void logOrphanedRecord(const QString& fileName);
    // A media file or folder the run left out, and why.
    void logSkippedFile(const QString& path, const QString& reason);
    // A file whose record was written but whose tags could not be.
    void logUnwrittenTags(const QString& path, const QString& reason);

    // The end of the run: the text log's footer with the three totals; the XML document written.
    // Throws RuntimeError when the file cannot be written.
    void end();

    // The time stamp inside a log ("mm/dd/yyyy hh:mm:ss") and a log's file name.
    static QString timeStamp(const QDateTime& time);
    static QString fileName(const QString& library, const QDateTime& start, bool xml);
    // The path of the library's newest log in the program folder, by the start time its name
    // holds; empty when it has none.
    static QString newestLog(const ProgramState& state, const QString& library);

private:
    enum Group { AddedGroup, UpdatedGroup, OrphanedGroup, SkippedGroup, UnwrittenTagsGroup, GroupCount };

    // Creates the log's file under the first free name from the start time on; sets the path and
    // the creation time.
    void claimName(const QDateTime& start);
    void logFileNote(Group group, const QString& path, const QString& reason);

    // The lines, each ended with CR LF, in one write.
    void writeLines(const QStringList& lines);
    void writeText(const QByteArray& bytes);
    void addXmlEntry(Group group, const QByteArray& element, int count);
    void writeXmlDocument();
    QByteArray xmlHeader() const;
    // The XML document, in pieces.
    QList<QByteArray> xmlDocument() const;

    ProgramState& state_;
    bool xml_;
    QString path_;
    QString created_;
    QFile text_;

    // The XML log's entries, by group, each group's elements in order; its counts.
    std::array<QByteArray, GroupCount> entries_;
    std::array<int, GroupCount> counts_{};
    qint64 writtenSize_ = 0;
    qint64 pendingSize_ = 0;
    QElapsedTimer sinceWrite_;
};

}  // namespace orv
