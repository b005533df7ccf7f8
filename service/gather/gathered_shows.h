#pragma once
// The gathered shows of every source, kept by source and source id, and the shows they make once
// merged: one show per performer, day and city, whichever sources list it, keeping every link.
#include "service/gather/show_placing.h"
#include "service/gather/source_fetch.h"
#include "service/sql_store.h"

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace vxs {

// A show as the source pages list it.
struct ServedShow {
    PlacedShow show;                // the entry of the source that listed it first
    std::vector<std::string> links; // every source's link to it, that entry's first
};

class GatheredShows {
  public:
    // Without a database the shows live in memory alone. With one, every answer is written in one
    // transaction and the shows of every process on it are read back, so that the pages of all
    // serve what any of them gathered. Throws StoreError when the store cannot be read.
    explicit GatheredShows(Database* db = nullptr);

    // Takes a source's turn until `until` (seconds since 1970) when it is due at `now`: false when
    // another process on the database has it (*nextDue then gets when its turn ends). *known gets
    // the validators of its last answer.
    bool claim(const std::string& source, long long now, long long until, Validators* known,
               long long* nextDue = nullptr);
    // The source's next turn, and the validators of the answer just read (when there was one).
    void release(const std::string& source, long long nextDue, const Validators* answered);
    // Reads the shows back from the database (what other processes gathered too).
    void reload();
    // Serves the shows of these sources alone: the store keeps those of a source taken off the
    // list, but the pages no longer list them.
    void serveOnly(std::vector<std::string> sources);

    // A source answered in full with these shows. One it listed before and lists no more is gone
    // after the second full answer without it; listed again, it is back.
    void sourceAnswered(const std::string& source, std::vector<PlacedShow> shows);
    // A source answered in part (a page cut at a limit, a block that did not read): its shows are
    // kept, and none of the others counts as missing.
    void sourceAdded(const std::string& source, std::vector<PlacedShow> shows);

    // The shows to list now: merged, neither gone nor cancelled nor postponed (a show the pages
    // stop listing is one the plug-in strikes through). The list is replaced, never changed, so
    // that its address tells whether pages built from it are current.
    std::shared_ptr<const std::vector<ServedShow>> served() const;

    struct Counts {
        std::size_t kept = 0, gone = 0, cancelled = 0;
    };
    Counts counts() const;

  private:
    struct Entry {
        PlacedShow show;
        int missedAnswers = 0;
        std::uint64_t order = 0; // when it was first stored
    };
    void store(const std::string& source, std::vector<PlacedShow> shows, bool whole);
    void rebuild();

    void write(const std::string& source, const std::vector<PlacedShow>& shows, bool whole);

    Database* db_;
    mutable std::mutex mutex_;
    std::map<std::pair<std::string, std::string>, Entry> entries_; // by source, source id
    std::uint64_t nextOrder_ = 0;
    std::optional<std::set<std::string>> listedSources_; // all when unset
    std::shared_ptr<const std::vector<ServedShow>> served_ =
        std::make_shared<const std::vector<ServedShow>>();
};

// The link a page gives a show: its ticket page, its own page, or its source with its id.
std::string showLink(const GatheredEvent& event);

} // namespace vxs
