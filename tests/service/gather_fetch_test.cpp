// Fetching sources from a server on loopback: conditional requests, compression, the limits a
// source cannot pass, and the gathering thread from its first round to its stop.
#include "service/gather/gatherer.h"
#include "service/gather/source_fetch.h"
#include "service/regular_file_text.h"
#include "service/service_database.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <thread>

namespace {

using namespace vxs;

// An HTTP server on a free loopback port, run on its own thread for one test.
class LoopbackSite {
  public:
    explicit LoopbackSite(const std::function<void(httplib::Server&)>& routes) {
        routes(server_);
        port_ = server_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        while (!server_.is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~LoopbackSite() {
        server_.stop();
        thread_.join();
    }
    std::string url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }

  private:
    httplib::Server server_;
    int port_ = 0;
    std::thread thread_;
};

std::string fixture(const std::string& name) {
    std::string text, why;
    EXPECT_TRUE(readRegularFile(std::string(VX_TESTDATA_DIR) + "/gather/" + name, 1 << 20, &text, &why))
        << why;
    return text;
}

TEST(SourceFetch, ConditionalCompressedAndBoundedRequests) {
    std::string agent, encodings;
    LoopbackSite site([&](httplib::Server& s) {
        s.Get("/cal.ics", [&](const httplib::Request& req, httplib::Response& res) {
            agent = req.get_header_value("User-Agent");
            encodings = req.get_header_value("Accept-Encoding");
            if (req.get_header_value("If-None-Match") == "\"v1\"") {
                res.status = 304;
                return;
            }
            res.set_header("ETag", "\"v1\"");
            res.set_content(std::string(300000, 'x'), "text/calendar");
        });
        s.Get("/loop", [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/loop"); });
        s.Get("/huge", [](const httplib::Request&, httplib::Response& res) {
            res.set_content(std::string(3u << 20, 'y'), "application/octet-stream");
        });
        s.Get("/trickle", [](const httplib::Request&, httplib::Response& res) {
            res.set_chunked_content_provider("text/html", [](std::size_t, httplib::DataSink& sink) {
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
                return sink.write("x", 1);
            });
        });
    });
    SourceFetcher fetcher;
    FetchLimits limits;
    limits.userAgent = "voxtrail-service/2.9 (+https://contact.example)";
    limits.maxBytes = 1u << 20;
    limits.deadlineMs = 1000;
    FetchResult first = fetcher.fetch(site.url("/cal.ics"), {}, limits);
    ASSERT_EQ(first.outcome, FetchResult::Outcome::Body) << first.error;
    EXPECT_EQ(first.body.size(), 300000u);
    EXPECT_EQ(first.validators.etag, "\"v1\"");
    EXPECT_EQ(agent, limits.userAgent);
    EXPECT_NE(encodings.find("gzip"), std::string::npos);
    EXPECT_EQ(fetcher.fetch(site.url("/cal.ics"), first.validators, limits).outcome,
              FetchResult::Outcome::NotModified);

    for (const auto& [path, why] :
         std::vector<std::pair<std::string, std::string>>{{"/loop", "redirects"},
                                                          {"/missing", "HTTP status 404"},
                                                          {"/huge", "larger than"},
                                                          {"/trickle", "no whole answer within 1000 ms"}}) {
        const FetchResult r = fetcher.fetch(site.url(path), {}, limits);
        EXPECT_EQ(r.outcome, FetchResult::Outcome::Failed) << path;
        EXPECT_NE(r.error.find(why), std::string::npos) << path << ": " << r.error;
        EXPECT_TRUE(r.body.empty());
    }
}

TEST(Gatherer, TheFirstRoundServesShowsAndTheStopJoins) {
    int asked = 0;
    LoopbackSite site([&](httplib::Server& s) {
        s.Get("/cal.ics", [&](const httplib::Request&, httplib::Response& res) {
            ++asked;
            res.set_content(fixture("venue-calendar.ics"), "text/calendar");
        });
        s.Get("/shows", [&](const httplib::Request&, httplib::Response& res) {
            ++asked;
            res.set_content(fixture("venue-page.html"), "text/html");
        });
        s.Get("/down", [&](const httplib::Request&, httplib::Response& res) {
            ++asked;
            res.status = 500;
        });
    });
    CityTable cities;
    std::string error;
    ASSERT_TRUE(cities.load(std::string(VX_SERVICE_DATA_DIR) + "/cities.tsv", &error)) << error;
    GatheredShows shows;
    std::vector<std::string> log;
    std::mutex logMutex;
    GatherSchedule schedule;
    schedule.hostGap = std::chrono::milliseconds(1);
    {
        Gatherer gatherer(
            {GatherSource{SourceKind::Ics, site.url("/cal.ics"), "Boston", "MA", 1},
             GatherSource{SourceKind::JsonLd, site.url("/shows"), "", "", 2},
             GatherSource{SourceKind::Ics, site.url("/down"), "Boston", "MA", 3}},
            cities, shows, schedule, FetchLimits{},
            [] {
                return CivilDate{2026, 12, 10};
            },
            [&](const std::string& line) {
                std::lock_guard<std::mutex> lock(logMutex);
                log.push_back(line);
            });
        gatherer.start();
        ASSERT_TRUE(gatherer.waitForRounds(1, std::chrono::seconds(20)));
    }
    EXPECT_EQ(asked, 3) << "the gatherer stopped before its next round";
    // Boston's calendar: seven listed shows (the cancelled one is not); Phoenix's page: one listed,
    // one moved (the cancelled one is not); the source that failed gave none.
    const auto served = shows.served();
    std::size_t boston = 0, phoenix = 0;
    for (const ServedShow& s : *served) {
        boston += s.show.venueCity == "Boston";
        phoenix += s.show.venueCity == "Phoenix";
        if (s.show.venueCity == "Phoenix") {
            EXPECT_EQ(s.show.event.zone, "America/Phoenix");
        }
    }
    EXPECT_EQ(boston, 7u);
    EXPECT_EQ(phoenix, 2u);
    std::string all;
    for (const std::string& line : log)
        all += line + "\n";
    EXPECT_NE(all.find("/down: failed (HTTP status 500), 1 in a row"), std::string::npos) << all;
    EXPECT_NE(all.find("skipped no-zone@paradiserock.example: unknown time zone"), std::string::npos) << all;
}

TEST(Gatherer, ASourceAnotherProcessHoldsIsAskedWhenItsTurnEnds) {
    std::atomic<int> asked{0};
    LoopbackSite site([&](httplib::Server& s) {
        s.Get("/cal.ics", [&](const httplib::Request&, httplib::Response& res) {
            ++asked;
            res.set_content(fixture("venue-calendar.ics"), "text/calendar");
        });
    });
    CityTable cities;
    std::string error;
    ASSERT_TRUE(cities.load(std::string(VX_SERVICE_DATA_DIR) + "/cities.tsv", &error)) << error;
    ServiceDatabase db;
    ASSERT_TRUE(db.open(":memory:", &error)) << error;
    GatheredShows mine(&db.engine()), other(&db.engine());
    Validators known;
    const long long now =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
            .count();
    ASSERT_TRUE(other.claim(site.url("/cal.ics"), now, now + 2, &known));
    long long nextDue = 0;
    EXPECT_FALSE(mine.claim(site.url("/cal.ics"), now, now + 60, &known, &nextDue));
    EXPECT_EQ(nextDue, now + 2);
    GatherSchedule schedule;
    schedule.hostGap = std::chrono::milliseconds(1);
    Gatherer gatherer(
        {GatherSource{SourceKind::Ics, site.url("/cal.ics"), "Boston", "MA", 1}}, cities, mine, schedule,
        FetchLimits{},
        [] {
            return CivilDate{2026, 12, 10};
        },
        [](const std::string&) {});
    gatherer.start();
    ASSERT_TRUE(gatherer.waitForRounds(2, std::chrono::seconds(10))) << "it waited a whole interval";
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(mine.served()->size(), 7u);
}

} // namespace
