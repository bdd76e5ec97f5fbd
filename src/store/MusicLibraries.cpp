#include "store/MusicLibraries.h"

#include "core/FrontEnd.h"
#include "core/ProgramState.h"
#include "store/GlobalConfig.h"

namespace orv {

int RefreshSongCount(ProgramState& state) {
    int count = 0;
    Recordset counted = GetRecordset(state, QStringLiteral("SELECT Count(*) FROM ") + SqlQuote(state.CurrentMusicLibrary),
                                     Db::Libraries);
    if (!counted.isNothing()) {
        count = counted.Field(0).toInt();
        counted.Close();
    }
    if (state.UserInterface)
        state.UserInterface->setCaption(QStringLiteral("lblSongCount"), QStringLiteral("Currently ") + QString::number(count) +
                                                                            QStringLiteral(" Songs In Selected Music Library"));
    return count;
}

}  // namespace orv
