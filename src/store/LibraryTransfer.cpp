#include "store/LibraryTransfer.h"

#include "core/AtomicFile.h"
#include "core/Controls.h"
#include "core/FrontEnd.h"
#include "core/ProgramState.h"
#include "errors/ErrorReport.h"
#include "store/JetImport.h"
#include "store/JetReader.h"
#include "store/LibrarySchema.h"
#include "store/MusicLibraries.h"
#include "store/ProgramFiles.h"
#include "store/WriteBatch.h"

#include <QTemporaryDir>
#include <cstdint>
#include <limits>
#include <memory>

namespace orv {
namespace {

const QString kModule = QStringLiteral("frmStartUp");

// While it lives, the previous libraries database that is a Jet file is read through a SQLite copy
// of it in a temporary folder; the file itself is only read.
class ReadableCopy {
public:
    ReadableCopy(ProgramState& state, const QString& jetPath) : state_(state) {
        const QString path = folder_.filePath(QStringLiteral("PreviousLibraries.sqlite"));
        AtomicFile file(path);
        const auto failure = [&] {
            return RuntimeError(
                ErrorNumber::CannotOpen,
                QStringLiteral("Cannot make a copy of '%1' to read: %2").arg(jetPath, file.errorString()));
        };
        if (!folder_.isValid() || !file.open()) throw failure();
        copyJetDatabase(jetPath, file.writePath());
        if (!file.commitWithoutReplacing()) throw failure();
        state.session.previousLibrariesCopy = path;
    }
    ~ReadableCopy() {
        state_.session.connectionPool.erase(state_.session.previousLibrariesCopy);
        state_.session.previousLibrariesCopy.clear();
    }
    ReadableCopy(const ReadableCopy&) = delete;
    ReadableCopy& operator=(const ReadableCopy&) = delete;

private:
    ProgramState& state_;
    QTemporaryDir folder_;
};

// The copy to read a Jet file through; nothing, with the failure reported, when it cannot be made.
std::unique_ptr<ReadableCopy> readableCopy(ProgramState& state, const QString& jetPath) {
    try {
        return std::make_unique<ReadableCopy>(state, jetPath);
    } catch (const RuntimeError& error) {
        reportError(state, kModule, QStringLiteral("TransferPreviousLibraries"), error,
                    QStringLiteral("The Music Libraries of the previous version in ") + jetPath +
                        QStringLiteral(" cannot be read. Nothing was transferred."));
        return nullptr;
    }
}

// A field of a previous version's record; a column that the old table lacks reads as Null, which
// gives the empty value of the column's type.
QVariant previousField(const Recordset& old, const QString& name) {
    return old.hasField(name) ? old.field(name) : QVariant();
}

// Value texts of the copy from a previous version's record.
QString textValue(const QVariant& field) {
    return sqlText(field.isNull() ? QString() : field.toString());
}

// A number for a Long column. A value that is no number of that column's range does not fit: it is
// stored as Null and counted in `unfit`.
QString numberValue(const QVariant& field, int& unfit) {
    if (field.isNull()) return QStringLiteral("0");
    bool ok = false;
    const double value = field.toDouble(&ok);
    if (ok && value >= std::numeric_limits<std::int32_t>::min() && value <= std::numeric_limits<std::int32_t>::max())
        return SqlQuote(QString::number(value, 'g', 15));
    ++unfit;
    return QStringLiteral("NULL");
}

// A date keeps Null as Null: an empty text is no date.
QString dateValue(const QVariant& field) {
    return field.isNull() ? QStringLiteral("NULL") : textValue(field);
}

QString transferInsertStatement(const QString& table, const Recordset& old, int& unfit) {
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
        const QVariant field = previousField(old, QString::fromLatin1(column.source));
        values << (column.kind == Text     ? textValue(field)
                   : column.kind == Number ? numberValue(field, unfit)
                                           : dateValue(field));
    }
    return QStringLiteral("INSERT INTO ") + table + QStringLiteral(" ") + QStringLiteral("(") +
           targets.join(QStringLiteral(", ")) + QStringLiteral(") ") + QStringLiteral("SELECT ") +
           values.join(QStringLiteral(", "));
}

// Copies the records of `old` into `table`, yielding before each; false when Cancel stopped the
// copy or the engine rejected a record (reported).
bool copyRecords(ProgramState& state, Recordset& old, const QString& table, const QString& name, int& unfit) {
    if (old.isBOF() && old.isEOF()) return true;
    const QString total = QString::number(old.recordCount());
    int counter = 0;
    for (; !old.isEOF(); old.moveNext()) {
        state.ui().yield();
        if (state.run.CloseRequested) return false;
        ++counter;
        state.ui().setVisible(Control::frmStartUp, true);
        state.ui().setCaption(Control::lblDownloadStatus, QStringLiteral("Automatically Transferring ") + name +
                                                              QStringLiteral(" - Record #") + QString::number(counter) +
                                                              QStringLiteral(" of ") + total);
        if (!ExecuteSQLCommand(state, transferInsertStatement(table, old, unfit), Db::Libraries)) return false;
    }
    return true;
}

// The names the libraries are carried over under, in the order of `names`: plain names stay, the
// others are mended so that they meet neither a plain name nor one mended before.
QStringList carriedOverNames(const QStringList& names) {
    QStringList taken;
    for (const QString& name : names)
        if (isPlainLibraryName(name)) taken << name;
    QStringList targets;
    for (const QString& name : names) {
        targets << mendedLibraryName(name, taken);
        if (targets.last() != name) taken << targets.last();
    }
    return targets;
}

// How one library's carry-over ended.
struct LibraryCopy {
    enum Result { AlreadyThere, Copied, Stopped, Failed } result;
    int unfit = 0;  // values stored as Null
};

// Carries one library over under `target`: skipped when both hold as many rows, else made when
// missing and copied whole. A failure is reported here; the new table is then left as it was.
LibraryCopy carryOver(ProgramState& state, const QString& name, const QString& target) {
    try {
        // A previous version's table stands between double quotes: its name need not be plain.
        const std::optional<int> oldCount = countTableRows(state, quotedName(name), Db::PreviousLibraries);
        if (!oldCount) return {LibraryCopy::Failed};
        const std::optional<int> newCount = countRowsQuietly(state, target, Db::Libraries);
        if (newCount == oldCount) return {LibraryCopy::AlreadyThere};
        // The first library is there from the first use; it is made only when missing.
        if (target != kFirstMusicLibrary || !newCount) CreateMusicLibrary(state, target);
        state.ui().setAllEnabled(longRunLockedControls() + songCountControls() + Controls{Control::cmdViewLogFile},
                                 false);
        state.ui().setCaption(Control::cmdCancel, QStringLiteral("Cancel"));
        if (const std::optional<int> unfit = TransferLibraryRecords(state, name, target))
            return {LibraryCopy::Copied, *unfit};
        return {state.run.CloseRequested ? LibraryCopy::Stopped : LibraryCopy::Failed};
    } catch (const RuntimeError& error) {
        reportError(state, kModule, QStringLiteral("TransferLibraryRecords"), error,
                    QStringLiteral("The Music Library - '") + name +
                        QStringLiteral("' could not be carried over from the previous version.") +
                        QStringLiteral("\n\n") +
                        QStringLiteral("It is left as it was, and the previous version's file is kept for another "
                                       "try at the next start."));
        return {LibraryCopy::Failed};
    }
}

// What the user is told once every library is carried over.
struct TransferNotes {
    QStringList renamed;  // "'old' is now 'new'"
    QStringList unfit;    // "library: n values"
    bool incomplete = false;

    void note(const QString& name, const QString& target, const LibraryCopy& copy) {
        if (copy.result == LibraryCopy::Failed) incomplete = true;
        if (copy.result == LibraryCopy::Failed || copy.result == LibraryCopy::Stopped) return;
        if (target != name) renamed << QStringLiteral("'") + name + QStringLiteral("' is now '") + target + "'";
        if (copy.unfit > 0)
            unfit << target + QStringLiteral(": ") + QString::number(copy.unfit) +
                         (copy.unfit == 1 ? QStringLiteral(" value") : QStringLiteral(" values"));
    }

    void show(ProgramState& state) const {
        if (!renamed.isEmpty())
            showPlainMessage(state,
                             QStringLiteral("These Music Libraries of the previous version have names that cannot be "
                                            "used as they are. They were carried over under new names:") +
                                 QStringLiteral("\n\n") + renamed.join(QLatin1Char('\n')),
                             kLibrariesRenamedTitle);
        if (!unfit.isEmpty())
            showPlainMessage(state,
                             QStringLiteral("Some values of the previous version's Music Libraries do not fit their "
                                            "columns (text in a number column, for example). They were carried over "
                                            "empty:") +
                                 QStringLiteral("\n\n") + unfit.join(QLatin1Char('\n')),
                             QStringLiteral("Music Library Values Left Empty"));
    }
};

}  // namespace

TransferOutcome TransferPreviousLibraries(ProgramState& state) {
    const QString previous = previousLibrariesFile(state);
    if (!FileExists(previous)) return TransferOutcome::NoPreviousVersion;
    const DatabaseFormat format = databaseFormat(previous);
    if (format != DatabaseFormat::SQLite && format != DatabaseFormat::Jet && format != DatabaseFormat::Ace) {
        showPlainMessage(state, unreadableDatabaseMessage(previous, format),
                         QStringLiteral("Music Libraries Not Transferred"), DialogContent::Error);
        return TransferOutcome::Incomplete;
    }
    if (AskQuestion(state,
                    QStringLiteral("Orvella has detected a previous version of the program. ") +
                        QStringLiteral("\n\n") +
                        QStringLiteral("Would you like to automatically transfer all of the existing Music Libraries "
                                       "to the new version?"),
                    QStringLiteral("Previous Version Detected")) != Answer::Yes)
        return TransferOutcome::Declined;

    const bool isJet = format != DatabaseFormat::SQLite;
    const std::unique_ptr<ReadableCopy> copy = isJet ? readableCopy(state, previous) : nullptr;
    if (isJet && !copy) return TransferOutcome::Incomplete;
    const QStringList names = GetPreviousMusicLibraries(state);
    TransferNotes notes;
    bool cancelShown = false;
    if (!names.isEmpty()) {
        state.run.BuildRunning = true;
        state.ui().yield();
        if (state.run.CloseRequested) {
            state.run.BuildRunning = false;
            return TransferOutcome::Cancelled;
        }
        const QStringList targets = carriedOverNames(names);
        // A library begun after Cancel would only be rolled back.
        for (qsizetype i = 0; i < names.size() && !state.run.CloseRequested; ++i) {
            const LibraryCopy copy = carryOver(state, names[i], targets[i]);
            cancelShown = cancelShown || copy.result != LibraryCopy::AlreadyThere;
            notes.note(names[i], targets[i], copy);
        }
    }
    state.ui().setAllEnabled(longRunLockedControls(), true);
    if (cancelShown) state.ui().setCaption(Control::cmdCancel, QStringLiteral("Close"));
    state.run.BuildRunning = false;
    if (state.run.CloseRequested) return TransferOutcome::Cancelled;
    notes.show(state);
    return notes.incomplete ? TransferOutcome::Incomplete : TransferOutcome::Transferred;
}

std::optional<int> TransferLibraryRecords(ProgramState& state, const QString& name, const QString& target) {
    const QString table = libraryTable(target);
    WriteBatch batch(state);
    if (!ExecuteSQLCommand(state, QStringLiteral("DELETE FROM ") + table, Db::Libraries)) return std::nullopt;
    Recordset old = GetRecordset(state, QStringLiteral("SELECT * FROM ") + quotedName(name), Db::PreviousLibraries);
    int unfit = 0;
    const bool copied = copyRecords(state, old, table, target, unfit);
    old.close();
    state.ui().setCaption(Control::lblDownloadStatus, QStringLiteral("Ready..."));
    if (!copied || !batch.commit()) return std::nullopt;
    return unfit;
}

}  // namespace orv
