#include "store/Database.h"

#include "core/AtomicFile.h"
#include "store/SqlDialect.h"

#include <QFileInfo>
#include <cerrno>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orv {
namespace {

// Maps the engine's failures onto the numbers the program's handlers test.
RuntimeError engineError(sqlite3* db, int code) {
    const QString message = QString::fromUtf8(sqlite3_errmsg(db));
    switch (code & 0xff) {
    case SQLITE_ERROR:
        if (message.startsWith(QLatin1String("no such table")) || message.startsWith(QLatin1String("no such column")))
            return RuntimeError(ErrorNumber::UnknownName, message);
        return RuntimeError(ErrorNumber::SyntaxError, message);
    case SQLITE_NOMEM:
        return RuntimeError(7, QStringLiteral("Out of memory"));
    default:
        return RuntimeError(ErrorNumber::CannotOpen, message);
    }
}

// Binds one value at its place.
int bindValue(sqlite3_stmt* statement, int at, const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::UnknownType:
        return sqlite3_bind_null(statement, at);
    case QMetaType::LongLong:
        return sqlite3_bind_int64(statement, at, value.toLongLong());
    case QMetaType::Double:
        return sqlite3_bind_double(statement, at, value.toDouble());
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        return sqlite3_bind_blob64(statement, at, bytes.constData(), static_cast<sqlite3_uint64>(bytes.size()),
                                   SQLITE_TRANSIENT);
    }
    default: {
        // An empty text is a text, never Null.
        const QByteArray text = value.toString().toUtf8();
        return sqlite3_bind_text64(statement, at, text.isNull() ? "" : text.constData(),
                                   static_cast<sqlite3_uint64>(text.size()), SQLITE_TRANSIENT, SQLITE_UTF8);
    }
    }
}

bool statFile(const QString& path, unsigned long long& device, unsigned long long& inode) {
    const std::optional<struct stat> info = pathStatus(path);
    if (!info) return false;
    device = info->st_dev;
    inode = info->st_ino;
    return true;
}

}  // namespace

Connection::Connection(const QString& path) : path_(path) {
    const QFileInfo info(path);
    if (!info.isFile() || !statFile(path, device_, inode_))
        throw RuntimeError(ErrorNumber::CannotOpen, QStringLiteral("Could not find file '%1'.").arg(path));

    const int opened = sqlite3_open_v2(QFile::encodeName(path).constData(), &db_,
                                       SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    // The first 8 MB are read through a read-only mapping of the file rather than a system call a
    // page: a run reads the whole library to find what changed. Mapped pages count as the program's
    // memory, once for each connection, so the pages of a large library beyond them are read as
    // before. Writes still go through the file.
    if (opened == SQLITE_OK) sqlite3_exec(db_, "PRAGMA mmap_size = 8388608", nullptr, nullptr, nullptr);
    // The engine opens lazily: read the catalogue once so that a file that is not a
    // database fails here rather than at its first statement.
    if (opened != SQLITE_OK ||
        sqlite3_exec(db_, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr) != SQLITE_OK) {
        const QString reason = db_ ? QString::fromUtf8(sqlite3_errmsg(db_)) : QStringLiteral("cannot open");
        sqlite3_close_v2(db_);
        db_ = nullptr;
        throw RuntimeError(ErrorNumber::CannotOpen, QStringLiteral("Cannot open database '%1': %2.").arg(path, reason));
    }
    sqlite3_busy_timeout(db_, 5000);
}

Connection::~Connection() {
    if (!db_) return;
    dropCompiled();
    sqlite3_close_v2(db_);
}

bool Connection::stillMatchesFile() const {
    unsigned long long device = 0, inode = 0;
    return statFile(path_, device, inode) && device == device_ && inode == inode_;
}

sqlite3_stmt* Connection::prepare(const QString& sql) {
    return compile(translateSql(sql).toUtf8());
}

sqlite3_stmt* Connection::compile(const QByteArray& text) {
    sqlite3_stmt* statement = nullptr;
    const char* tail = nullptr;
    const int code = sqlite3_prepare_v2(db_, text.constData(), static_cast<int>(text.size()), &statement, &tail);
    if (code != SQLITE_OK) throw engineError(db_, code);
    if (!statement) throw RuntimeError(ErrorNumber::SyntaxError, QStringLiteral("Invalid SQL statement."));
    // One call runs one statement: anything after it but a closing semicolon is refused.
    QByteArray rest(tail);
    rest = rest.trimmed();
    if (rest.startsWith(';')) rest = rest.mid(1).trimmed();
    if (!rest.isEmpty()) {
        sqlite3_finalize(statement);
        throw RuntimeError(ErrorNumber::SyntaxError, QStringLiteral("Characters found after end of SQL statement."));
    }
    return statement;
}

sqlite3_stmt* Connection::compiled(const QString& sql) {
    if (sqlite3_stmt* kept = compiled_.value(sql)) return kept;
    constexpr qsizetype kMostKept = 16;
    if (compiled_.size() >= kMostKept) dropCompiled();
    sqlite3_stmt* statement = compile(sql.toUtf8());
    compiled_.insert(sql, statement);
    return statement;
}

void Connection::dropCompiled() {
    for (sqlite3_stmt* statement : std::as_const(compiled_)) sqlite3_finalize(statement);
    compiled_.clear();
}

long long Connection::run(sqlite3_stmt* statement, int code) {
    if (code == SQLITE_OK)
        while ((code = sqlite3_step(statement)) == SQLITE_ROW) {
        }
    if (code != SQLITE_DONE) throw engineError(db_, code);
    return sqlite3_changes64(db_);
}

long long Connection::execute(const QString& sql) {
    sqlite3_stmt* statement = prepare(sql);
    try {
        const long long changed = run(statement, SQLITE_OK);
        sqlite3_finalize(statement);
        return changed;
    } catch (const RuntimeError&) {
        sqlite3_finalize(statement);
        throw;
    }
}

long long Connection::execute(const BoundStatement& bound) {
    sqlite3_stmt* statement = compiled(bound.sql);
    int code = SQLITE_OK;
    for (std::size_t i = 0; i < bound.values.size() && code == SQLITE_OK; ++i)
        code = bindValue(statement, static_cast<int>(i) + 1, bound.values[i]);
    // The kept statement is made ready for the next one whichever way this one ends.
    const auto reset = [statement] {
        sqlite3_reset(statement);
        sqlite3_clear_bindings(statement);
    };
    try {
        const long long changed = run(statement, code);
        reset();
        return changed;
    } catch (const RuntimeError&) {
        reset();
        throw;
    }
}

int Connection::Row::columnCount() const {
    return sqlite3_column_count(statement_);
}

QVariant Connection::Row::value(int column) const {
    switch (sqlite3_column_type(statement_, column)) {
    case SQLITE_INTEGER:
        return static_cast<qlonglong>(sqlite3_column_int64(statement_, column));
    case SQLITE_FLOAT:
        return sqlite3_column_double(statement_, column);
    case SQLITE_TEXT:
        return text(column);
    case SQLITE_BLOB:
        return QByteArray(static_cast<const char*>(sqlite3_column_blob(statement_, column)),
                          sqlite3_column_bytes(statement_, column));
    default:
        return {};
    }
}

QString Connection::Row::text(int column) const {
    return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement_, column)),
                             sqlite3_column_bytes(statement_, column));
}

qint64 Connection::Row::number(int column) const {
    return sqlite3_column_int64(statement_, column);
}

void Connection::eachRow(const QString& sql, const std::function<void(const Row& row)>& take, QStringList* columns) {
    const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> statement(prepare(sql), sqlite3_finalize);
    const Row row(statement.get());
    if (columns)
        for (int c = 0; c < row.columnCount(); ++c)
            *columns << QString::fromUtf8(sqlite3_column_name(statement.get(), c));
    int code;
    while ((code = sqlite3_step(statement.get())) == SQLITE_ROW) take(row);
    if (code != SQLITE_DONE) throw engineError(db_, code);
}

Connection::Rows Connection::query(const QString& sql) {
    Rows rows;
    eachRow(
        sql,
        [&rows](const Row& row) {
            std::vector<QVariant> values;
            values.reserve(rows.columns.size());
            for (int c = 0; c < rows.columns.size(); ++c) values.push_back(row.value(c));
            rows.values.push_back(std::move(values));
        },
        &rows.columns);
    return rows;
}

void NewDatabase::execute(const QByteArray& sql) {
    char* message = nullptr;
    const int code = sqlite3_exec(db_, sql.constData(), nullptr, nullptr, &message);
    const QString failure = QString::fromUtf8(message ? message : sqlite3_errstr(code));
    sqlite3_free(message);
    if (code != SQLITE_OK) throw RuntimeError(ErrorNumber::CannotOpen, failure);
}

qint64 NewDatabase::insertRows(const QString& table, const QStringList& columns,
                               const std::function<bool(std::vector<QVariant>&)>& nextRow) {
    const QString marks = QStringList(columns.size(), QStringLiteral("?")).join(QStringLiteral(", "));
    const QByteArray sql = (QStringLiteral("INSERT INTO ") + table + QStringLiteral(" (") +
                            columns.join(QStringLiteral(", ")) + QStringLiteral(") VALUES (") + marks + ')')
                               .toUtf8();
    sqlite3_stmt* statement = nullptr;
    int code = sqlite3_prepare_v2(db_, sql.constData(), static_cast<int>(sql.size()), &statement, nullptr);
    qint64 rows = 0;
    std::vector<QVariant> values;
    try {
        while (code == SQLITE_OK && nextRow(values)) {
            for (std::size_t i = 0; i < values.size() && code == SQLITE_OK; ++i)
                code = bindValue(statement, static_cast<int>(i) + 1, values[i]);
            if (code == SQLITE_OK && (code = sqlite3_step(statement)) == SQLITE_DONE) code = sqlite3_reset(statement);
            ++rows;
        }
    } catch (...) {
        sqlite3_finalize(statement);
        throw;
    }
    sqlite3_finalize(statement);
    if (code != SQLITE_OK) throw RuntimeError(ErrorNumber::CannotOpen, QString::fromUtf8(sqlite3_errmsg(db_)));
    return rows;
}

void fillDatabaseFile(const QString& writePath, const std::function<void(NewDatabase&)>& fill) {
    sqlite3* db = nullptr;
    const int code = sqlite3_open_v2(QFile::encodeName(writePath).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    try {
        if (code != SQLITE_OK) throw RuntimeError(ErrorNumber::CannotOpen, QString::fromUtf8(sqlite3_errmsg(db)));
        NewDatabase content(db);
        content.execute("BEGIN");
        fill(content);
        content.execute("COMMIT");
    } catch (...) {
        sqlite3_close_v2(db);
        throw;
    }
    sqlite3_close_v2(db);
}

QString quotedName(const QString& name) {
    return QLatin1Char('"') + QString(name).replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}

bool createDatabaseFile(const QString& path, const QStringList& statements) {
    if (QFileInfo::exists(path)) return false;
    AtomicFile file(path);
    if (!file.open())
        throw RuntimeError(ErrorNumber::CannotOpen,
                           QStringLiteral("Cannot create '%1': %2").arg(path, file.errorString()));
    try {
        fillDatabaseFile(file.writePath(), [&statements](NewDatabase& content) {
            for (const QString& statement : statements) content.execute(translateSql(statement).toUtf8());
        });
    } catch (const RuntimeError& error) {
        file.cancel();
        throw RuntimeError(ErrorNumber::CannotOpen,
                           QStringLiteral("Cannot create '%1': %2").arg(path, error.description()));
    }
    // A database made meanwhile by someone else is kept: then the result is false.
    if (file.commitWithoutReplacing()) return true;
    if (QFileInfo::exists(path)) return false;
    throw RuntimeError(ErrorNumber::CannotOpen, QStringLiteral("Cannot create '%1': %2").arg(path, file.errorString()));
}

Recordset Recordset::failed(const RuntimeError& error) {
    Recordset r;
    r.failure_ = error;
    return r;
}

Recordset Recordset::fromRows(Connection::Rows rows) {
    Recordset r;
    r.open_ = true;
    r.rows_ = std::move(rows);
    return r;
}

void Recordset::requireOpen() const {
    if (failure_) throw *failure_;
    if (!open_)
        throw RuntimeError(ErrorNumber::ObjectNotSet, QStringLiteral("Object variable or With block variable not set"));
}

bool Recordset::isBOF() const {
    requireOpen();
    return rows_.values.empty();
}

bool Recordset::isEOF() const {
    requireOpen();
    return position_ >= rows_.values.size();
}

int Recordset::recordCount() const {
    requireOpen();
    return static_cast<int>(rows_.values.size());
}

void Recordset::moveNext() {
    requireOpen();
    if (position_ >= rows_.values.size())
        throw RuntimeError(3021, QStringLiteral("Either BOF or EOF is True, or the current record has been deleted."));
    ++position_;
}

void Recordset::moveFirst() {
    requireOpen();
    position_ = 0;
}

QVariant Recordset::field(int index) const {
    requireOpen();
    if (position_ >= rows_.values.size())
        throw RuntimeError(3021, QStringLiteral("Either BOF or EOF is True, or the current record has been deleted."));
    if (index < 0 || index >= rows_.columns.size())
        throw RuntimeError(
            3265,
            QStringLiteral("Item cannot be found in the collection corresponding to the requested name or ordinal."));
    return rows_.values[position_][static_cast<std::size_t>(index)];
}

bool Recordset::hasField(const QString& name) const {
    requireOpen();
    return rows_.columns.contains(name, Qt::CaseInsensitive);
}

QVariant Recordset::field(const QString& name) const {
    requireOpen();
    for (int c = 0; c < rows_.columns.size(); ++c)
        if (rows_.columns[c].compare(name, Qt::CaseInsensitive) == 0) return field(c);
    throw RuntimeError(
        3265, QStringLiteral("Item cannot be found in the collection corresponding to the requested name or ordinal."));
}

void Recordset::close() {
    requireOpen();
    open_ = false;
    rows_ = {};
}

}  // namespace orv
