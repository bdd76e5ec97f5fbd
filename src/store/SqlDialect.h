#pragma once

#include <QString>

namespace orv {

// Turns the statements the program writes into the database engine's SQL:
// "DELETE * FROM" becomes "DELETE FROM", "WITH COMPRESSION" is dropped, and the
// catalogue table MSysObjects answers from the engine's own catalogue (user tables as
// Type 1, Flags 0, names compared without regard to letter case).
// Quoted text values are never touched.
QString translateSql(const QString& sql);

}  // namespace orv
