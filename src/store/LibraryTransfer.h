#pragma once

#include <QString>
#include <optional>

namespace orv {

struct ProgramState;

// The title of the message that names the libraries carried over under new names.
inline const QString kLibrariesRenamedTitle = QStringLiteral("Music Libraries Renamed");

// The start-up carry-over of a previous version's libraries, from its database as it is: SQLite, or
// Jet (read through a copy; see store/JetImport.h). A file of another kind, or a Jet file that cannot
// be read, is reported before anything changes (Incomplete). A library whose name cannot stand
// bare is carried over under a mended name (mendedLibraryName); the renamed libraries, and the
// values that did not fit their columns, are each told in one message at the end. Incomplete: a
// library could not be carried over (reported), so the previous version's file is to be kept, as
// after Cancelled.
enum class TransferOutcome { NoPreviousVersion, Declined, Cancelled, Incomplete, Transferred };
TransferOutcome TransferPreviousLibraries(ProgramState& state);

// Copies the records of the previous version's library `name` over those of the library `target`,
// in one transaction that commits only once every record is copied: the number of values that did
// not fit their column and were stored as Null. Nothing, with the library left as it was, when
// Cancel stopped the copy or the engine rejected a statement (reported); a failure that ends the
// copy throws RuntimeError, and leaves the library as it was too.
std::optional<int> TransferLibraryRecords(ProgramState& state, const QString& name, const QString& target);

}  // namespace orv
