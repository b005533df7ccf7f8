#include "service/source_page_cache.h"

namespace vxs {

namespace {
constexpr std::size_t kFileFrom = 16 * 1024;
} // namespace

SourcePageCache::SourcePageCache(std::size_t maxPages, std::size_t maxBytes)
    : maxPages_(maxPages), maxBytes_(maxBytes) {}

std::shared_ptr<const Reply> SourcePageCache::reply(int source, const Query& query, ServiceData& data,
                                                    const std::string& host) {
    SourcePageRequest request;
    if (std::optional<Reply> early = readSourcePageRequest(source, query, data, &request))
        return std::make_shared<const Reply>(std::move(*early));
    std::shared_ptr<const std::vector<Event>> events = data.events->events();
    std::shared_ptr<const std::vector<ServedShow>> gathered =
        data.gathered ? data.gathered->served() : nullptr;
    Key key{source, request.centre, request.radius, host};
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (events != events_ || gathered != gathered_) {
            pages_.clear();
            recent_.clear();
            bytes_ = 0;
            events_ = events;
            gathered_ = gathered;
        }
        if (auto found = pages_.find(key); found != pages_.end()) {
            recent_.splice(recent_.begin(), recent_, found->second.recent);
            return found->second.reply;
        }
    }
    // Built without the lock, so that one large page does not hold up the others.
    auto built = std::make_shared<const Reply>(buildSourcePage(source, request, *events, data, host));
    std::lock_guard<std::mutex> lock(mutex_);
    // A page of a list that has been replaced meanwhile is answered but not kept.
    if (events == events_ && gathered == gathered_ && maxPages_ > 0 && built->body.size() <= maxBytes_ &&
        !pages_.count(key))
        keep(std::move(key), built);
    return built;
}

SourcePageCache::KeptPage SourcePageCache::kept(int source, const Query& query, ServiceData& data,
                                                const std::string& host) {
    SourcePageRequest request;
    if (readSourcePageRequest(source, query, data, &request)) return {};
    std::shared_ptr<const std::vector<Event>> events = data.events->eventsIfBuilt();
    std::shared_ptr<const std::vector<ServedShow>> gathered =
        data.gathered ? data.gathered->served() : nullptr;
    std::lock_guard<std::mutex> lock(mutex_);
    if (!events || events != events_ || gathered != gathered_) return {};
    auto found = pages_.find(Key{source, request.centre, request.radius, host});
    if (found == pages_.end()) return {};
    Entry& entry = found->second;
    recent_.splice(recent_.begin(), recent_, entry.recent);
    // A small page costs less to copy than a file's extra call. The file's copy counts against
    // the cache's bounds as the page itself does.
    KeptPage page{entry.reply, entry.file};
    if (!entry.file && entry.reply->body.size() >= kFileFrom) {
        page.file = entry.file = PageFile::of(entry.reply->body);
        if (entry.file) {
            bytes_ += entry.reply->body.size();
            trim();
        }
    }
    return page;
}

void SourcePageCache::keep(Key key, std::shared_ptr<const Reply> reply) {
    bytes_ += reply->body.size();
    recent_.push_front(key);
    pages_.emplace(std::move(key), Entry{std::move(reply), recent_.begin(), nullptr});
    trim();
}

void SourcePageCache::trim() {
    // The newest page stays, however large: it is the one being served.
    while (pages_.size() > 1 && (pages_.size() > maxPages_ || bytes_ > maxBytes_)) {
        auto oldest = pages_.find(recent_.back());
        const Entry& entry = oldest->second;
        bytes_ -= entry.reply->body.size() * (entry.file ? 2 : 1);
        pages_.erase(oldest);
        recent_.pop_back();
    }
}

std::size_t SourcePageCache::pages() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return pages_.size();
}

} // namespace vxs
