#include "builder/FolderWatch.h"

#include "builder/FolderScan.h"
#include "builder/UpdateDatabase.h"
#include "core/ProgramState.h"
#include "errors/ErrorReport.h"
#include "store/Settings.h"

#include <optional>

namespace orv {
namespace {

// A total as a stored setting holds it: a whole number, exact at any size, or (from an older
// program) a double.
struct StoredTotal {
    std::optional<qint64> whole;
    double value = 0;

    static std::optional<StoredTotal> read(ProgramState& state, const QString& name) {
        const QString text = GetSetting(state, name).trimmed();
        bool ok = false;
        const qint64 whole = text.toLongLong(&ok);
        if (ok) return StoredTotal{whole, static_cast<double>(whole)};
        const double value = text.toDouble(&ok);
        if (ok) return StoredTotal{std::nullopt, value};
        return std::nullopt;
    }
    bool differsFrom(qint64 total) const { return whole ? *whole != total : value != static_cast<double>(total); }
};

}  // namespace

bool WatchForMP3s(ProgramState& state, QString musicPath) {
    // Each stored value that is not a number leaves its copy as it was: none.
    const std::optional<StoredTotal> savedCount = StoredTotal::read(state, QStringLiteral("SongsCount"));
    const std::optional<StoredTotal> savedHigh = StoredTotal::read(state, QStringLiteral("FileDateHighTotal"));
    const std::optional<StoredTotal> savedLow = StoredTotal::read(state, QStringLiteral("FileDateLowTotal"));
    if (state.run.CloseRequested) return false;
    if (!savedCount || savedCount->value <= 0 || !savedLow || savedLow->value == 0 || !savedHigh ||
        savedHigh->value == 0)
        return false;

    // A walk that was cut short (the program is closing) is neither stored nor offered.
    const std::optional<FolderTotals> totals = folderSignature(state, musicPath);
    if (!totals) return false;
    for (const auto& [name, value] : signatureSettings(*totals)) tryStep([&] { SaveSetting(state, name, value); });

    const bool changed = savedHigh->differsFrom(totals->FileDateHighTotal) ||
                         savedCount->differsFrom(totals->SongsCount) || savedLow->differsFrom(totals->FileDateLowTotal);
    if (!changed) return true;
    state.run.WatchPromptShowing = true;
    const Answer answer = AskQuestion(
        state,
        QStringLiteral("It appears the file contents of your Music Path may have changed.") + QStringLiteral("\n\n") +
            QStringLiteral("Would you like to update your Music Library now to capture "
                           "these changes?"),
        QStringLiteral("Music Path Contents Modified"));
    state.run.WatchPromptShowing = false;
    if (answer != Answer::Yes) return true;
    BuildOptions options = buildOptionsFromSettings(state);
    options.musicPath = musicPath;
    UpdateDatabase(state, options);
    return true;
}

}  // namespace orv
