#include "store/JetImport.h"

#include "core/AtomicFile.h"
#include "core/ProgramState.h"
#include "core/RuntimeError.h"
#include "errors/ErrorReport.h"
#include "store/Database.h"
#include "store/JetReader.h"
#include "store/ProgramFiles.h"
#include "store/ProgramFolder.h"
#include "store/SqlDialect.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace orv {
namespace {

const QString kModule = QStringLiteral("modJetImport");

RuntimeError conversionError(const QString& path, const QString& what) {
    return RuntimeError(ErrorNumber::CannotOpen, QStringLiteral("Cannot convert '%1': %2").arg(path, what));
}

bool sameFile(const QByteArray& one, const QByteArray& other) {
    const std::optional<struct stat> a = pathStatus(one);
    const std::optional<struct stat> b = pathStatus(other);
    return a && b && a->st_dev == b->st_dev && a->st_ino == b->st_ino;
}

}  // namespace

std::vector<ImportedTable> copyJetDatabase(const QString& source, const QString& writePath,
                                           const QStringList& completion) {
    JetDatabase jet(source);
    std::vector<ImportedTable> copied;
    try {
        fillDatabaseFile(writePath, [&](NewDatabase& content) {
            for (const QString& name : jet.tables()) {
                const std::unique_ptr<JetDatabase::Table> table = jet.table(name);
                QStringList definitions, columns;
                for (const JetColumn& column : table->columns()) {
                    definitions << quotedName(column.name) + QLatin1Char(' ') + column.type;
                    columns << quotedName(column.name);
                }
                content.execute((QStringLiteral("CREATE TABLE ") + quotedName(name) + QStringLiteral(" (") +
                                 definitions.join(QStringLiteral(", ")) + QLatin1Char(')'))
                                    .toUtf8());
                const qint64 rows = content.insertRows(
                    quotedName(name), columns, [&table](std::vector<QVariant>& row) { return table->next(row); });
                copied.push_back({name, rows});
            }
            for (const QString& statement : completion) content.execute(translateSql(statement).toUtf8());
        });
    } catch (const RuntimeError& error) {
        // The reader's own failures name the Jet file already.
        if (error.description().contains(source)) throw;
        throw conversionError(source, error.description());
    }
    return copied;
}

QString convertedJetName(const QString& path) {
    return path + QStringLiteral(".jet");
}

std::vector<ImportedTable> convertJetDatabase(const QString& path, const QStringList& completion) {
    // The file a symbolic link names is the one that is kept.
    const QByteArray jet = QFile::encodeName(QFileInfo(path).canonicalFilePath());
    const QByteArray kept = QFile::encodeName(convertedJetName(path));
    // A link left by a conversion that was interrupted before its end names the Jet file itself.
    if (sameFile(jet, kept)) ::unlink(kept.constData());
    if (QFile::exists(convertedJetName(path)))
        throw conversionError(path, QStringLiteral("a file %1 is there already.").arg(convertedJetName(path)));

    AtomicFile file(path);
    if (!file.open()) throw conversionError(path, file.errorString());
    // Written in place, the new content would go into the very file that is to be kept.
    if (file.writesInPlace()) {
        file.cancel();
        throw conversionError(path,
                              QStringLiteral("it has other names (hard links), or its folder may not be written."));
    }
    const std::vector<ImportedTable> copied = copyJetDatabase(path, file.writePath(), completion);
    // The Jet file takes its second name before the new database takes the first: a crash leaves the
    // Jet file under its name, or the new database and the Jet file beside it.
    if (::link(jet.constData(), kept.constData()) != 0) {
        const QString reason = QString::fromLocal8Bit(std::strerror(errno));
        file.cancel();
        throw conversionError(path, QStringLiteral("it cannot be kept as %1: %2").arg(convertedJetName(path), reason));
    }
    if (!file.commit()) {
        ::unlink(kept.constData());
        throw conversionError(path, file.errorString());
    }
    return copied;
}

bool convertWindowsDatabases(ProgramState& state) {
    // The program stops after each of these messages: they wait for the user.
    const auto stop = [&state](ErrorMessage message) {
        message.modal = true;
        ShowErrorMessage(state, message);
        return false;
    };
    for (const QString& name : {kMainDatabaseFile, kSettingsDatabaseFile, kLibrariesDatabaseFile}) {
        const QString path = ProgramFile(state, name);
        const DatabaseFormat format = databaseFormat(path);
        if (format == DatabaseFormat::Missing || format == DatabaseFormat::SQLite) continue;
        if (format == DatabaseFormat::Other || format == DatabaseFormat::Unreadable)
            return stop({.message = unreadableDatabaseMessage(path, format),
                         .icon = DialogContent::Error,
                         .title = QStringLiteral("Database Not Readable")});
        const QString question =
            QStringLiteral("The file ") + name + QStringLiteral(" comes from the Windows version of Orvella.") +
            QStringLiteral("\n\n") +
            QStringLiteral("Convert it so that this version can use it? The original is kept as ") + name +
            QStringLiteral(".jet.");
        if (AskQuestion(state, question, QStringLiteral("Windows Database Found")) != Answer::Yes)
            return stop({.message = QStringLiteral("Orvella Configurator cannot use the file ") + path +
                                    QStringLiteral(" until it is converted. It is left as it was."),
                         .icon = DialogContent::Information,
                         .title = QStringLiteral("Windows Database Not Converted")});
        try {
            convertJetDatabase(path, firstUseCompletion(name));
        } catch (const RuntimeError& error) {
            const ErrorTrap trap(state, kModule, QStringLiteral("convertJetDatabase"));
            return stop(trap.failure(error, QStringLiteral("The file ") + path +
                                                QStringLiteral(" of the Windows version could not be converted. It "
                                                               "is left as it was.")));
        }
    }
    return true;
}

}  // namespace orv
