#include "store/LibraryButtons.h"

#include "core/Controls.h"
#include "core/FrontEnd.h"
#include "core/ProgramState.h"
#include "core/Text.h"
#include "errors/ErrorReport.h"
#include "store/Compaction.h"

namespace orv {
namespace {

const QString kModule = QStringLiteral("frmStartUp");
const QString kNotCreatedTitle = QStringLiteral("Music Library NOT Created");

}  // namespace

LibraryButtonResult newMusicLibrary(ProgramState& state) {
    const std::optional<QString> typed = state.ui().inputText(
        QStringLiteral("Enter a name for the new Music Library:") + QStringLiteral("\n\n") +
            QStringLiteral("(Please do not use spaces if your Music Library name contains multiple words)"),
        QStringLiteral("Create Music Library"));
    return newMusicLibraryNamed(state, typed.value_or(QString()));
}

LibraryButtonResult newMusicLibraryNamed(ProgramState& state, const QString& typed) {
    const QString name = libraryNameFromTyped(typed);
    if (name.isEmpty()) return {};
    if (!isPlainLibraryName(name)) {
        showPlainMessage(state, libraryNameRefusal(name), kNotCreatedTitle);
        return {};
    }
    if (!CreateMusicLibrary(state, name)) {
        showPlainMessage(state,
                         QStringLiteral("There was a problem creating the Music Library - '") + name +
                             QStringLiteral("'.") + QStringLiteral("\n\n") + QStringLiteral("Please try again."),
                         kNotCreatedTitle);
        return {};
    }
    CompactDatabases(state);
    showPlainMessage(state,
                     QStringLiteral("The Music Library - '") + name +
                         QStringLiteral("' has been successfully created.") + QStringLiteral("\n\n") +
                         QStringLiteral("You must now populate this Music Library by clicking the 'Build Music "
                                        "Library' button."),
                     kLibraryCreatedTitle, DialogContent::Information);
    MusicLibraryList libraries = GetMusicLibraries(state);
    libraries.select = name;
    return {true, libraries};
}

LibraryButtonResult deleteMusicLibrary(ProgramState& state, const QString& selected, int entryCount) {
    LibraryButtonResult result;
    try {
        if (entryCount < 2) {
            showPlainMessage(state,
                             QStringLiteral("You cannot delete the Music Library '") + selected +
                                 QStringLiteral("' because it is the only existing Music Library.  Please create a "
                                                "new Music Library before attempting to delete this one."),
                             QStringLiteral("Cannot Delete Music Library"));
            return result;
        }
        if (AskQuestion(state,
                        QStringLiteral("Are you sure you want to delete the Music Library - '") + selected +
                            QStringLiteral("' ?"),
                        QStringLiteral("Orvella"), Answer::No) != Answer::Yes)
            return result;
        const bool dropped = DropMusicLibrary(state, selected);
        CompactDatabases(state);
        // The box is cleared before the listing: a listing without rows leaves it empty.
        MusicLibraryList libraries = GetMusicLibraries(state);
        libraries.refill = true;
        result.libraries = libraries;
        if (dropped) {
            showPlainMessage(state, selected + QStringLiteral(" was deleted successfully."), kLibraryDeletedTitle,
                             DialogContent::Information);
            result.done = true;
        }
    } catch (const RuntimeError& error) {
        reportError(state, kModule, QStringLiteral("cmdDeleteLibrary_Click"), error);
    }
    return result;
}

bool clearMusicLibrary(ProgramState& state, const QString& selected) {
    try {
        if (!checkDataAccessVersion(state, QStringLiteral("You will need to upgrade your version of the Microsoft "
                                                          "Data Access Components (MDAC) on your computer before you "
                                                          "can Clear your Music Library.")))
            return false;
        if (AskQuestion(
                state,
                QStringLiteral("Clicking this button will erase all existing records from the Music Library - ") +
                    selected + QStringLiteral(".") + QStringLiteral("\n") +
                    QStringLiteral("This cannot be undone and you will need to rebuild this Music Library "
                                   "again (or choose another one) in order to use Orvella. ") +
                    QStringLiteral("\n\n") +
                    QStringLiteral("Are you sure you would like to remove ALL records from the Music Library - ") +
                    selected + QStringLiteral("?"),
                QStringLiteral("Clear Music Library"), Answer::No) != Answer::Yes ||
            !ExecuteSQLCommand(state, QStringLiteral("DELETE * FROM ") + libraryTable(selected), Db::Libraries))
            return false;
        // Only a change is compacted; without an answer to the count there is nothing to compact.
        if (showLibraryCountOf(state, selected)) CompactDatabases(state);
        return true;
    } catch (const RuntimeError& error) {
        reportError(state, kModule, QStringLiteral("cmdClear_Click"), error);
        return false;
    }
}

void selectMusicLibrary(ProgramState& state, const QString& entry) {
    try {
        state.CurrentMusicLibrary = entry;
        if (state.run.StartingUp) return;
        showLibraryCountOf(state, state.CurrentMusicLibrary);
    } catch (const RuntimeError& error) {
        reportError(state, kModule, QStringLiteral("cboMusicLibrary_Click"), error);
    }
}

}  // namespace orv
