#pragma once

#include <QString>

namespace orv {

struct ProgramState;

// The start-up carry-over of a previous version's libraries.
enum class TransferOutcome { NoPreviousVersion, Declined, Cancelled, Transferred };
TransferOutcome TransferPreviousLibraries(ProgramState& state);

// Copies one library's records from the previous libraries database over the new table's. Throws
// RuntimeError for a failure that ends the copy; rejected statements are reported as they come.
void TransferLibraryRecords(ProgramState& state, const QString& name);

}  // namespace orv
