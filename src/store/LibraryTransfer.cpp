#include "store/LibraryTransfer.h"

#include "core/Controls.h"
#include "core/FrontEnd.h"
#include "core/ProgramState.h"
#include "errors/ErrorReport.h"
#include "store/LibrarySchema.h"
#include "store/MusicLibraries.h"
#include "store/ProgramFiles.h"
#include "store/WriteBatch.h"

namespace orv {
namespace {

// Value texts of the copy from a previous version's record.
QString textValue(const QVariant& field) {
    return SqlText(field.isNull() ? QString() : field.toString());
}

QString numberValue(const QVariant& field) {
    if (field.isNull()) return QStringLiteral("0");
    bool ok = false;
    const double value = field.toDouble(&ok);
    if (!ok) throw RuntimeError(ErrorNumber::TypeMismatch, QStringLiteral("Type mismatch"));
    return SqlQuote(QString::number(value, 'g', 15));
}

// A date keeps Null as Null: an empty text is no date.
QString dateValue(const QVariant& field) {
    return field.isNull() ? QStringLiteral("NULL") : textValue(field);
}

QString transferInsertStatement(const QString& table, const Recordset& old) {
    enum Kind { Text, Number, Date };
    struct Column {
        const char* target;
        const char* source;
        Kind kind;
    };
    static const Column columns[] = {
        {"Album", "Album", Text},
        {"Artist", "Artist", Text},
        {"Title", "Title", Text},
        {"BandName", "BandName", Text},
        {"Duration", "Duration", Text},
        {"Seconds", "Seconds", Number},
        {"Track", "Track", Number},
        {"SongYear", "SongYear", Text},
        {"SongDecade", "SongDecade", Text},
        {"CDYear", "SongYear", Text},
        {"Genre", "Genre", Text},
        {"Rating", "Rating", Text},
        {"Compilation", "Compilation", Text},
        {"CommentTitle", "CommentTitle", Text},
        {"CommentText", "CommentText", Text},
        {"FileName", "FileName", Text},
        {"FileDateTimeLow", "FileDateTimeLow", Number},
        {"FileDateTimeHigh", "FileDateTimeHigh", Number},
        {"DateAdded", "DateAdded", Date},
        {"LastUpdated", "LastUpdated", Date},
        {"HasLyrics", "HasLyrics", Text},
        {"FileLength", "FileLength", Number},
        {"TimesPlayed", "TimesPlayed", Number},
        {"LastDateTimePlayed", "LastDateTimePlayed", Date},
        {"Display", "Display", Text},
    };
    QStringList targets, values;
    for (const Column& column : columns) {
        targets << QString::fromLatin1(column.target);
        const QVariant field = old.field(QString::fromLatin1(column.source));
        values << (column.kind == Text     ? textValue(field)
                   : column.kind == Number ? numberValue(field)
                                           : dateValue(field));
    }
    return QStringLiteral("INSERT INTO ") + table + QStringLiteral(" ") + QStringLiteral("(") +
           targets.join(QStringLiteral(", ")) + QStringLiteral(") ") + QStringLiteral("SELECT ") +
           values.join(QStringLiteral(", "));
}

}  // namespace

TransferOutcome TransferPreviousLibraries(ProgramState& state) {
    if (!FileExists(ProgramFile(state, kPreviousLibrariesFile8)) &&
        !FileExists(ProgramFile(state, kPreviousLibrariesFile)))
        return TransferOutcome::NoPreviousVersion;
    if (AskQuestion(state,
                    QStringLiteral("Orvella has detected a previous version of the program. ") +
                        QStringLiteral("\n\n") +
                        QStringLiteral("Would you like to automatically transfer all of the existing Music Libraries "
                                       "to the new version?"),
                    QStringLiteral("Previous Version Detected")) != Answer::Yes)
        return TransferOutcome::Declined;

    const QStringList names = GetPreviousMusicLibraries(state);
    bool cancelShown = false;
    if (!names.isEmpty()) {
        state.run.BuildRunning = true;
        state.ui().yield();
        if (state.run.CloseRequested) {
            state.run.BuildRunning = false;
            return TransferOutcome::Cancelled;
        }
        for (const QString& name : names) {
            // A library begun after Cancel would be emptied and left so.
            if (state.run.CloseRequested) break;
            const std::optional<int> oldCount = countRowsQuietly(state, name, Db::PreviousLibraries);
            // Nothing can be copied from a table that cannot be read; the new one is left alone.
            if (!oldCount) continue;
            const std::optional<int> newCount = countRowsQuietly(state, name, Db::Libraries);
            if (newCount == oldCount) continue;
            const QString trimmed = name.trimmed();
            // The first library is there from the first use; it is made only when missing.
            if (!trimmed.isEmpty() && (trimmed != kFirstMusicLibrary || !newCount)) CreateMusicLibrary(state, name);
            state.ui().setAllEnabled(
                longRunLockedControls() + songCountControls() + QStringList{Control::cmdViewLogFile}, false);
            state.ui().setCaption(Control::cmdCancel, QStringLiteral("Cancel"));
            cancelShown = true;
            TryStep([&] { TransferLibraryRecords(state, name); });
        }
    }
    state.ui().setAllEnabled(longRunLockedControls(), true);
    if (cancelShown) state.ui().setCaption(Control::cmdCancel, QStringLiteral("Close"));
    state.run.BuildRunning = false;
    return state.run.CloseRequested ? TransferOutcome::Cancelled : TransferOutcome::Transferred;
}

void TransferLibraryRecords(ProgramState& state, const QString& name) {
    const QString table = libraryTable(name);
    WriteBatch batch(state);
    // Rows copied into a table that could not be emptied would be doubled.
    if (!ExecuteSQLCommand(state, QStringLiteral("DELETE FROM ") + table, Db::Libraries)) return;
    Recordset old = GetRecordset(state, QStringLiteral("SELECT * FROM ") + table, Db::PreviousLibraries);
    if (!(old.isBOF() && old.isEOF())) {
        const QString total = QString::number(old.recordCount());
        int counter = 0;
        for (; !old.isEOF(); old.moveNext()) {
            state.ui().yield();
            if (state.run.CloseRequested) break;
            ++counter;
            state.ui().setVisible(Control::frmStartUp, true);
            state.ui().setCaption(Control::lblDownloadStatus,
                                  QStringLiteral("Automatically Transferring ") + name + QStringLiteral(" - Record #") +
                                      QString::number(counter) + QStringLiteral(" of ") + total);
            ExecuteSQLCommand(state, transferInsertStatement(table, old), Db::Libraries);
            batch.wrote();
        }
    }
    old.close();
    state.ui().setCaption(Control::lblDownloadStatus, QStringLiteral("Ready..."));
}

}  // namespace orv
