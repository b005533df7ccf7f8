#include "common/fixed_text.h"
#include "plugin/model/protected_data.h"
#include "plugin/model/record_lists.h"
#include "plugin/model/show_list.h"
#include "plugin/model/text_helpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include <string>
#include <thread>
#include <vector>

namespace {

SHOWENTRY* show(const char* artist, int y, int m, int d, std::vector<const char*> labels = {}) {
    auto* e = new SHOWENTRY;
    vx::copyText(e->artist, artist);
    e->year = y;
    e->month = m;
    e->day = d;
    for (const char* l : labels)
        e->nameList->add(new FRIENDNAME(l));
    return e;
}

std::vector<std::string> artists(SHOWLIST& list) {
    std::vector<std::string> out;
    for (SHOWENTRY* e = list.head; e; e = e->next)
        out.emplace_back(e->artist);
    return out;
}

template <typename L> std::vector<std::string> names(L& list) {
    std::vector<std::string> out;
    for (auto* n = list.head; n; n = n->next)
        out.emplace_back(n->name);
    return out;
}

template <typename L> bool linksAreConsistent(L& list) {
    unsigned n = 0;
    for (auto* r = list.head; r; r = r->next) {
        if (r->next ? r->next->prev != r : list.tail != r) return false;
        ++n;
    }
    return n == list.count;
}

} // namespace

TEST(ShowList, SortsByDateKeepingArrivalOrderOnTies) {
    SHOWLIST list;
    EXPECT_TRUE(list.addShow(show("First", 2009, 5, 2), nullptr));
    EXPECT_TRUE(list.addShow(show("Early", 2009, 4, 30), nullptr));
    EXPECT_TRUE(list.addShow(show("Second", 2009, 5, 2), nullptr));
    EXPECT_TRUE(list.addShow(show("Later year", 2010, 1, 1), nullptr));
    EXPECT_TRUE(list.addShow(show("Earlier year", 2008, 12, 31), nullptr));
    EXPECT_EQ(artists(list),
              (std::vector<std::string>{"Earlier year", "Early", "First", "Second", "Later year"}));
    EXPECT_TRUE(linksAreConsistent(list));
}

TEST(ShowList, MergesSameArtistSameDateIntoOneEntryWithUnionOfLabels) {
    SHOWLIST list;
    list.addShow(show("The Beatles", 2009, 6, 1, {"Amy", "bob"}), nullptr);
    EXPECT_FALSE(list.addShow(show("Beatles", 2009, 6, 1, {"BOB", "Carl", "carl"}), nullptr));
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(names(*list.head->nameList), (std::vector<std::string>{"Amy", "bob", "Carl"}));
    // Another date or artist is its own entry.
    EXPECT_TRUE(list.addShow(show("Beatles", 2009, 6, 2), nullptr));
    EXPECT_TRUE(list.addShow(show("Stones", 2009, 6, 1), nullptr));
    EXPECT_EQ(list.size(), 3u);
}

// However many replies come, a full list only merges: its entries stay as many as its cap.
TEST(ShowList, AFullListStillMergesButLinksNoMore) {
    SHOWLIST list;
    for (uint32_t i = 0; i < SHOWLIST::kMostShows; ++i)
        ASSERT_TRUE(list.addShow(
            show("Band", 2027 + static_cast<int>(i / 336), 1 + (i / 28) % 12, 1 + i % 28), nullptr));
    EXPECT_TRUE(list.full());
    EXPECT_FALSE(list.addShow(show("Band", 1999, 1, 1), nullptr));
    EXPECT_FALSE(list.addShow(show("Band", 2027, 1, 1, {"ann"}), nullptr));
    EXPECT_EQ(list.size(), SHOWLIST::kMostShows);
    EXPECT_EQ(names(*list.head->nameList), (std::vector<std::string>{"ann"}));
}

TEST(ShowList, CarriesTheUsersChoiceOverFromTheOlderList) {
    SHOWLIST older, list;
    SHOWENTRY* chosen = show("Wilco", 2009, 7, 4);
    chosen->selected = true;
    older.addShow(chosen, nullptr);
    older.addShow(show("Wilco", 2009, 7, 5), nullptr);
    list.addShow(show("wilco!", 2009, 7, 4), &older);
    list.addShow(show("Wilco", 2009, 7, 5), &older);
    EXPECT_TRUE(list.head->selected);
    EXPECT_FALSE(list.tail->selected);
}

// The list as a walk from the head builds it: the order and merges the index must reproduce.
struct WalkedShow {
    std::string artist, cleaned;
    int y, m, d;
    std::vector<std::string> labels;
    bool selected;
};
void walkAdd(std::vector<WalkedShow>& list, WalkedShow s) {
    auto at = list.begin();
    for (; at != list.end(); ++at) {
        if (std::tie(at->y, at->m, at->d) == std::tie(s.y, s.m, s.d) && at->cleaned == s.cleaned) {
            for (const std::string& l : s.labels)
                if (std::find(at->labels.begin(), at->labels.end(), l) == at->labels.end())
                    at->labels.push_back(l);
            return;
        }
        if (std::tie(at->y, at->m, at->d) > std::tie(s.y, s.m, s.d)) break;
    }
    list.insert(at, std::move(s));
}

TEST(ShowList, IndexedAddingGivesTheListAWalkFromTheHeadWould) {
    const char* artistsByCase[] = {"The Kinks", "kinks", "Who", "THE WHO", "Yes", "Blur", "blur!"};
    const char* labels[] = {"ann", "bob", "cy"};
    SHOWLIST older, list;
    older.addShow(show("Kinks", 2027, 3, 2), nullptr);
    older.head->selected = true;
    std::vector<WalkedShow> expected;
    unsigned seed = 7;
    auto next = [&](unsigned n) { return (seed = seed * 1103515245u + 12345u) / 65536u % n; };
    for (int i = 0; i < 400; ++i) {
        const char* a = artistsByCase[next(7)];
        // Few dates, including negative and huge fields, so that ties and merges are common.
        const int y = next(5) == 0 ? -1 : 2027, m = next(4) == 0 ? 70000 : 3,
                  d = static_cast<int>(next(4)) + 1;
        const char* l = labels[next(3)];
        SHOWENTRY* e = show(a, y, m, d, {l});
        list.addShow(e, &older);
        char cleaned[256];
        vx::copyText(cleaned, a);
        cleanArtist(cleaned);
        const bool selected = y == 2027 && m == 3 && d == 2 && std::string(cleaned) == "kinks";
        walkAdd(expected, {a, cleaned, y, m, d, {l}, selected});
    }
    ASSERT_TRUE(linksAreConsistent(list));
    ASSERT_EQ(list.size(), expected.size());
    auto want = expected.begin();
    for (SHOWENTRY* e = list.head; e; e = e->next, ++want) {
        EXPECT_EQ(e->artist, want->artist);
        EXPECT_EQ(std::tie(e->year, e->month, e->day), std::tie(want->y, want->m, want->d));
        EXPECT_EQ(names(*e->nameList), want->labels);
        EXPECT_EQ(e->selected, want->selected) << e->artist;
    }
    // After a clear the index starts again.
    list.clear();
    EXPECT_TRUE(list.addShow(show("Kinks", 2027, 3, 2), nullptr));
    EXPECT_EQ(list.size(), 1u);
}

// Keys of one hash probe past each other, across growth; a key of a held hash but other bytes,
// or a prefix of a held key, is not found.
TEST(ShowKeyIndex, FindsEachKeyItHoldsAndNoOther) {
    std::vector<SHOWENTRY> entries(300);
    ShowKeyIndex index;
    auto key = [](std::size_t i) { return std::string(i % 7, '\0') + "artist " + std::to_string(i); };
    auto hash = [](std::size_t i) {
        return i % 3 == 0 ? std::size_t{42} : ShowKeyIndex::hashOf(std::to_string(i));
    };
    for (std::size_t i = 0; i < entries.size(); ++i) {
        ASSERT_EQ(index.find(key(i), hash(i)), nullptr);
        index.insert(key(i), hash(i), &entries[i]);
    }
    for (std::size_t i = 0; i < entries.size(); ++i)
        EXPECT_EQ(index.find(key(i), hash(i)), &entries[i]) << i;
    EXPECT_EQ(index.find("artist 1", 42), nullptr);
    EXPECT_EQ(index.find(key(30).substr(0, key(30).size() - 1), 42), nullptr);
    index.clear();
    EXPECT_EQ(index.find(key(0), hash(0)), nullptr);
}

TEST(ShowList, FilteredSizeAndFindAlbumHonourFormatFilters) {
    ProtectedData store;
    setFormatFilterStore(&store);
    SHOWLIST releases;
    releases.addShow(show("Beck", 2009, 3, 1, {"Import"}), nullptr);
    releases.addShow(show("Beck", 2009, 4, 1, {"CD"}), nullptr);
    releases.addShow(show("Low", 2009, 5, 1), nullptr);
    EXPECT_EQ(releases.filteredSize(), releases.size());
    EXPECT_EQ(releases.findAlbum("beck")->month, 3);
    store.addFormatFilter("Import");
    EXPECT_EQ(releases.filteredSize(), 2u);
    EXPECT_EQ(releases.findAlbum("Beck")->month, 4);
    EXPECT_EQ(releases.findShow("Beck")->month, 3);
    EXPECT_EQ(releases.findShow("Nobody"), nullptr);
    setFormatFilterStore(nullptr);
}

TEST(FriendList, RefusesCaseVariantsButComparesExactlyOtherwise) {
    FRIENDLIST list;
    EXPECT_TRUE(list.add(new FRIENDNAME("alice")));
    EXPECT_FALSE(list.add(new FRIENDNAME("Alice")));
    EXPECT_FALSE(list.contains("Alice"));
    EXPECT_TRUE(list.contains("alice"));
    list.remove("ALICE");
    EXPECT_EQ(list.size(), 1u);

    // Exact-case duplicates can only come from outside add(); remove takes the first from the head.
    FRIENDNAME* a = list.head;
    auto* dup = new FRIENDNAME("alice");
    auto* b = new FRIENDNAME("bob");
    list.add(b);
    dup->prev = b;
    b->next = dup;
    list.tail = dup;
    list.count = 3;
    list.remove("alice");
    EXPECT_EQ(names(list), (std::vector<std::string>{"bob", "alice"}));
    EXPECT_NE(list.head, a);
    EXPECT_TRUE(linksAreConsistent(list));
    for (const char* n : {"bob", "alice", "nobody"})
        list.remove(n);
    EXPECT_EQ(list.size(), 0u);
    EXPECT_EQ(list.head, nullptr);
    EXPECT_EQ(list.tail, nullptr);
}

TEST(FriendList, NamesAreCutTo63Characters) {
    FRIENDLIST list, other;
    const std::string longName(100, 'n');
    other.add(new FRIENDNAME(longName.c_str()));
    list.combine(&other);
    EXPECT_EQ(std::string(list.head->name).size(), 63u);
}

TEST(ArtistList, KeepsByteOrderWithoutDuplicates) {
    XML_Artist_List list;
    for (const char* n : {"B", "A", "b", "A"})
        list.add(new XMLARTIST(n));
    EXPECT_EQ(names(list), (std::vector<std::string>{"A", "B", "b"}));
    list.remove("B");
    list.add(new XMLARTIST("Ba"));
    list.add(new XMLARTIST("B"));
    EXPECT_EQ(names(list), (std::vector<std::string>{"A", "B", "Ba", "b"}));
    EXPECT_TRUE(linksAreConsistent(list));
}

TEST(ArtistList, AddUncleanedComparesCleanedNamesAndKeepsTheRecordsText) {
    XML_Artist_List list;
    EXPECT_TRUE(list.addUncleaned(new XMLARTIST("The Zombies")));
    EXPECT_TRUE(list.addUncleaned(new XMLARTIST("Beach Boys")));
    EXPECT_FALSE(list.addUncleaned(new XMLARTIST("zombies")));
    EXPECT_TRUE(list.addUncleaned(new XMLARTIST("a-ha")));
    EXPECT_EQ(names(list), (std::vector<std::string>{"a-ha", "Beach Boys", "The Zombies"}));
}

TEST(ArtistList, RemoveAndContainsCompareExactlyAndANameThatCleansToNothingComesBack) {
    XML_Artist_List list;
    EXPECT_TRUE(list.addUncleaned(new XMLARTIST("!!!")));
    EXPECT_TRUE(list.addUncleaned(new XMLARTIST("Beta")));
    list.remove("beta");
    EXPECT_TRUE(list.contains("Beta"));
    EXPECT_FALSE(list.contains("beta"));
    list.remove("!!!");
    EXPECT_FALSE(list.contains("!!!"));
    EXPECT_TRUE(list.addUncleaned(new XMLARTIST("!!")));
    EXPECT_TRUE(list.addUncleaned(new XMLARTIST("!!!")));
    EXPECT_EQ(names(list), (std::vector<std::string>{"Beta", "!!", "!!!"}));
    EXPECT_TRUE(linksAreConsistent(list));
}

TEST(ArtistList, MixedInsertionsFallBackToTheWalk) {
    // After a byte-ordered add, a cleaned add walks the list as it stands.
    XML_Artist_List list;
    list.add(new XMLARTIST("Zed"));
    list.add(new XMLARTIST("alpha"));
    EXPECT_TRUE(list.addUncleaned(new XMLARTIST("Beta")));
    EXPECT_FALSE(list.addUncleaned(new XMLARTIST("ZED")));
    EXPECT_EQ(names(list), (std::vector<std::string>{"Beta", "Zed", "alpha"}));
    EXPECT_TRUE(list.contains("alpha"));
    list.clear();
    EXPECT_EQ(list.size(), 0u);
    list.add(new XMLARTIST("b"));
    list.add(new XMLARTIST("a"));
    EXPECT_EQ(names(list), (std::vector<std::string>{"a", "b"}));
}

TEST(ListsConcurrency, ParallelAddsAndReadsKeepTheListsSound) {
    ProtectedData store;
    SHOWLIST list;
    XML_Artist_List artistsList;
    std::thread writer([&] {
        for (int i = 0; i < 2000; ++i) {
            list.addShow(show(("Artist " + std::to_string(i % 300)).c_str(), 2009, 1 + i % 12, 1 + i % 28),
                         nullptr);
            artistsList.add(new XMLARTIST(("name" + std::to_string(i)).c_str()));
            store.setCurCity(("city" + std::to_string(i)).c_str());
            store.addFormatFilter(("f" + std::to_string(i % 50)).c_str());
        }
    });
    std::thread reader([&] {
        char buf[256];
        for (int i = 0; i < 2000; ++i) {
            list.lock();
            for (SHOWENTRY* e = list.head; e && e->next; e = e->next)
                ASSERT_LE(compareDates(e, e->next), 0);
            // The first entry and its labels change under the list's lock, so they are read in it.
            store.isFilterOn(list.head ? list.head->nameList : nullptr);
            list.unlock();
            store.getCurCity(buf);
            artistsList.contains("name7");
        }
    });
    writer.join();
    reader.join();
    EXPECT_TRUE(linksAreConsistent(list));
    EXPECT_EQ(artistsList.size(), 2000u);
}
