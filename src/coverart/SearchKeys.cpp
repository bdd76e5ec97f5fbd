#include "coverart/SearchKeys.h"

#include "core/Text.h"

#include <initializer_list>
#include <utility>

namespace orv {
namespace {

using Rule = std::pair<const char*, const char*>;

// Applies the rules (plain ASCII text) in order, each replacing every occurrence in one pass from
// the left.
QString replaced(const QString& text, std::initializer_list<Rule> rules) {
    QString result = text;
    for (const auto& [from, to] : rules) result.replace(QLatin1String(from), QLatin1String(to));
    return result;
}

}  // namespace

QString MakeSafeFileName(QString& text) {
    text = replaced(
        text,
        {{"/", "_"}, {"\\", "_"}, {"?", "_"}, {"|", "_"}, {"<", "_"}, {">", "_"}, {"*", "_"}, {":", "_"}, {"''", "'"}});
    return text;
}

QString MakeAlbumFileName(const QString& text) {
    return trimBlanks(replaced(text, {{"/", "_"}, {"?", ""}}));
}

QString EncodeSpaces(const QString& text) {
    return replaced(text, {{" ", "%20"}});
}

QString AmpersandToPlus(const QString& text) {
    return trimBlanks(replaced(text, {{"&", "+"}}));
}

QString StripPunctuation(const QString& text) {
    return trimBlanks(
        replaced(text, {{".", ""}, {",", ""}, {"?", ""}, {"!", ""}, {"-", ""}, {"(", ""}, {")", ""}, {"  ", " "}}));
}

QString PunctuationToSpaces(const QString& text) {
    return trimBlanks(replaced(text, {{".", " "}, {",", " "}, {"?", " "}, {"!", " "}, {"-", " "}}));
}

QString DigitsToWords(const QString& text) {
    return trimBlanks(replaced(text, {{"1 ", "One "},
                                      {"2 ", "Two "},
                                      {"3 ", "Three "},
                                      {"4 ", "Four "},
                                      {"5 ", "Five "},
                                      {"6 ", "Six "},
                                      {"7 ", "Seven "},
                                      {"8 ", "Eight "},
                                      {"9 ", "Nine "},
                                      {"0 ", "Zero "}}));
}

QString WordsToDigits(const QString& text) {
    return trimBlanks(replaced(text, {{"One", "1"},
                                      {"Two", "2"},
                                      {"Three", "3"},
                                      {"Four", "4"},
                                      {"Five", "5"},
                                      {"Six", "6"},
                                      {"Seven", "7"},
                                      {"Eight", "8"},
                                      {"Nine", "9"},
                                      {"Zero", "0"}}));
}

QString ExpandVolumeAndAmpersand(const QString& text) {
    return trimBlanks(replaced(text, {{"Vol. ", "Volume "}, {"&", "And"}}));
}

QString RemoveWord(const QString& text, const QString& word) {
    QString result = text;
    if (!word.isEmpty()) result.remove(word);
    return trimBlanks(result);
}

QString AndToAmpersand(const QString& text) {
    return trimBlanks(replaced(text, {{"And", "&"}}));
}

QString DropSoundtrack(const QString& text) {
    return trimBlanks(replaced(text, {{" Soundtrack", ""}, {"Soundtracks", "Soundtrack"}}));
}

QString SoundtrackToVariousArtists(const QString& text) {
    return trimBlanks(replaced(text, {{" Soundtrack", "Various Artists"}, {"Soundtracks", "Various Artists"}}));
}

QString RomanToDigits(const QString& text) {
    return replaced(text, {{"III", "3"}, {"II", "2"}});
}

QString DigitsToRoman(const QString& text) {
    return replaced(text, {{"2", "II"}, {"3", "III"}});
}

}  // namespace orv
