#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <vector>

namespace orv {

// What a database file is, told by its first bytes, never by its name: "SQLite format 3" at the
// start, "Standard Jet DB" (Jet 3 and Jet 4) or "Standard ACE DB" (Access 2007 and later) at byte 4.
// An empty file is an empty SQLite database; Unreadable: the file exists but cannot be read.
enum class DatabaseFormat { Missing, Unreadable, SQLite, Jet, Ace, Other };
DatabaseFormat databaseFormat(const QString& path);

// What a caller expected of a database file and did not find, for the message that names it.
QString unreadableDatabaseMessage(const QString& path, DatabaseFormat format);

// One column of a Jet table: its name and its Access type as a column type of the store's SQL
// ("Text(50)", "Long", "DateTime", ...), chosen so that the store keeps each value as it was read.
struct JetColumn {
    QString name;
    QString type;
};

// A Jet (or ACE) database file, opened read-only through libmdb. Every failure throws RuntimeError
// (CannotOpen) with a description that names the file.
//
// Values arrive as the store keeps them: Null; whole numbers (Byte, Integer, Long) as qlonglong;
// Single, Double and Currency as double; Text and Memo as UTF-8 text (Jet 3 text is read from the
// file's Windows code page, 1252 unless it names another); Date/Time as "yyyy-MM-dd", or
// "yyyy-MM-dd HH:mm:ss" when it has a time of day; Boolean as "True"/"False"; Decimal and
// Replication ID as text; Binary and OLE Object as bytes. A zero-length text reads as Null: the file
// tells the two apart only in a way libmdb does not give.
class JetDatabase {
public:
    explicit JetDatabase(const QString& path);
    ~JetDatabase();
    JetDatabase(const JetDatabase&) = delete;
    JetDatabase& operator=(const JetDatabase&) = delete;

    const QString& path() const { return path_; }
    // The user tables, in the file's catalogue order.
    const QStringList& tables() const { return tables_; }

    class Table;
    // Opens one of tables() for reading its rows from the first.
    std::unique_ptr<Table> table(const QString& name);

private:
    struct Handle;
    QString path_;
    std::unique_ptr<Handle> handle_;
    QStringList tables_;
};

class JetDatabase::Table {
public:
    ~Table();
    const std::vector<JetColumn>& columns() const { return columns_; }
    // The next row's values, in the order of columns(); false after the last row. Throws when the
    // table holds fewer rows than its definition counts (a file cut short or damaged).
    bool next(std::vector<QVariant>& values);

private:
    friend class JetDatabase;
    struct Cursor;
    Table(JetDatabase& database, std::unique_ptr<Cursor> cursor, std::vector<JetColumn> columns);
    JetDatabase& database_;
    std::unique_ptr<Cursor> cursor_;
    std::vector<JetColumn> columns_;
    unsigned long long read_ = 0;
};

}  // namespace orv
