#include "store/PlayerSettingsStore.h"

#include "core/ProgramState.h"
#include "core/RuntimeError.h"
#include "store/Compaction.h"
#include "store/ProgramFiles.h"
#include "store/Settings.h"

#include <cmath>
#include <limits>
#include <variant>

namespace orv {
namespace {

// Where a setting's program-wide copy lives, by the form of its value.
using FlagCopy = bool& (*)(ProgramState&);
using TextCopy = QString& (*)(ProgramState&);
using KeptFlagCopy = std::optional<bool>& (*)(ProgramState&);
struct NumberCopy {
    qint16& (*copy)(ProgramState&);
    qint16 fallback;  // the value of a text that is not a number
};

struct Setting {
    const char* name;
    std::variant<FlagCopy, TextCopy, KeptFlagCopy, NumberCopy> copy;
};

// Read at load, saved by their check boxes.
const Setting kImmediateSettings[] = {
    {"AutoLaunch", FlagCopy([](ProgramState& s) -> bool& { return s.Player.AutoLaunch; })},
    {"UpdateBlankTags", FlagCopy([](ProgramState& s) -> bool& { return s.UpdateBlankTags; })},
    {"DownloadCoverArt", FlagCopy([](ProgramState& s) -> bool& { return s.Player.DownloadCoverArt; })},
    {"CreateLog", FlagCopy([](ProgramState& s) -> bool& { return s.Player.CreateLog; })},
    {"NowPlayingScreen", FlagCopy([](ProgramState& s) -> bool& { return s.Player.NowPlayingScreen; })},
    {"ShowOptionsButton", FlagCopy([](ProgramState& s) -> bool& { return s.Player.ShowOptionsButton; })},
};

// Read at load and saved with all settings after "MusicPath", in this order.
const Setting kSavedSettings[] = {
    {"NowPlayingSeconds", NumberCopy{[](ProgramState& s) -> qint16& { return s.Player.NowPlayingSeconds; }, 30}},
    {"ListByTrack", FlagCopy([](ProgramState& s) -> bool& { return s.Player.ListByTrack; })},
    {"Touchscreen", FlagCopy([](ProgramState& s) -> bool& { return s.Player.Touchscreen; })},
    {"ShowAlbumCoverFrames", FlagCopy([](ProgramState& s) -> bool& { return s.Player.ShowAlbumCoverFrames; })},
    {"ShowToolTips", FlagCopy([](ProgramState& s) -> bool& { return s.Player.ShowToolTips; })},
    {"UseAllCaps", FlagCopy([](ProgramState& s) -> bool& { return s.Player.UseAllCaps; })},
    {"OneClickPlay", FlagCopy([](ProgramState& s) -> bool& { return s.Player.OneClickPlay; })},
    {"Prefetch", KeptFlagCopy([](ProgramState& s) -> std::optional<bool>& { return s.Player.Prefetch; })},
    {"FullScreen", KeptFlagCopy([](ProgramState& s) -> std::optional<bool>& { return s.Player.FullScreen; })},
    {"EraseHistory", FlagCopy([](ProgramState& s) -> bool& { return s.Player.EraseHistory; })},
    {"MouseOverSound", FlagCopy([](ProgramState& s) -> bool& { return s.Player.MouseOverSound; })},
    {"MouseClickSound", FlagCopy([](ProgramState& s) -> bool& { return s.Player.MouseClickSound; })},
    {"AllowRepeats", FlagCopy([](ProgramState& s) -> bool& { return s.Player.AllowRepeats; })},
    {"AlbumCoverMode", NumberCopy{[](ProgramState& s) -> qint16& { return s.Player.AlbumCoverMode; }, 0}},
    {"AlbumCoverFileName", TextCopy([](ProgramState& s) -> QString& { return s.Player.AlbumCoverFileName; })},
    {"AlbumCoverViewOnStartup", FlagCopy([](ProgramState& s) -> bool& { return s.Player.AlbumCoverViewOnStartup; })},
    {"AutoRandomOnStartup", FlagCopy([](ProgramState& s) -> bool& { return s.Player.AutoRandomOnStartup; })},
    {"AutoCheckNewVersion", FlagCopy([](ProgramState& s) -> bool& { return s.AutoCheckNewVersion; })},
    {"ExtractEmbeddedImages", FlagCopy([](ProgramState& s) -> bool& { return s.Player.ExtractEmbeddedImages; })},
    {"Password", TextCopy([](ProgramState& s) -> QString& { return s.Player.Password; })},
};

QString PasswordFlagName(std::size_t index) {
    return QStringLiteral("Password") + QString::number(index + 1);
}

// A whole number of a text as the platform converts it (halves to even); the fallback when the
// text is not a number or the number does not fit.
qint16 WholeNumber(const QString& text, qint16 fallback) {
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value)) return fallback;
    const double rounded = std::nearbyint(value);
    if (rounded < std::numeric_limits<qint16>::min() || rounded > std::numeric_limits<qint16>::max()) return fallback;
    return static_cast<qint16>(rounded);
}

void ReadFlag(ProgramState& state, const QString& name, bool& flag) {
    if (const std::optional<bool> value = BooleanValue(GetSetting(state, name))) flag = *value;
}

void Read(ProgramState& state, const Setting& setting) {
    const QString name = QString::fromLatin1(setting.name);
    if (const auto* flag = std::get_if<FlagCopy>(&setting.copy)) {
        ReadFlag(state, name, (*flag)(state));
    } else if (const auto* text = std::get_if<TextCopy>(&setting.copy)) {
        (*text)(state) = GetSetting(state, name);
    } else if (const auto* kept = std::get_if<KeptFlagCopy>(&setting.copy)) {
        (*kept)(state) = BooleanValue(GetSetting(state, name));
    } else if (const auto* number = std::get_if<NumberCopy>(&setting.copy)) {
        number->copy(state) = WholeNumber(GetSetting(state, name), number->fallback);
    }
}

// Saves one setting; a failure is passed over.
void Save(ProgramState& state, const QString& name, const QVariant& value) {
    TryStep([&] { SaveSetting(state, name, value); });
}

void Save(ProgramState& state, const Setting& setting) {
    const QString name = QString::fromLatin1(setting.name);
    if (const auto* flag = std::get_if<FlagCopy>(&setting.copy)) {
        Save(state, name, (*flag)(state));
    } else if (const auto* text = std::get_if<TextCopy>(&setting.copy)) {
        Save(state, name, (*text)(state));
    } else if (const auto* kept = std::get_if<KeptFlagCopy>(&setting.copy)) {
        if (const std::optional<bool> value = (*kept)(state)) Save(state, name, *value);
    } else if (const auto* number = std::get_if<NumberCopy>(&setting.copy)) {
        Save(state, name, QString::number(number->copy(state)));
    }
}

}  // namespace

qint16 NowPlayingSecondsValue(const QString& text) {
    return WholeNumber(text, 30);
}

void ReadPlayerSettings(ProgramState& state) {
    ReadFlag(state, QStringLiteral("WatchFolders"), state.WatchFolders);
    state.BlankTagFormat = GetSetting(state, QStringLiteral("BlankTagFormat"));
    for (const Setting& setting : kImmediateSettings) Read(state, setting);
    for (const Setting& setting : kSavedSettings) Read(state, setting);
    for (std::size_t i = 0; i < state.Player.PasswordFlags.size(); ++i)
        ReadFlag(state, PasswordFlagName(i), state.Player.PasswordFlags[i]);
}

void SaveAllSettings(ProgramState& state, const QString& musicPathText) {
    state.MusicPath = AddBackslash(state.MusicPath);
    state.ImagesPath = AddBackslash(state.ImagesPath);
    if (state.UpdateBlankTags) Save(state, QStringLiteral("BlankTagFormat"), state.BlankTagFormat);
    Save(state, QStringLiteral("WatchFolders"), state.WatchFolders);
    Save(state, QStringLiteral("CurrentMusicLibrary"), state.CurrentMusicLibrary);
    Save(state, QStringLiteral("UseSkins"), QStringLiteral("True"));
    // Written back as read: a skin that could not be read is not written as an empty one.
    if (!state.ActiveSkin.isEmpty()) Save(state, QStringLiteral("ActiveSkin"), state.ActiveSkin);
    Save(state, QStringLiteral("MusicPath"), musicPathText);
    for (const Setting& setting : kSavedSettings) Save(state, setting);
    for (std::size_t i = 0; i < state.Player.PasswordFlags.size(); ++i)
        Save(state, PasswordFlagName(i), state.Player.PasswordFlags[i]);
    CompactDatabases(state);
}

}  // namespace orv
