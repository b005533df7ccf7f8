#pragma once
// Built source pages, kept so that a popular page is not built again for every request: the
// distance to every venue and the page's text cost far more than sending it. A page is kept per
// source, centre, radius and host, for the day's list of events it was built from; a new day's
// list empties the cache. The least recently used pages go first past either bound.
#include "service/concert_sources.h"
#include "service/page_file.h"

#include <cstddef>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <tuple>

namespace vxs {

class SourcePageCache {
  public:
    explicit SourcePageCache(std::size_t maxPages = 256, std::size_t maxBytes = 64 * 1024 * 1024);

    // What sourceReply answers, built at most once per page and list of events.
    std::shared_ptr<const Reply> reply(int source, const Query& query, ServiceData& data,
                                       const std::string& host);

    struct KeptPage {
        std::shared_ptr<const Reply> reply;
        std::shared_ptr<const PageFile> file; // its body, for a large page
    };
    // The kept page for this request, or none when it would have to be built (or the request is
    // not for a page): a look-up that never builds, for the gate's thread.
    KeptPage kept(int source, const Query& query, ServiceData& data, const std::string& host);

    std::size_t pages() const;

  private:
    using Key = std::tuple<int, const City*, long, std::string>;
    struct Entry {
        std::shared_ptr<const Reply> reply;
        std::list<Key>::iterator recent;
        std::shared_ptr<const PageFile> file; // made when the page is first sent from the cache
    };
    void keep(Key key, std::shared_ptr<const Reply> reply);
    // Drops the least recently used pages until the cache is within its bounds; the lock is held.
    void trim();

    const std::size_t maxPages_;
    const std::size_t maxBytes_;
    mutable std::mutex mutex_;
    std::shared_ptr<const std::vector<Event>> events_;        // the list every kept page was built from
    std::shared_ptr<const std::vector<ServedShow>> gathered_; // and the gathered shows
    std::map<Key, Entry> pages_;
    std::list<Key> recent_; // most recently used first
    std::size_t bytes_ = 0;
};

} // namespace vxs
