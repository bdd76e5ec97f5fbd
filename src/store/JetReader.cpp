#include "store/JetReader.h"

#include "core/RuntimeError.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QTime>
#include <QtGlobal>
#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <mdbtools.h>
#include <mutex>
#include <unistd.h>

namespace orv {
namespace {

// The longest text (in UTF-8 bytes) that libmdb hands over whole; a longer one would be cut.
constexpr size_t kLongestText = 1 << 22;

RuntimeError jetError(const QString& path, const QString& what) {
    return RuntimeError(ErrorNumber::CannotOpen,
                        QStringLiteral("Cannot read the Jet database '%1': %2").arg(path, what));
}

// Qt's messages, from any thread and at any time, go to the standard error the program started
// with, never into a capture of libmdb's output (below): they are no word of libmdb's about a file.
// Set up before main, while no other thread can be printing one.
const int kTerminal = ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0);

void toTerminal(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    const QByteArray line = (qFormatLogMessage(type, context, message) + QLatin1Char('\n')).toLocal8Bit();
    [[maybe_unused]] const ssize_t written = ::write(kTerminal, line.constData(), static_cast<size_t>(line.size()));
}

[[maybe_unused]] const QtMessageHandler kEarlierQtHandler = qInstallMessageHandler(toTerminal);

// While it lives, what libmdb writes to standard output and standard error goes into `file`
// instead of reaching the user's terminal. libmdb says something only when a file is damaged, so
// whatever it said is a failure, which quotes it. One at a time: those streams are the process's own.
class LibmdbOutput {
public:
    explicit LibmdbOutput(std::FILE* file) : lock_(mutex()), fd_(file ? ::fileno(file) : -1) {
        std::fflush(stdout);
        std::fflush(stderr);
        if (fd_ < 0) return;
        start_ = ::lseek(fd_, 0, SEEK_END);
        for (int i = 0; i < 2; ++i) {
            saved_[i] = ::dup(kStreams[i]);
            if (saved_[i] >= 0) ::dup2(fd_, kStreams[i]);
        }
    }
    ~LibmdbOutput() { restore(); }
    LibmdbOutput(const LibmdbOutput&) = delete;
    LibmdbOutput& operator=(const LibmdbOutput&) = delete;

    // What libmdb said meanwhile, as one line; empty when nothing.
    QString said() {
        restore();
        if (fd_ < 0) return {};
        const off_t end = ::lseek(fd_, 0, SEEK_END);
        QByteArray text(static_cast<qsizetype>(std::min<off_t>(end - start_, 2048)), '\0');
        const ssize_t got = ::pread(fd_, text.data(), static_cast<size_t>(text.size()), start_);
        text.resize(std::max<qsizetype>(got, 0));
        return QString::fromUtf8(text).simplified();
    }

private:
    static constexpr int kStreams[2] = {STDOUT_FILENO, STDERR_FILENO};
    static std::mutex& mutex() {
        static std::mutex m;
        return m;
    }
    void restore() {
        std::fflush(stdout);
        std::fflush(stderr);
        for (int i = 0; i < 2; ++i) {
            if (saved_[i] < 0) continue;
            ::dup2(saved_[i], kStreams[i]);
            ::close(saved_[i]);
            saved_[i] = -1;
        }
    }
    std::lock_guard<std::mutex> lock_;
    int fd_;
    off_t start_ = 0;
    int saved_[2] = {-1, -1};
};

// A failure with what libmdb said about it.
RuntimeError jetError(const QString& path, const QString& what, const QString& said) {
    return jetError(path, said.isEmpty() ? what : what + QStringLiteral(" (libmdb: ") + said + QLatin1Char(')'));
}

// Throws when libmdb said anything.
void requireSilence(const QString& path, const QString& what, LibmdbOutput& output) {
    const QString said = output.said();
    if (!said.isEmpty()) throw jetError(path, what, said);
}

QString columnType(const MdbHandle* mdb, const MdbColumn* col) {
    switch (col->col_type) {
    case MDB_BOOL:
        return QStringLiteral("YesNo");
    case MDB_BYTE:
        return QStringLiteral("Byte");
    case MDB_INT:
        return QStringLiteral("Integer");
    case MDB_LONGINT:
    case MDB_COMPLEX:
        return QStringLiteral("Long");
    case MDB_MONEY:
        return QStringLiteral("Currency");
    case MDB_FLOAT:
        return QStringLiteral("Real");
    case MDB_DOUBLE:
        return QStringLiteral("Double");
    case MDB_DATETIME:
        return QStringLiteral("DateTime");
    case MDB_BINARY:
        return QStringLiteral("Binary(%1)").arg(col->col_size);
    case MDB_TEXT:
        // Jet 4 and later count a text column's size in bytes of UCS-2.
        return QStringLiteral("Text(%1)").arg(IS_JET3(mdb) ? col->col_size : col->col_size / 2);
    case MDB_OLE:
        return QStringLiteral("LongBinary");
    case MDB_MEMO:
        // LongText, not Memo: the engine keeps text as text only in a column whose type says TEXT.
        return QStringLiteral("LongText");
    case MDB_REPID:
        return QStringLiteral("GUID");
    case MDB_NUMERIC:
        // libmdb keeps the precision in col_scale and the scale in col_prec.
        return QStringLiteral("Decimal(%1,%2)").arg(col->col_scale).arg(col->col_prec);
    default:
        return {};
    }
}

QString takeText(char* text) {
    const QString value = QString::fromUtf8(text);
    g_free(text);
    return value;
}

QString dateText(double days) {
    struct tm t {};
    mdb_date_to_tm(days, &t);
    const QDate date(t.tm_year + 1900, t.tm_mon + 1, t.tm_mday);
    const QTime time(t.tm_hour, t.tm_min, t.tm_sec);
    if (time == QTime(0, 0)) return date.toString(QStringLiteral("yyyy-MM-dd"));
    return date.toString(QStringLiteral("yyyy-MM-dd")) + QLatin1Char(' ') + time.toString(QStringLiteral("HH:mm:ss"));
}

}  // namespace

DatabaseFormat databaseFormat(const QString& path) {
    QFile file(path);
    if (!QFileInfo(path).isFile()) return DatabaseFormat::Missing;
    if (!file.open(QIODevice::ReadOnly)) return DatabaseFormat::Unreadable;
    const QByteArray head = file.read(20);
    if (head.isEmpty() || head.startsWith(QByteArrayLiteral("SQLite format 3\0"))) return DatabaseFormat::SQLite;
    if (head.mid(4, 15) == QByteArrayLiteral("Standard Jet DB")) return DatabaseFormat::Jet;
    if (head.mid(4, 15) == QByteArrayLiteral("Standard ACE DB")) return DatabaseFormat::Ace;
    return DatabaseFormat::Other;
}

QString unreadableDatabaseMessage(const QString& path, DatabaseFormat format) {
    if (format == DatabaseFormat::Unreadable)
        return QStringLiteral("The file ") + path + QStringLiteral(" cannot be read.");
    return QStringLiteral("The file ") + path +
           QStringLiteral(
               " is not a database that Orvella can read: a SQLite database or a Jet (Microsoft Access) "
               "database of the Windows version was expected.");
}

struct JetDatabase::Handle {
    MdbHandle* mdb = nullptr;
    std::FILE* said = std::tmpfile();  // what libmdb says
    ~Handle() {
        if (mdb) mdb_close(mdb);
        if (said) std::fclose(said);
    }
};

struct JetDatabase::Table::Cursor {
    MdbTableDef* table = nullptr;
    std::vector<QByteArray> oleHeads;  // where libmdb leaves an OLE value's head for reading it whole
    ~Cursor() {
        if (table) mdb_free_tabledef(table);
    }
};

JetDatabase::JetDatabase(const QString& path) : path_(path), handle_(std::make_unique<Handle>()) {
    const DatabaseFormat format = databaseFormat(path);
    if (format != DatabaseFormat::Jet && format != DatabaseFormat::Ace)
        throw jetError(path, QStringLiteral("it is no Jet or ACE database."));
    // libmdb converts text into what MDBICONV names, UTF-8 when nothing.
    if (qEnvironmentVariableIsSet("MDBICONV")) qputenv("MDBICONV", "UTF-8");
    {
        LibmdbOutput output(handle_->said);
        handle_->mdb = mdb_open(QFile::encodeName(path).constData(), MDB_NOFLAGS);
        if (!handle_->mdb) throw jetError(path, QStringLiteral("libmdb cannot open it."), output.said());
        MdbHandle* mdb = handle_->mdb;
        if (QFileInfo(path).size() % mdb->fmt->pg_size != 0)
            throw jetError(path, QStringLiteral("the file is cut short (it does not end with a whole page)."));
        mdb_set_bind_size(mdb, kLongestText);
        GPtrArray* catalog = mdb_read_catalog(mdb, MDB_TABLE);
        if (!catalog) throw jetError(path, QStringLiteral("its catalogue cannot be read."), output.said());
        requireSilence(path, QStringLiteral("its catalogue cannot be read."), output);
        for (guint i = 0; i < catalog->len; ++i) {
            auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(catalog, i));
            if (entry->object_type == MDB_TABLE && mdb_is_user_table(entry))
                tables_ << QString::fromUtf8(entry->object_name);
        }
    }
    // The catalogue is a table too: read whole, it shows that no table was lost with its pages.
    const std::unique_ptr<Table> catalogue = table(QStringLiteral("MSysObjects"));
    std::vector<QVariant> row;
    while (catalogue->next(row)) {
    }
}

JetDatabase::~JetDatabase() = default;

std::unique_ptr<JetDatabase::Table> JetDatabase::table(const QString& name) {
    LibmdbOutput output(handle_->said);
    MdbHandle* mdb = handle_->mdb;
    auto cursor = std::make_unique<Table::Cursor>();
    for (guint i = 0; i < mdb->num_catalog && !cursor->table; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (entry->object_type == MDB_TABLE && QString::fromUtf8(entry->object_name) == name)
            cursor->table = mdb_read_table(entry);
    }
    if (!cursor->table || !mdb_read_columns(cursor->table))
        throw jetError(path_, QStringLiteral("the table %1 cannot be read.").arg(name), output.said());
    std::vector<JetColumn> columns;
    cursor->oleHeads.resize(cursor->table->num_cols);
    for (guint i = 0; i < cursor->table->num_cols; ++i) {
        auto* col = static_cast<MdbColumn*>(g_ptr_array_index(cursor->table->columns, i));
        const QString type = columnType(mdb, col);
        if (type.isEmpty())
            throw jetError(path_, QStringLiteral("the column %1 of the table %2 has a type (%3) that cannot be read.")
                                      .arg(QString::fromUtf8(col->name), name)
                                      .arg(col->col_type));
        columns.push_back({QString::fromUtf8(col->name), type});
        if (col->col_type == MDB_OLE) {
            cursor->oleHeads[i].resize(MDB_BIND_SIZE);
            mdb_bind_column(cursor->table, static_cast<int>(i) + 1, cursor->oleHeads[i].data(), nullptr);
        }
    }
    mdb_rewind_table(cursor->table);
    requireSilence(path_, QStringLiteral("the table %1 cannot be read.").arg(name), output);
    return std::unique_ptr<Table>(new Table(*this, std::move(cursor), std::move(columns)));
}

JetDatabase::Table::Table(JetDatabase& database, std::unique_ptr<Cursor> cursor, std::vector<JetColumn> columns)
    : database_(database), cursor_(std::move(cursor)), columns_(std::move(columns)) {}

JetDatabase::Table::~Table() = default;

bool JetDatabase::Table::next(std::vector<QVariant>& values) {
    LibmdbOutput output(database_.handle_->said);
    MdbTableDef* table = cursor_->table;
    MdbHandle* mdb = table->entry->mdb;
    if (!mdb_fetch_row(table)) {
        if (read_ < table->num_rows)
            throw jetError(database_.path(),
                           QStringLiteral("the table %1 counts %2 rows, of which only %3 can be read (the file is cut "
                                          "short or damaged).")
                               .arg(QString::fromUtf8(table->name))
                               .arg(table->num_rows)
                               .arg(read_),
                           output.said());
        requireSilence(database_.path(),
                       QStringLiteral("the table %1 cannot be read whole.").arg(QString::fromUtf8(table->name)),
                       output);
        return false;
    }
    ++read_;
    values.assign(table->num_cols, QVariant());
    for (guint i = 0; i < table->num_cols; ++i) {
        auto* col = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i));
        const int start = col->cur_value_start;
        const int length = col->cur_value_len;
        // A Boolean is its null bit: set (length 0 here) for True.
        if (col->col_type == MDB_BOOL) {
            values[i] = length == 0 ? QStringLiteral("True") : QStringLiteral("False");
            continue;
        }
        if (length == 0) continue;
        switch (col->col_type) {
        case MDB_BYTE:
            values[i] = static_cast<qlonglong>(mdb_get_byte(mdb->pg_buf, start));
            break;
        case MDB_INT:
            values[i] = static_cast<qlonglong>(static_cast<qint16>(mdb_get_int16(mdb->pg_buf, start)));
            break;
        case MDB_LONGINT:
        case MDB_COMPLEX:
            values[i] = static_cast<qlonglong>(static_cast<qint32>(mdb_get_int32(mdb->pg_buf, start)));
            break;
        case MDB_FLOAT:
            values[i] = static_cast<double>(mdb_get_single(mdb->pg_buf, start));
            break;
        case MDB_DOUBLE:
            values[i] = mdb_get_double(mdb->pg_buf, start);
            break;
        case MDB_MONEY:
            values[i] = takeText(mdb_money_to_string(mdb, start)).toDouble();
            break;
        case MDB_DATETIME:
            values[i] = dateText(mdb_get_double(mdb->pg_buf, start));
            break;
        case MDB_NUMERIC:
            values[i] = takeText(mdb_numeric_to_string(mdb, start, col->col_scale, col->col_prec));
            break;
        case MDB_REPID:
            values[i] = takeText(mdb_uuid_to_string(mdb->pg_buf, start));
            break;
        case MDB_BINARY:
            values[i] = QByteArray(reinterpret_cast<const char*>(mdb->pg_buf) + start, length);
            break;
        case MDB_OLE: {
            size_t size = 0;
            void* data = mdb_ole_read_full(mdb, col, &size);
            if (!data) throw jetError(database_.path(), QStringLiteral("an OLE value cannot be read."), output.said());
            values[i] = QByteArray(static_cast<const char*>(data), static_cast<qsizetype>(size));
            std::free(data);
            break;
        }
        default: {  // Text and Memo
            char* text = mdb_col_to_string(mdb, mdb->pg_buf, start, col->col_type, length);
            if (std::strlen(text) + 1 >= kLongestText) {
                g_free(text);
                throw jetError(database_.path(), QStringLiteral("a text of the table %1 is too long to be read whole.")
                                                     .arg(QString::fromUtf8(table->name)));
            }
            values[i] = takeText(text);
        }
        }
    }
    requireSilence(database_.path(),
                   QStringLiteral("the table %1 cannot be read whole.").arg(QString::fromUtf8(table->name)), output);
    return true;
}

}  // namespace orv
