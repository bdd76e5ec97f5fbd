#include "coverart/SearchKeys.h"

#include <gtest/gtest.h>

namespace {

using namespace orv;

TEST(SearchKeys, FileNames) {
    QString name = "Up/Down - Live: Tonight";
    EXPECT_EQ(MakeSafeFileName(name), "Up_Down - Live_ Tonight");
    EXPECT_EQ(name, "Up_Down - Live_ Tonight");
    QString odd = " a\\b?c|d<e>f*g Rock''n ";
    MakeSafeFileName(odd);
    EXPECT_EQ(odd, " a_b_c_d_e_f_g Rock'n ");

    EXPECT_EQ(MakeAlbumFileName("What?/Why"), "What_Why");
    EXPECT_EQ(MakeAlbumFileName(" Why? "), "Why");
}

TEST(SearchKeys, QueryTexts) {
    EXPECT_EQ(EncodeSpaces("Open Road"), "Open%20Road");
    EXPECT_EQ(EncodeSpaces(" Rock & Roll "), "%20Rock%20&%20Roll%20");
    EXPECT_EQ(AmpersandToPlus(" Rock & Roll "), "Rock + Roll");
    EXPECT_EQ(AndToAmpersand("Rock And Roll Andes "), "Rock & Roll &es");
    EXPECT_EQ(ExpandVolumeAndAmpersand("Vol. 1 & 2"), "Volume 1 And 2");
}

TEST(SearchKeys, Punctuation) {
    EXPECT_EQ(StripPunctuation("(What's) the Story, Morning Glory?!"), "What's the Story Morning Glory");
    // Blanks collapse in one pass: four become two.
    EXPECT_EQ(StripPunctuation("A -  B    C"), "A  B  C");
    EXPECT_EQ(PunctuationToSpaces("Mr.Blue-Sky!"), "Mr Blue Sky");
}

TEST(SearchKeys, NumbersAndWords) {
    EXPECT_EQ(DigitsToWords("Volume 2 Hits"), "Volume Two Hits");
    EXPECT_EQ(DigitsToWords("1999"), "1999");
    EXPECT_EQ(DigitsToWords("10 Years"), "1Zero Years");
    // Number words inside longer words change too, matched case-sensitively.
    EXPECT_EQ(WordsToDigits("NoOne Two Nine "), "No1 2 9");
    EXPECT_EQ(WordsToDigits("Someone"), "Someone");
    EXPECT_EQ(RomanToDigits("Part III"), "Part 3");
    EXPECT_EQ(RomanToDigits("Part II"), "Part 2");
    EXPECT_EQ(DigitsToRoman("Part 3"), "Part III");
    EXPECT_EQ(DigitsToRoman("Part 2 "), "Part II ");
}

TEST(SearchKeys, WordsAndSoundtracks) {
    EXPECT_EQ(RemoveWord("Greatest Hits Volume 2", "volume"), "Greatest Hits Volume 2");
    EXPECT_EQ(RemoveWord("Greatest Hits Volume 2", "Volume"), "Greatest Hits  2");
    EXPECT_EQ(RemoveWord(" Hits ", ""), "Hits");
    EXPECT_EQ(DropSoundtrack("Movie Soundtrack"), "Movie");
    EXPECT_EQ(DropSoundtrack("Greatest Soundtracks"), "Greatests");
    EXPECT_EQ(DropSoundtrack("Soundtracks"), "Soundtrack");
    EXPECT_EQ(SoundtrackToVariousArtists("Movie Soundtrack"), "MovieVarious Artists");
    EXPECT_EQ(SoundtrackToVariousArtists("Soundtracks"), "Various Artists");
}

}  // namespace
