#include "cli/Commands.h"
#include "core/ProgramState.h"
#include "errors/ErrorReport.h"
#include "store/LibraryButtons.h"
#include "store/LibraryTransfer.h"
#include "store/MusicLibraries.h"

namespace orv {
namespace {

// The listed library a typed name stands for, among `listed`; empty, with a message, when there is none.
QString listedLibrary(Command& c, const QStringList& listed, const QString& typed) {
    for (const QString& name : listed)
        if (name.compare(typed, Qt::CaseInsensitive) == 0) return name;
    showPlainMessage(c.state, QStringLiteral("There is no Music Library named '") + typed + QStringLiteral("'."),
                     QStringLiteral("Music Library Not Found"));
    return {};
}

}  // namespace

QString listedLibrary(Command& c, const QString& typed) {
    const std::optional<QStringList> listed = musicLibraryNames(c.state);
    return listed ? listedLibrary(c, *listed, typed) : QString();
}

int runLibraries(Command& c) {
    const QString action = c.args.value(0);
    if (action == QLatin1String("list") && c.args.size() == 1) {
        const MusicLibraryList libraries = GetMusicLibraries(c.state);
        for (const QString& name : libraries.names) c.out << name << '\n';
        return c.status();
    }
    if (action == QLatin1String("create") && c.args.size() == 2 && !c.args[1].isEmpty())
        return newMusicLibraryNamed(c.state, c.args[1]).done ? c.status({kLibraryCreatedTitle}) : 1;
    if ((action == QLatin1String("clear") || action == QLatin1String("delete")) && c.args.size() == 2) {
        const QStringList listed = GetMusicLibraries(c.state).names;
        const QString name = listedLibrary(c, listed, c.args[1]);
        if (name.isEmpty()) return 1;
        if (action == QLatin1String("clear")) return clearMusicLibrary(c.state, name) ? c.status() : 1;
        return deleteMusicLibrary(c.state, name, static_cast<int>(listed.size())).done
                   ? c.status({kLibraryDeletedTitle})
                   : 1;
    }
    if (action == QLatin1String("transfer") && c.args.size() == 1) {
        switch (TransferPreviousLibraries(c.state)) {
        case TransferOutcome::NoPreviousVersion:
            c.out << "No previous version's Music Libraries were found.\n";
            return 0;
        case TransferOutcome::Transferred:
            return c.status({kLibrariesRenamedTitle});
        case TransferOutcome::Declined:
        case TransferOutcome::Cancelled:
        case TransferOutcome::Incomplete:
            return 1;
        }
    }
    throw UsageError();
}

}  // namespace orv
