#include "service/postgres_engine.h"

#include <cerrno>
#include <cstring>
#include <poll.h>

namespace vxs {
namespace {

constexpr Oid kInt8Oid = 20;

StoreError::Kind kindOf(const char* sqlState) {
    const std::string_view state = sqlState ? sqlState : "";
    if (state == "40001" || state == "40P01") return StoreError::Kind::Conflict;
    // Cancelled by statement_timeout, no connection, the server shutting down, out of resources.
    if (state == "57014" || state.substr(0, 2) == "08" || state.substr(0, 3) == "57P" ||
        state.substr(0, 2) == "53")
        return StoreError::Kind::Unavailable;
    return StoreError::Kind::Failed;
}

std::string trimmed(const char* message) {
    std::string text = message ? message : "";
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    return text;
}

} // namespace

std::string postgresPlaceholders(std::string_view sql) {
    std::string out;
    out.reserve(sql.size());
    bool quoted = false;
    for (char c : sql) {
        if (c == '\'') quoted = !quoted;
        out += (c == '?' && !quoted) ? '$' : c;
    }
    return out;
}

bool connectionStringHoldsPassword(const std::string& uri, std::string* error) {
    char* message = nullptr;
    PQconninfoOption* options = PQconninfoParse(uri.c_str(), &message);
    if (!options) {
        // libpq's reason may quote the string, password and all: it is not repeated.
        *error = "the PostgreSQL connection URI cannot be read";
        PQfreemem(message);
        return true;
    }
    bool holds = false;
    for (PQconninfoOption* o = options; o->keyword; ++o)
        if (std::strcmp(o->keyword, "password") == 0 && o->val && *o->val) holds = true;
    PQconninfoFree(options);
    if (holds)
        *error = "the PostgreSQL connection URI holds a password; give it in PGPASSWORD or ~/.pgpass instead";
    return holds;
}

PostgresConnection::PostgresConnection(const std::string& uri, const PostgresSettings& settings)
    : deadline_(settings.statementTimeout + std::chrono::milliseconds(1000)) {
    const std::string options = "-c statement_timeout=" + std::to_string(settings.statementTimeout.count());
    const char* keys[] = {"dbname", "connect_timeout", "options", "application_name", nullptr};
    const char* values[] = {uri.c_str(), "3", options.c_str(), "voxtrail-service", nullptr};
    conn_ = PQconnectdbParams(keys, values, 1);
    if (PQstatus(conn_) != CONNECTION_OK) {
        const std::string why = trimmed(PQerrorMessage(conn_));
        PQfinish(conn_);
        conn_ = nullptr;
        throw StoreError(StoreError::Kind::Unavailable, "cannot reach PostgreSQL: " + why);
    }
    // Notices ("already exists, skipping") are the server talking to itself, not to the log.
    PQsetNoticeProcessor(
        conn_, [](void*, const char*) {}, nullptr);
}

PostgresConnection::~PostgresConnection() {
    if (conn_) PQfinish(conn_);
}

void PostgresConnection::lost(const std::string& doing) {
    broken_ = true;
    throw StoreError(StoreError::Kind::Unavailable, doing + ": " + trimmed(PQerrorMessage(conn_)));
}

SqlResult PostgresConnection::collect(const std::string& doing) {
    const auto until = std::chrono::steady_clock::now() + deadline_;
    while (PQisBusy(conn_)) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            // The server does not answer: the connection is given up, and a new one made later.
            broken_ = true;
            throw StoreError(StoreError::Kind::Unavailable, doing + ": PostgreSQL did not answer in time");
        }
        pollfd socket{PQsocket(conn_), POLLIN, 0};
        if (::poll(&socket, 1, static_cast<int>(left.count())) < 0 && errno != EINTR) lost(doing);
        if (!PQconsumeInput(conn_)) lost(doing);
    }
    SqlResult out;
    bool failed = false;
    StoreError::Kind kind = StoreError::Kind::Failed;
    std::string why;
    while (PGresult* result = PQgetResult(conn_)) {
        const ExecStatusType status = PQresultStatus(result);
        if (status == PGRES_TUPLES_OK || status == PGRES_COMMAND_OK) {
            out.rows.clear();
            const int rows = PQntuples(result), columns = PQnfields(result);
            out.rows.reserve(static_cast<std::size_t>(rows));
            for (int r = 0; r < rows; ++r) {
                SqlRow row;
                row.cells.reserve(static_cast<std::size_t>(columns));
                for (int c = 0; c < columns; ++c)
                    row.cells.emplace_back(PQgetvalue(result, r, c),
                                           static_cast<std::size_t>(PQgetlength(result, r, c)));
                out.rows.push_back(std::move(row));
            }
            const char* touched = PQcmdTuples(result);
            out.changes = touched && *touched ? std::atoll(touched) : 0;
        } else if (!failed) {
            failed = true;
            kind = kindOf(PQresultErrorField(result, PG_DIAG_SQLSTATE));
            why = trimmed(PQresultErrorMessage(result));
        }
        PQclear(result);
    }
    if (PQstatus(conn_) != CONNECTION_OK) lost(doing);
    if (failed) throw StoreError(kind, doing + ": " + why);
    return out;
}

SqlResult PostgresConnection::run(std::string_view sql, const SqlParams& params) {
    if (broken_ || PQstatus(conn_) != CONNECTION_OK)
        throw StoreError(StoreError::Kind::Unavailable, "the PostgreSQL connection is lost");
    const std::string text = postgresPlaceholders(sql);
    std::vector<std::string> numbers(params.size());
    std::vector<const char*> values(params.size());
    std::vector<int> lengths(params.size());
    std::vector<Oid> types(params.size(), 0);
    for (std::size_t i = 0; i < params.size(); ++i) {
        if (const auto* value = std::get_if<std::string>(&params[i])) {
            if (!storableText(*value)) throw StoreError(StoreError::Kind::Refused, "a text holds NUL");
            values[i] = value->c_str();
            lengths[i] = static_cast<int>(value->size());
        } else {
            // Texts are left for the server to type from their column (a name compares without
            // case); numbers are 64-bit.
            numbers[i] = std::to_string(std::get<long long>(params[i]));
            values[i] = numbers[i].c_str();
            lengths[i] = static_cast<int>(numbers[i].size());
            types[i] = kInt8Oid;
        }
    }
    if (!PQsendQueryParams(conn_, text.c_str(), static_cast<int>(params.size()), types.data(), values.data(),
                           lengths.data(), nullptr, 0))
        lost("cannot send a statement");
    return collect("a statement failed");
}

void PostgresConnection::script(const std::string& sql) {
    if (!PQsendQuery(conn_, sql.c_str())) lost("cannot send a schema change");
    collect("cannot change the schema");
}

void PostgresConnection::begin(TransactionKind kind) {
    run(kind == TransactionKind::Serializable ? "BEGIN ISOLATION LEVEL SERIALIZABLE" : "BEGIN");
}

void PostgresConnection::lockSchema() {
    // Held to the transaction's end: two services starting at once migrate one after the other.
    run("SELECT pg_advisory_xact_lock(7745200)");
}

std::unique_ptr<PostgresDatabase>
PostgresDatabase::open(const std::string& uri, const PostgresSettings& settings, std::string* error) {
    if (connectionStringHoldsPassword(uri, error)) return nullptr;
    auto db = std::make_unique<PostgresDatabase>(uri, settings);
    try {
        Lease check = db->lease();
    } catch (const StoreError& e) {
        *error = e.what();
        return nullptr;
    }
    return db;
}

PostgresDatabase::PostgresDatabase(std::string uri, PostgresSettings settings)
    : uri_(std::move(uri)), settings_(settings) {}

Lease PostgresDatabase::lease() {
    std::unique_lock<std::mutex> lock(mutex_);
    const bool free = released_.wait_for(lock, settings_.statementTimeout,
                                         [&] { return !idle_.empty() || open_ < settings_.maxConnections; });
    if (!free) throw StoreError(StoreError::Kind::Unavailable, "every PostgreSQL connection is busy");
    if (!idle_.empty()) {
        SqlConnection* connection = idle_.back().release();
        idle_.pop_back();
        return Lease(*this, connection);
    }
    ++open_;
    lock.unlock();
    try {
        return Lease(*this, std::make_unique<PostgresConnection>(uri_, settings_).release());
    } catch (...) {
        lock.lock();
        --open_;
        released_.notify_one();
        throw;
    }
}

void PostgresDatabase::giveBack(SqlConnection* leased) noexcept {
    std::unique_ptr<SqlConnection> connection(leased);
    std::vector<std::unique_ptr<SqlConnection>> closing;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (connection->broken()) {
            // The server went away or stalled: the idle connections are most likely lost as well.
            closing.swap(idle_);
            closing.push_back(std::move(connection));
            open_ -= static_cast<int>(closing.size());
        } else {
            idle_.push_back(std::move(connection));
        }
    }
    released_.notify_all();
}

} // namespace vxs
