#include "service/failure_throttle.h"

#include <algorithm>

namespace vxs {

long long wallClockMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

void SharedLimits::forgetOld(SqlConnection& c, long long nowMs) {
    const long long idle = std::max<long long>(3600000, rules_.longestWait.count());
    c.run("DELETE FROM limit_counts WHERE last < ?1 AND not_before < ?2", {nowMs - idle, nowMs});
}

bool SharedLimits::takeNewUser(SqlConnection& c, const std::string& client, long long nowMs) {
    forgetOld(c, nowMs);
    // One statement counts and reads, so two processes counting at once both see their own count.
    const SqlResult counted =
        c.run("INSERT INTO limit_counts (name, count, since, last) VALUES (?1, 1, ?2, ?2) "
              "ON CONFLICT (name) DO UPDATE SET "
              "count = CASE WHEN ?2 - limit_counts.since < 60000 THEN limit_counts.count + 1 ELSE 1 END, "
              "since = CASE WHEN ?2 - limit_counts.since < 60000 THEN limit_counts.since ELSE ?2 END, "
              "last = ?2 RETURNING count",
              {"new users from " + client, nowMs});
    return !counted.rows.empty() && counted.rows[0].integer(0) <= newUsersPerMinute_;
}

bool SharedLimits::mayTry(SqlConnection& c, const std::string& key, long long nowMs) {
    const SqlResult found = c.run("SELECT not_before FROM limit_counts WHERE name = ?1", {"failures " + key});
    return found.rows.empty() || nowMs >= found.rows[0].integer(0);
}

void SharedLimits::failed(SqlConnection& c, const std::string& key, long long nowMs) {
    forgetOld(c, nowMs);
    const std::string name = "failures " + key;
    const SqlResult counted =
        c.run("INSERT INTO limit_counts (name, count, since, last) VALUES (?1, 1, ?2, ?2) "
              "ON CONFLICT (name) DO UPDATE SET count = limit_counts.count + 1, last = ?2 "
              "RETURNING count",
              {name, nowMs});
    const long long over = counted.rows.empty() ? 0 : counted.rows[0].integer(0) - rules_.freeFailures;
    if (over <= 0) return;
    auto wait = rules_.firstWait;
    for (long long i = 1; i < over && wait < rules_.longestWait; ++i)
        wait *= 2;
    c.run("UPDATE limit_counts SET not_before = ?2 WHERE name = ?1",
          {name, nowMs + std::min(wait, rules_.longestWait).count()});
}

void SharedLimits::succeeded(SqlConnection& c, const std::string& key) {
    c.run("DELETE FROM limit_counts WHERE name = ?1", {"failures " + key});
}

} // namespace vxs
