#pragma once

#include <QByteArray>
#include <QString>
#include <optional>
#include <variant>
#include <vector>

namespace orv {

// Turns the statements the program writes into the database engine's SQL:
// "DELETE * FROM" becomes "DELETE FROM", "WITH COMPRESSION" is dropped, and the
// catalogue table MSysObjects answers from the engine's own catalogue (user tables as
// Type 1, Flags 0, names compared without regard to letter case).
// Quoted text values are never touched.
QString translateSql(const QString& sql);

// An INSERT ... VALUES statement (engine SQL, UTF-8) with its quoted texts and whole numbers taken
// out: the statement with "?" in their places, and the values in order. Statements of one shape
// then share one compiled statement. Nothing for any other statement, and for one with anything
// this reading cannot be sure of (parameters, comments, other numbers, a SELECT).
struct LiftedStatement {
    QByteArray shape;
    std::vector<std::variant<QByteArray, qint64>> values;
};
std::optional<LiftedStatement> liftInsertValues(const QByteArray& sql);

}  // namespace orv
