#pragma once

#include <QString>
#include <QStringList>
#include <vector>

namespace orv {

struct ProgramState;

// One table copied from a Jet file, and how many rows it brought.
struct ImportedTable {
    QString name;
    qint64 rows = 0;
};

// Copies every user table of the Jet file `source`, with its columns, their types and every row,
// into the new database file at `writePath`, then runs the `completion` statements there, all in
// one transaction. Throws RuntimeError (naming the source) when any of it cannot be read or written.
std::vector<ImportedTable> copyJetDatabase(const QString& source, const QString& writePath,
                                           const QStringList& completion = {});

// The name the Jet file at `path` keeps once it is converted.
QString convertedJetName(const QString& path);

// Converts the Jet file at `path` into a SQLite database under the same name, written whole through
// core/AtomicFile (with `completion` run in it, see copyJetDatabase); the Jet file is kept as
// convertedJetName(path). Throws RuntimeError when it cannot, and then leaves both names as they were.
std::vector<ImportedTable> convertJetDatabase(const QString& path, const QStringList& completion = {});

// The start-up's look at the program folder's three databases. Each that is a Jet file is converted
// after the user said Yes, its Settings and Skins completed with what a fresh folder holds. False when
// the program cannot go on: the user said No, a conversion failed, or a database is a file of another
// kind (each shown). A missing database is left to the not-found report.
bool convertWindowsDatabases(ProgramState& state);

}  // namespace orv
