#include "cli/Commands.h"
#include "core/ProgramState.h"
#include "errors/ErrorReport.h"
#include "store/JetImport.h"
#include "store/JetReader.h"
#include "store/ProgramFolder.h"

#include <QFileInfo>

namespace orv {

int runJetImport(Command& c) {
    if (c.args.size() != 1) throw UsageError();
    const QFileInfo file(c.args[0]);
    const QString path = file.absoluteFilePath();
    const DatabaseFormat format = databaseFormat(path);
    if (format != DatabaseFormat::Jet && format != DatabaseFormat::Ace) {
        showPlainMessage(c.state,
                         format == DatabaseFormat::Missing
                             ? QStringLiteral("There is no file ") + path + QStringLiteral(".")
                         : format == DatabaseFormat::SQLite
                             ? QStringLiteral("The file ") + path +
                                   QStringLiteral(" is a SQLite database already: there is nothing to convert.")
                             : unreadableDatabaseMessage(path, format),
                         QStringLiteral("No Jet Database"), DialogContent::Error);
        return 1;
    }
    try {
        // A program database converted by name gets what a fresh one holds, as at start-up.
        for (const ImportedTable& table : convertJetDatabase(path, firstUseCompletion(file.fileName())))
            c.out << table.name << '\t' << table.rows << '\n';
    } catch (const RuntimeError& error) {
        reportError(
            c.state, QStringLiteral("modCommandLine"), QStringLiteral("jet-import"), error,
            QStringLiteral("The file ") + path + QStringLiteral(" could not be converted. It is left as it was."));
    }
    return c.status();
}

}  // namespace orv
