#include "coverart/SearchKeys.h"

#include <gtest/gtest.h>

namespace {

using namespace orv;

TEST(SearchKeys, EveryTransformation) {
    struct Case {
        QString (*transform)(const QString&);
        const char* input;
        const char* expected;
    };
    const Case cases[] = {
        {MakeAlbumFileName, "What?/Why", "What_Why"},
        {MakeAlbumFileName, " Why? ", "Why"},
        {EncodeSpaces, " Open Road & Co", "%20Open%20Road%20&%20Co"},
        {AmpersandToPlus, " Rock & Roll ", "Rock + Roll"},
        {StripPunctuation, "(What's) the Story, Morning Glory?!", "What's the Story Morning Glory"},
        {StripPunctuation, "A -  B    C", "A  B  C"},  // blanks collapse in one pass
        {PunctuationToSpaces, "Mr.Blue-Sky!", "Mr Blue Sky"},
        {DigitsToWords, "Volume 2 Hits", "Volume Two Hits"},
        {DigitsToWords, "1999", "1999"},
        {DigitsToWords, "10 Years", "1Zero Years"},
        {WordsToDigits, "NoOne Two Nine ", "No1 2 9"},
        {WordsToDigits, "Someone", "Someone"},  // case-sensitive
        {ExpandVolumeAndAmpersand, "Vol. 1 & 2", "Volume 1 And 2"},
        {AndToAmpersand, "Rock And Roll Andes ", "Rock & Roll &es"},
        {DropSoundtrack, "Movie Soundtrack", "Movie"},
        {DropSoundtrack, "Greatest Soundtracks", "Greatests"},
        {DropSoundtrack, "Soundtracks", "Soundtrack"},
        {SoundtrackToVariousArtists, "Movie Soundtrack", "MovieVarious Artists"},
        {SoundtrackToVariousArtists, "Soundtracks", "Various Artists"},
        {RomanToDigits, "Part III", "Part 3"},
        {RomanToDigits, "Part II ", "Part 2 "},
        {DigitsToRoman, "Part 3", "Part III"},
        {DigitsToRoman, " Part 2", " Part II"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.transform(c.input), c.expected) << c.input;

    EXPECT_EQ(RemoveWord("Greatest Hits Volume 2", "volume"), "Greatest Hits Volume 2");
    EXPECT_EQ(RemoveWord("Greatest Hits Volume 2", "Volume"), "Greatest Hits  2");
    EXPECT_EQ(RemoveWord(" Hits ", ""), "Hits");

    QString name = "Up/Down - Live: Tonight";
    EXPECT_EQ(MakeSafeFileName(name), "Up_Down - Live_ Tonight");
    EXPECT_EQ(name, "Up_Down - Live_ Tonight");
    QString odd = " a\\b?c|d<e>f*g Rock''n ";
    MakeSafeFileName(odd);
    EXPECT_EQ(odd, " a_b_c_d_e_f_g Rock'n ");
}

}  // namespace
