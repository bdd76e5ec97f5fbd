#pragma once

#include "core/RuntimeError.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace orv {

// A statement in the engine's SQL with its values bound where it is made: "?" marks their places,
// in order. Values are text (QString), whole numbers, doubles, bytes or Null.
struct BoundStatement {
    QString sql;
    std::vector<QVariant> values;
};

// One open database file. Opening never creates a file: a missing or unreadable file
// fails with CannotOpen. Statements given as text pass through the SQL dialect layer.
class Connection {
public:
    explicit Connection(const QString& path);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    const QString& path() const { return path_; }

    // Runs a statement that returns no rows; returns the number of rows it changed.
    long long execute(const QString& sql);
    // The same for a bound statement, compiled once for every statement of the same text.
    long long execute(const BoundStatement& statement);

    struct Rows {
        QStringList columns;
        std::vector<std::vector<QVariant>> values;
    };
    // Runs a query and reads all of its rows.
    Rows query(const QString& sql);
    // One row of a query, as it is read: valid only while it is handed over.
    class Row {
    public:
        explicit Row(sqlite3_stmt* statement) : statement_(statement) {}
        int columnCount() const;
        // The column's value: text (QString), a whole number, a double, bytes or Null.
        QVariant value(int column) const;
        QString text(int column) const;
        qint64 number(int column) const;

    private:
        sqlite3_stmt* statement_;
    };
    // Runs a query and hands each of its rows to `take` in turn, keeping none; with `columns`, the
    // names of its columns go there first.
    void eachRow(const QString& sql, const std::function<void(const Row& row)>& take, QStringList* columns = nullptr);

    // True when the file behind the path is still the file this connection opened.
    bool stillMatchesFile() const;

private:
    sqlite3_stmt* prepare(const QString& sql);
    sqlite3_stmt* compile(const QByteArray& text);
    // The compiled statement of this text, kept for the next statement of the same text.
    sqlite3_stmt* compiled(const QString& sql);
    void dropCompiled();
    // Steps a statement to its end; the number of rows it changed.
    long long run(sqlite3_stmt* statement, int code);

    QString path_;
    sqlite3* db_ = nullptr;
    QHash<QString, sqlite3_stmt*> compiled_;
    unsigned long long device_ = 0;
    unsigned long long inode_ = 0;
};

// A database file being made (see fillDatabaseFile): statements in the engine's own SQL, and rows
// whose values are bound as they are (text, whole numbers, doubles, bytes, Null). Failures throw
// RuntimeError (CannotOpen) with the engine's message.
class NewDatabase {
public:
    explicit NewDatabase(sqlite3* db) : db_(db) {}
    void execute(const QByteArray& sql);
    // Adds the rows that `nextRow` gives, until it gives false, to `table` (names as they stand in
    // SQL); returns how many.
    qint64 insertRows(const QString& table, const QStringList& columns,
                      const std::function<bool(std::vector<QVariant>&)>& nextRow);

private:
    sqlite3* db_;
};

// Fills the new database file at `writePath` (nothing there yet, or an empty file) in one
// transaction.
void fillDatabaseFile(const QString& writePath, const std::function<void(NewDatabase&)>& fill);

// A name as it stands in the engine's SQL: between double quotes.
QString quotedName(const QString& name);

// Makes a new database file at `path` holding what `statements` make. A file that exists, or
// that appears meanwhile, is never touched: returns false then. The new file appears whole or not
// at all (core/AtomicFile); any other failure throws CannotOpen.
bool createDatabaseFile(const QString& path, const QStringList& statements);

// The rows of one query, read when it opened. A recordset that failed to open, or that is
// "nothing", throws on first use.
class Recordset {
public:
    Recordset() = default;  // nothing
    static Recordset failed(const RuntimeError& error);
    static Recordset fromRows(Connection::Rows rows);

    bool isNothing() const { return !failure_ && !open_; }

    bool isBOF() const;
    bool isEOF() const;
    int recordCount() const;
    void moveNext();
    void moveFirst();
    QVariant field(int index) const;
    QVariant field(const QString& name) const;
    // Whether the rows have a field of this name (letter case ignored).
    bool hasField(const QString& name) const;
    void close();

private:
    void requireOpen() const;

    std::optional<RuntimeError> failure_;
    bool open_ = false;
    Connection::Rows rows_;
    std::size_t position_ = 0;
};

}  // namespace orv
