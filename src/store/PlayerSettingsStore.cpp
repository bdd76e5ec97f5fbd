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
    {"AutoLaunch", FlagCopy([](ProgramState& s) -> bool& { return s.player.AutoLaunch; })},
    {"UpdateBlankTags", FlagCopy([](ProgramState& s) -> bool& { return s.UpdateBlankTags; })},
    {"DownloadCoverArt", FlagCopy([](ProgramState& s) -> bool& { return s.player.DownloadCoverArt; })},
    {"CreateLog", FlagCopy([](ProgramState& s) -> bool& { return s.player.CreateLog; })},
    {"NowPlayingScreen", FlagCopy([](ProgramState& s) -> bool& { return s.player.NowPlayingScreen; })},
    {"ShowOptionsButton", FlagCopy([](ProgramState& s) -> bool& { return s.player.ShowOptionsButton; })},
    {"ExtraMediaTypes", TextCopy([](ProgramState& s) -> QString& { return s.ExtraMediaTypes; })},
    {"LogType", TextCopy([](ProgramState& s) -> QString& { return s.player.LogType; })},
};

// Read at load and saved with all settings after "MusicPath", in this order.
const Setting kSavedSettings[] = {
    {"NowPlayingSeconds", NumberCopy{[](ProgramState& s) -> qint16& { return s.player.NowPlayingSeconds; }, 30}},
    {"ListByTrack", FlagCopy([](ProgramState& s) -> bool& { return s.player.ListByTrack; })},
    {"Touchscreen", FlagCopy([](ProgramState& s) -> bool& { return s.player.Touchscreen; })},
    {"ShowAlbumCoverFrames", FlagCopy([](ProgramState& s) -> bool& { return s.player.ShowAlbumCoverFrames; })},
    {"ShowToolTips", FlagCopy([](ProgramState& s) -> bool& { return s.player.ShowToolTips; })},
    {"UseAllCaps", FlagCopy([](ProgramState& s) -> bool& { return s.player.UseAllCaps; })},
    {"OneClickPlay", FlagCopy([](ProgramState& s) -> bool& { return s.player.OneClickPlay; })},
    {"Prefetch", KeptFlagCopy([](ProgramState& s) -> std::optional<bool>& { return s.player.Prefetch; })},
    {"FullScreen", KeptFlagCopy([](ProgramState& s) -> std::optional<bool>& { return s.player.FullScreen; })},
    {"EraseHistory", FlagCopy([](ProgramState& s) -> bool& { return s.player.EraseHistory; })},
    {"MouseOverSound", FlagCopy([](ProgramState& s) -> bool& { return s.player.MouseOverSound; })},
    {"MouseClickSound", FlagCopy([](ProgramState& s) -> bool& { return s.player.MouseClickSound; })},
    {"AllowRepeats", FlagCopy([](ProgramState& s) -> bool& { return s.player.AllowRepeats; })},
    {"AlbumCoverMode", NumberCopy{[](ProgramState& s) -> qint16& { return s.player.AlbumCoverMode; }, 0}},
    {"AlbumCoverFileName", TextCopy([](ProgramState& s) -> QString& { return s.player.AlbumCoverFileName; })},
    {"AlbumCoverViewOnStartup", FlagCopy([](ProgramState& s) -> bool& { return s.player.AlbumCoverViewOnStartup; })},
    {"AutoRandomOnStartup", FlagCopy([](ProgramState& s) -> bool& { return s.player.AutoRandomOnStartup; })},
    {"AutoCheckNewVersion", FlagCopy([](ProgramState& s) -> bool& { return s.AutoCheckNewVersion; })},
    {"ExtractEmbeddedImages", FlagCopy([](ProgramState& s) -> bool& { return s.player.ExtractEmbeddedImages; })},
    {"Password", TextCopy([](ProgramState& s) -> QString& { return s.player.Password; })},
};

QString passwordFlagName(std::size_t index) {
    return QStringLiteral("Password") + QString::number(index + 1);
}

// A whole number of a text as the platform converts it (halves to even); the fallback when the
// text is not a number or the number does not fit.
qint16 wholeNumber(const QString& text, qint16 fallback) {
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value)) return fallback;
    const double rounded = std::nearbyint(value);
    if (rounded < std::numeric_limits<qint16>::min() || rounded > std::numeric_limits<qint16>::max()) return fallback;
    return static_cast<qint16>(rounded);
}

void readFlag(ProgramState& state, const QString& name, bool& flag) {
    if (const std::optional<bool> value = booleanValue(GetSetting(state, name))) flag = *value;
}

void read(ProgramState& state, const Setting& setting) {
    const QString name = QString::fromLatin1(setting.name);
    if (const auto* flag = std::get_if<FlagCopy>(&setting.copy)) {
        readFlag(state, name, (*flag)(state));
    } else if (const auto* text = std::get_if<TextCopy>(&setting.copy)) {
        (*text)(state) = GetSetting(state, name);
    } else if (const auto* kept = std::get_if<KeptFlagCopy>(&setting.copy)) {
        (*kept)(state) = booleanValue(GetSetting(state, name));
    } else if (const auto* number = std::get_if<NumberCopy>(&setting.copy)) {
        number->copy(state) = wholeNumber(GetSetting(state, name), number->fallback);
    }
}

// Saves one setting; a failure is passed over. True when the setting was stored.
bool save(ProgramState& state, const QString& name, const QVariant& value) {
    return tryStep([&] { return SaveSetting(state, name, value); }).value_or(false);
}

bool save(ProgramState& state, const Setting& setting) {
    const QString name = QString::fromLatin1(setting.name);
    if (const auto* flag = std::get_if<FlagCopy>(&setting.copy)) return save(state, name, (*flag)(state));
    if (const auto* text = std::get_if<TextCopy>(&setting.copy)) return save(state, name, (*text)(state));
    if (const auto* kept = std::get_if<KeptFlagCopy>(&setting.copy)) {
        const std::optional<bool> value = (*kept)(state);
        return !value || save(state, name, *value);
    }
    const auto& number = std::get<NumberCopy>(setting.copy);
    return save(state, name, QString::number(number.copy(state)));
}

}  // namespace

qint16 nowPlayingSecondsValue(const QString& text) {
    return wholeNumber(text, 30);
}

void readPlayerSettings(ProgramState& state) {
    readFlag(state, QStringLiteral("WatchFolders"), state.WatchFolders);
    state.BlankTagFormat = GetSetting(state, QStringLiteral("BlankTagFormat"));
    for (const Setting& setting : kImmediateSettings) read(state, setting);
    for (const Setting& setting : kSavedSettings) read(state, setting);
    for (std::size_t i = 0; i < state.player.passwordFlags.size(); ++i)
        readFlag(state, passwordFlagName(i), state.player.passwordFlags[i]);
}

bool saveAllSettings(ProgramState& state, const QString& musicPathText) {
    state.MusicPath = AddBackslash(state.MusicPath);
    state.ImagesPath = AddBackslash(state.ImagesPath);
    bool saved = true;
    if (state.UpdateBlankTags) saved &= save(state, QStringLiteral("BlankTagFormat"), state.BlankTagFormat);
    saved &= save(state, QStringLiteral("WatchFolders"), state.WatchFolders);
    saved &= save(state, QStringLiteral("CurrentMusicLibrary"), state.CurrentMusicLibrary);
    saved &= save(state, QStringLiteral("UseSkins"), QStringLiteral("True"));
    // Written back as read: a skin that could not be read is not written as an empty one.
    if (!state.ActiveSkin.isEmpty()) saved &= save(state, QStringLiteral("ActiveSkin"), state.ActiveSkin);
    saved &= save(state, QStringLiteral("MusicPath"), musicPathText);
    for (const Setting& setting : kSavedSettings) saved &= save(state, setting);
    for (std::size_t i = 0; i < state.player.passwordFlags.size(); ++i)
        saved &= save(state, passwordFlagName(i), state.player.passwordFlags[i]);
    CompactDatabases(state);
    return saved;
}

}  // namespace orv
