#include "service/sql_store.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <random>
#include <thread>

namespace vxs {

long long SqlRow::integer(std::size_t column) const {
    const std::string& text = cells.at(column);
    long long value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

bool storableText(std::string_view text) {
    return text.find('\0') == std::string_view::npos;
}

void backOff(int attempt) {
    thread_local std::minstd_rand random{std::random_device{}()};
    const int ceiling = std::min(1 << std::min(attempt, 6), 64);
    std::this_thread::sleep_for(std::chrono::milliseconds(random() % static_cast<unsigned>(ceiling) + 1));
}

Lease::~Lease() {
    db_->giveBack(connection_);
}

SqlResult Database::run(std::string_view sql, const SqlParams& params) {
    Lease lease = this->lease();
    return lease->run(sql, params);
}

Transaction::Transaction(SqlConnection& connection, TransactionKind kind) : connection_(connection) {
    connection_.begin(kind);
}

Transaction::~Transaction() {
    if (!open_) return;
    try {
        connection_.run("ROLLBACK");
    } catch (const StoreError&) {
        // A lost connection has no transaction left to end.
    }
}

void Transaction::commit() {
    connection_.run("COMMIT");
    open_ = false;
}

} // namespace vxs
