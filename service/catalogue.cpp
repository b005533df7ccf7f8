#include "service/catalogue.h"

#include "service/stable_random.h"
#include "service/text_keys.h"

#include <array>

namespace vxs {
namespace {

const std::array kFirstNames = {
    "Ruby",  "Caleb",  "Marisol", "Dexter", "Ingrid", "Tobias",   "Noemi", "Wendell", "Priya",
    "Otis",  "Lena",   "Harlan",  "Yvette", "Jasper", "Maren",    "Cyrus", "Delia",   "Emmett",
    "Fiona", "Gideon", "Hazel",   "Ivo",    "June",   "Kofi",     "Lorna", "Milo",    "Nadia",
    "Orrin", "Paloma", "Quincy",  "Rosa",   "Silas",  "Tamsin",   "Ulric", "Vera",    "Wyatt",
    "Xenia", "Yusuf",  "Zelda",   "Birdie", "Coral",  "Dashiell", "Esme",  "Ferris",  "Greta",
};

const std::array kSurnames = {
    "Vance",     "Holloway", "Marlowe",     "Okafor",   "Lindqvist", "Castellan", "Achterberg", "Bramble",
    "Quill",     "Farrow",   "Deveraux",    "Kimura",   "Oduya",     "Pellerin",  "Ashgrove",   "Whitlock",
    "Calloway",  "Strand",   "Ferreira",    "Moss",     "Thorne",    "Abernathy", "Blackwood",  "Cordero",
    "Driscoll",  "Ellery",   "Finch",       "Galloway", "Haverford", "Ibarra",    "Jessup",     "Kettering",
    "Larkspur",  "Mendel",   "Nightingale", "Orloff",   "Pryce",     "Rourke",    "Salazar",    "Tolliver",
    "Underhill", "Valdez",   "Winslow",     "Yarrow",   "Zeller",    "Bellamy",   "Crane",      "Dunmore",
};

const std::array kAdjectives = {
    "Copper",   "Velvet",   "Hollow",   "Silver",  "Paper",   "Midnight", "Electric",  "Quiet",
    "Golden",   "Rusted",   "Northern", "Wild",    "Neon",    "Broken",   "Lonesome",  "Crimson",
    "Hidden",   "Painted",  "Drifting", "Static",  "Burning", "Frozen",   "Little",    "Savage",
    "Distant",  "Sleeping", "Amber",    "Glass",   "Iron",    "Solar",    "Lunar",     "Wandering",
    "Restless", "Tender",   "Faded",    "Shining", "Scarlet", "Marble",   "Saltwater", "Thunder",
    "Ivory",    "Sunken",   "Feral",    "Wooden",  "Blue",    "Cobalt",   "Plastic",   "Atomic",
};

const std::array kNouns = {
    "Lanterns", "Hours",    "Pines",    "Wolves",    "Rivers",     "Sparrows", "Engines", "Mirrors",
    "Harbors",  "Comets",   "Saints",   "Orchards",  "Tigers",     "Ghosts",   "Valleys", "Satellites",
    "Horses",   "Gardens",  "Machines", "Ravens",    "Canyons",    "Lovers",   "Thieves", "Bells",
    "Shadows",  "Arrows",   "Kings",    "Daughters", "Sailors",    "Lights",   "Foxes",   "Embers",
    "Parades",  "Monarchs", "Drifters", "Strangers", "Cathedrals", "Signals",  "Tides",   "Owls",
    "Radios",   "Dreamers", "Hearts",   "Highways",  "Islands",    "Magnets",  "Pilots",  "Prophets",
    "Rockets",  "Specters", "Waves",    "Wheels",    "Vipers",     "Crowns",   "Jackals", "Meadows",
};

const std::array kSingularNouns = {
    "Salt", "Cedar", "Smoke", "Honey", "Thistle", "Flint", "Ember",  "Juniper", "Oak",    "Ash",
    "Rye",  "Stone", "Brass", "Wire",  "Clover",  "Sage",  "Marrow", "Tin",     "Velvet", "Moth",
};

const std::array kNumbers = {"Two", "Three", "Four", "Seven", "Nine", "Twelve", "Forty", "Hundred"};

template <typename A> const char* pick(StableRandom& rng, const A& list) {
    return list[rng.below(list.size())];
}

} // namespace

bool Catalogue::add(std::string name, std::string libraryName, std::vector<std::string> albums) {
    std::string key = artistKey(name);
    if (key.empty() || key == "various" || key == "variousartists") return false;
    if (!keys_.insert(key).second) return false;
    if (libraryName.empty()) libraryName = name;
    artists_.push_back(Artist{std::move(name), std::move(libraryName), std::move(key), std::move(albums)});
    return true;
}

Catalogue Catalogue::builtIn() {
    Catalogue cat;
    StableRandom rng(0x766F787472A11ULL);
    struct Quota {
        int kind;
        int count;
    };
    // Solo singers, "The ..." bands, plain bands, "... & the ...", duos with "&",
    // comma-separated trios, and names with numbers.
    const Quota quotas[] = {{0, 90}, {1, 80}, {2, 50}, {3, 30}, {4, 25}, {5, 15}, {6, 20}};
    for (const Quota& q : quotas) {
        int made = 0;
        for (int attempt = 0; made < q.count && attempt < q.count * 50; ++attempt) {
            std::string name, library;
            switch (q.kind) {
            case 0: {
                std::string first = pick(rng, kFirstNames), last = pick(rng, kSurnames);
                name = first + " " + last;
                // Some libraries file singers surname first.
                if (rng.chance(0.4)) library = last + ", " + first;
                break;
            }
            case 1:
                name = std::string("The ") + pick(rng, kAdjectives) + " " + pick(rng, kNouns);
                break;
            case 2:
                name = std::string(pick(rng, kAdjectives)) + " " + pick(rng, kNouns);
                break;
            case 3:
                name = std::string(pick(rng, kFirstNames)) + " " + pick(rng, kSurnames) + " & the " +
                       pick(rng, kNouns);
                break;
            case 4: {
                std::string a = pick(rng, kSingularNouns), b = pick(rng, kSingularNouns);
                if (a == b) continue;
                name = a + " & " + b;
                break;
            }
            case 5: {
                std::string a = pick(rng, kSurnames), b = pick(rng, kSurnames), c = pick(rng, kSurnames);
                if (a == b || b == c || a == c) continue;
                name = a + ", " + b + " & " + c;
                break;
            }
            default:
                name = std::string(pick(rng, kNumbers)) + " " + pick(rng, kNouns);
                if (rng.chance(0.3)) name = "The " + name;
                break;
            }
            if (cat.add(name, library)) ++made;
        }
    }
    cat.builtIn_ = cat.artists_.size();
    return cat;
}

} // namespace vxs
