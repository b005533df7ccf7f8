// The phone's artist names and batches, and the one escaping of query values every request uses.
#include "plugin/net/query_escape.h"
#include "plugin/services/phone_artists.h"
#include "plugin/services/phone_sync.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string cleaned(const std::string& text) {
    char name[512];
    std::snprintf(name, sizeof name, "%s", text.c_str());
    iPhoneArtistClean(name);
    return name;
}

std::vector<std::string> namesOf(XML_Artist_List& list) {
    std::vector<std::string> out;
    for (XMLARTIST* a = list.head; a; a = a->next)
        out.emplace_back(a->name);
    return out;
}

std::string track(int id, const std::string& artist, const std::string& extra = "") {
    return "\t\t<dict>\n\t\t\t<key>Track ID</key><integer>" + std::to_string(id) +
           "</integer>\n\t\t\t<key>Artist</key><string>" + artist + "</string>\n" + extra + "\t\t</dict>\n";
}

} // namespace

TEST(PhoneArtistClean, KeepsLettersDigitsAndInnerBlanks) {
    EXPECT_EQ(cleaned("Simon &#38; Garfunkel"), "Simon and Garfunkel");
    EXPECT_EQ(cleaned("AC/DC"), "ACDC");
    EXPECT_EQ(cleaned("Guns N' Roses"), "Guns N Roses");
    EXPECT_EQ(cleaned("  !!! (The) Band 2 ... "), "The Band 2");
    EXPECT_EQ(cleaned("?!.,;"), "?!.,;") << "punctuation only is sent as written";
    EXPECT_EQ(cleaned(" !!! "), "!!!");
    EXPECT_EQ(cleaned("\x01?!\x7f \x02"), "?!") << "no control byte is sent";
    EXPECT_EQ(cleaned(" \t "), "");
    EXPECT_EQ(cleaned("Earth, Wind & Fire"), "Earth Wind and Fire");
    EXPECT_EQ(cleaned(std::string(300, 'x')).size(), 255u);
    EXPECT_EQ(cleaned(std::string(254, 'x') + " y"), std::string(254, 'x'))
        << "cut, then trailing blank gone";
}

TEST(PhoneArtistClean, LettersOfEveryScriptStayWholeAndOtherCharactersGoWhole) {
    EXPECT_EQ(cleaned("Sigur R\xC3\xB3s"), "Sigur R\xC3\xB3s");
    EXPECT_EQ(cleaned("Mot\xC3\xB6rhead"), "Mot\xC3\xB6rhead");
    EXPECT_EQ(cleaned("\xE5\x9D\x82\xE6\x9C\xAC\xE9\xBE\x8D\xE4\xB8\x80"),
              "\xE5\x9D\x82\xE6\x9C\xAC\xE9\xBE\x8D\xE4\xB8\x80");
    EXPECT_EQ(
        cleaned("\xD0\x9C\xD1\x83\xD0\xBC\xD0\xB8\xD0\xB9 \xD0\xA2\xD1\x80\xD0\xBE\xD0\xBB\xD0\xBB\xD1\x8C"),
        "\xD0\x9C\xD1\x83\xD0\xBC\xD0\xB8\xD0\xB9 \xD0\xA2\xD1\x80\xD0\xBE\xD0\xBB\xD0\xBB\xD1\x8C");
    EXPECT_EQ(cleaned("Ro\xCC\x81s"), "Ro\xCC\x81s") << "a combining accent stays on its letter";
    // Emoji, typographic punctuation and stray bytes go, with none of their bytes left behind.
    EXPECT_EQ(cleaned("\xF0\x9F\x8E\xB8 Band \xE2\x80\x94 \xE2\x80\x9CLive\xE2\x80\x9D \xFF\xC3"),
              "Band  Live");
    EXPECT_EQ(cleaned("\xC2\xA9\xC2\xBF"), "\xC2\xA9\xC2\xBF");
    // The 255-byte cut never splits a character.
    EXPECT_EQ(cleaned(std::string(254, 'x') + "\xC3\xB6"), std::string(254, 'x'));
}

TEST(PhoneArtistList, WholeLibraryLessPodcastsPlusIncludeLessExcludeAndCompilations) {
    TempHome home;
    const std::string lib =
        "<dict>\n<key>Tracks</key>\n<dict>\n" + track(1, "The Beatles") + track(2, "Beatles") +
        track(3, "AC/DC") + track(4, "Talk Show", "\t\t\t<key>Genre</key><string>Podcast</string>\n") +
        track(5, "Various Artists") + track(6, "Simon &#38; Garfunkel") + track(7, "Dropped Band") +
        track(8, "...") + track(9, "Crosby, Stills &quot;Nash&quot;") + track(10, "Earth, Wind &amp; Fire") +
        track(11, "Mot&#246;rhead") + track(12, "\xE5\x9D\x82\xE6\x9C\xAC\xE9\xBE\x8D\xE4\xB8\x80") +
        track(13, "\xD0\x9C\xD1\x83\xD0\xBC\xD0\xB8\xD0\xB9") +
        "</dict>\n<key>Playlists</key>\n<array>\n<dict>\n"
        "<key>Name</key><string>Voxtrail</string>\n<key>Playlist Items</key>\n<array>\n"
        "<dict>\n<key>Track ID</key><integer>3</integer>\n</dict>\n</array>\n</dict>\n</array>\n</dict>\n";
    home.write("lib.xml", lib);
    home.write("Library/Application Support/Voxtrail/VoxtrailIncludeBands.txt",
               "Sonic Youth!\n\n  \nbeatles\n");
    home.write("Library/Application Support/Voxtrail/VoxtrailExcludeBands.txt", "Dropped Band!\nacdc\n");
    ProtectedData st;
    st.setiTunes_xml_path((home.path() + "/lib.xml").c_str());
    st.setVoxtrailIncludeBandsList(home.includeFile().c_str());
    st.setVoxtrailExcludeBandsList(home.excludeFile().c_str());
    XML_Artist_List list;
    ASSERT_EQ(GetFullArtistList(st, list), 0);
    EXPECT_EQ(namesOf(list),
              (std::vector<std::string>{"ACDC", "The Beatles", "Crosby Stills Nash", "Earth Wind and Fire",
                                        "Mot\xC3\xB6rhead", "Simon and Garfunkel", "Sonic Youth", "...",
                                        "\xD0\x9C\xD1\x83\xD0\xBC\xD0\xB8\xD0\xB9",
                                        "\xE5\x9D\x82\xE6\x9C\xAC\xE9\xBE\x8D\xE4\xB8\x80"}));

    st.setiTunes_xml_path((home.path() + "/missing.xml").c_str());
    EXPECT_EQ(GetFullArtistList(st, list), 1);
    EXPECT_EQ(list.size(), 0u);
}

TEST(PhoneArtistList, AShutdownEndsTheLibraryReadWhereItStands) {
    TempHome home;
    std::string lib = "<dict>\n<key>Tracks</key>\n<dict>\n";
    for (int t = 1; t <= 5000; ++t)
        lib += track(t, "Band " + std::to_string(t));
    home.write("lib.xml", lib + "</dict>\n</dict>\n");
    ProtectedData st;
    st.setiTunes_xml_path((home.path() + "/lib.xml").c_str());
    XML_Artist_List list;
    ASSERT_EQ(GetFullArtistList(st, list), 0);
    ASSERT_EQ(list.size(), 5000u);

    // Half a megabyte is read in blocks; a shutdown is heard before the first of them.
    st.setShutingDown(true);
    GetFullArtistList(st, list);
    EXPECT_EQ(list.size(), 0u);
}

TEST(PhoneBatches, GrowPastEightHundredButNeverPastTheRequestsRoom) {
    EXPECT_EQ(phoneBatches({"Solo"}, 900).size(), 1u);
    EXPECT_EQ(phoneBatches({"Solo"}, 900)[0].text, "Solo");

    // 788 characters of names and "@@" make 790; a 30-character name then gives 820.
    const std::vector<std::string> names{std::string(788, 'a'), std::string(30, 'b'), "c"};
    std::vector<PhoneBatch> b = phoneBatches(names, 900);
    ASSERT_EQ(b.size(), 2u);
    EXPECT_EQ(b[0].text.size(), 820u);
    EXPECT_EQ(b[0].names, 2u);
    EXPECT_EQ(b[1].text, "c");
    // With less room the second name starts a batch of its own rather than being cut off.
    b = phoneBatches(names, 800);
    ASSERT_EQ(b.size(), 2u);
    EXPECT_EQ(b[0].text, names[0]);
    EXPECT_EQ(b[1].text, std::string(30, 'b') + "@@c");
    EXPECT_EQ(phoneBatches({"A B"}, 10)[0].text, "A+B");
    EXPECT_TRUE(phoneBatches({}, 10).empty());
}

TEST(QueryValue, PlainValuesAsBeforeReservedAndForeignBytesEscaped) {
    EXPECT_EQ(queryValue("Boston, MA"), "Boston,+MA");
    EXPECT_EQ(queryValue("http://h/e/1.html"), "http://h/e/1.html");
    EXPECT_EQ(queryValue("Simon & Garfunkel"), "Simon+%26+Garfunkel");
    EXPECT_EQ(queryValue("Florence + the Machine"), "Florence+%2B+the+Machine");
    EXPECT_EQ(queryValue("100% #1"), "100%25+%231");
    EXPECT_EQ(queryValue("a\tb\x7F"), "a%09b%7F");
    EXPECT_EQ(queryValue("Z\xC3\xBCrich"), "Z%C3%BCrich");

    char tight[8] = "ab&cd";
    escapeQueryValue(tight, sizeof tight);
    EXPECT_STREQ(tight, "ab%26cd");
    char cut[5] = "ab&c";
    escapeQueryValue(cut, sizeof cut);
    EXPECT_STREQ(cut, "ab") << "an escape goes whole or not at all";

    char url[8];
    copyRequest(url, sizeof url, "abcde%26xyz");
    EXPECT_STREQ(url, "abcde") << "no half escape at a cut";
    copyRequest(url, sizeof url, "abc%26");
    EXPECT_STREQ(url, "abc%26");
}
