// The service as a program: ports, the plug-in's request chain, logging, and
// requests meant to break it.
#include "tests/service/reply_readers.h"
#include "tests/service/service_process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool logHas(const ServiceProcess& svc, const std::string& line) {
    auto lines = svc.logLines();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

std::string pathOf(const std::string& url) {
    std::size_t scheme = url.find("://");
    std::size_t slash = url.find('/', scheme == std::string::npos ? 0 : scheme + 3);
    return slash == std::string::npos ? "/" : url.substr(slash);
}

} // namespace

TEST(ServiceProcess, AnswersThePluginsRequestChain) {
    ServiceProcess svc({"--today", "2026-05-01"});
    ASSERT_TRUE(svc.started());
    RawReply dir = rawGet(
        svc.port(), "/datasources/datasources.php?TODO=GETSITES&CITY=Boston&STATE=MA&RADIUS=60&VERSION=2.9");
    ASSERT_EQ(dir.status, 200) << dir.head;
    // The plug-in reads at most 1024 header bytes, and the body until the server closes.
    EXPECT_LT(dir.head.size(), 1000u);
    Directory d = readDirectory(dir.body);
    ASSERT_EQ(d.entries.size(), 2u);
    std::size_t total = 0;
    for (const DirectoryEntry& e : d.entries) {
        EXPECT_EQ(e.url.rfind("http://" + svc.host() + "/", 0), 0u) << e.url;
        std::string path = pathOf(e.url) + "&city=Boston&state=MA&radius=60";
        RawReply src = rawGet(svc.port(), path);
        ASSERT_EQ(src.status, 200) << path;
        SourceEvents events = readSourceEvents(src.body);
        EXPECT_EQ(events.incomplete, 0);
        total += events.complete.size();
        EXPECT_TRUE(logHas(svc, "web GET " + path + " 200")) << path;
    }
    EXPECT_GT(total, 20u);

    RawReply geo = rawGet(svc.port(), "/zipcodes/zipcodes.php?TODO=GETLATLON&CITY=New+York&STATE=NY");
    std::string lat;
    ASSERT_TRUE(textBetween(geo.body, "<LAT>", "</LAT>", &lat)) << geo.body;
    EXPECT_NEAR(std::stod(lat), 40.71, 0.05);
    RawReply none = rawGet(svc.port(), "/zipcodes/zipcodes.php?TODO=GETLATLON&CITY=Atlantis&STATE=NY");
    EXPECT_EQ(none.status, 200);
    EXPECT_NE(none.body.find("<NOTFOUND>"), std::string::npos);
    EXPECT_NE(rawGet(svc.port(), "/current_version.php?VERSION=2.9&OS=MAC").body.find("<current>"),
              std::string::npos);
    EXPECT_TRUE(logHas(svc, "web GET /zipcodes/zipcodes.php?TODO=GETLATLON&CITY=Atlantis&STATE=NY 200"));
    EXPECT_EQ(svc.stop(), 0);
}

TEST(ServiceProcess, IpLocationPageAndVersionFollowTheOptions) {
    ServiceProcess svc({"--iploc-country", "Canada", "--iploc-region", "Ontario", "--iploc-city", "Toronto",
                        "--announce-version", "3.0", "--announce-message", "Maps are here."});
    ASSERT_TRUE(svc.started());
    RawReply page = rawGet(svc.iplocPort(), "/");
    ASSERT_EQ(page.status, 200);
    EXPECT_NE(page.body.find(">CANADA, ONTARIO, TORONTO</span>"), std::string::npos) << page.body;
    EXPECT_TRUE(logHas(svc, "iploc GET / 200"));
    // The web pages are not on the IP-location port.
    EXPECT_EQ(rawGet(svc.iplocPort(), "/current_version.php?VERSION=2.9&OS=MAC").status, 404);
    RawReply version = rawGet(svc.port(), "/current_version.php?VERSION=2.9&OS=MAC");
    EXPECT_EQ(version.body.find("<current>"), std::string::npos);
    EXPECT_NE(version.body.find("<message>Maps are here.</message>"), std::string::npos);
    EXPECT_NE(rawGet(svc.port(), "/current_version.php?VERSION=3.0&OS=MAC").body.find("<current>"),
              std::string::npos);
}

TEST(ServiceProcess, SameEventsOnEveryStart) {
    const std::string path = "/sources/gigwire.php?feed=events&city=Chicago&state=IL&radius=150";
    std::string first, second;
    {
        ServiceProcess svc({"--today", "2026-07-04"});
        ASSERT_TRUE(svc.started());
        first = rawGet(svc.port(), path).body;
    }
    {
        ServiceProcess svc({"--today", "2026-07-04"});
        ASSERT_TRUE(svc.started());
        second = rawGet(svc.port(), path).body;
    }
    EXPECT_FALSE(readSourceEvents(first).complete.empty());
    // The URLs carry the port, which differs between starts; compare the rest.
    auto strip = [](std::string body) {
        std::string out;
        for (const SourceEvent& e : readSourceEvents(body).complete)
            out += e.performers[0] + e.date + e.venue + e.city + e.url.substr(e.url.find('/', 7)) + "\n";
        return out;
    };
    EXPECT_EQ(strip(first), strip(second));
}

TEST(ServiceProcess, GarbageAndHugeRequestsAreRefusedAndServiceKeepsAnswering) {
    ServiceProcess svc;
    ASSERT_TRUE(svc.started());
    const std::string good = "/zipcodes/zipcodes.php?TODO=GETLATLON&CITY=Boston&STATE=MA";

    RawReply huge = rawGet(
        svc.port(), "/zipcodes/zipcodes.php?TODO=GETLATLON&CITY=" + std::string(3000, 'x') + "&STATE=MA");
    EXPECT_GE(huge.status, 400);
    EXPECT_LT(huge.status, 500);
    EXPECT_NE(huge.body.find("VoxtrailError"), std::string::npos);
    RawReply enormous =
        rawGet(svc.port(), "/sources/gigwire.php?feed=events&city=" + std::string(20000, 'y'));
    EXPECT_GE(enormous.status, 400);

    RawReply unknown = rawGet(svc.port(), "/no/such/page.php?x=1");
    EXPECT_EQ(unknown.status, 404);
    EXPECT_NE(unknown.body.find("VoxtrailError"), std::string::npos);
    EXPECT_EQ(rawGet(svc.port(), "/sources/gigwire.php?feed=events&city=Boston&state=MA&radius=%%%").status,
              400);
    EXPECT_EQ(rawGet(svc.port(), "/datasources/datasources.php?TODO=GETSITES").status, 400);

    // Bytes that are no HTTP at all, a header flood, and a request cut short.
    EXPECT_GE(rawExchange(svc.port(), std::string("\x00\xff\xfe garbage\r\n\r\n", 15)).status, 400);
    EXPECT_GE(rawExchange(svc.port(), "GET / HTTP/1.1\r\n" + std::string(100000, 'H') + "\r\n\r\n").status,
              400);
    rawExchange(svc.port(), "GET /zipcodes/zipcodes.php?TODO=GET", true);
    std::string manyHeaders = "GET / HTTP/1.1\r\n";
    for (int i = 0; i < 2000; ++i)
        manyHeaders += "X-" + std::to_string(i) + ": v\r\n";
    rawExchange(svc.port(), manyHeaders + "\r\n");

    RawReply after = rawGet(svc.port(), good);
    EXPECT_EQ(after.status, 200);
    EXPECT_NE(after.body.find("<LAT>"), std::string::npos);
    EXPECT_EQ(svc.stop(), 0);
}

TEST(ServiceProcess, RefusesToStartOnBadOptionsOrMissingData) {
    EXPECT_EQ(runProgram({VX_SERVICE_BIN, "--port", "x"}), 2);
    EXPECT_EQ(runProgram({VX_SERVICE_BIN, "--port", "0", "--iploc-port", "0", "--data", "/nonexistent"}), 1);
    EXPECT_EQ(runProgram({VX_SERVICE_BIN, "--port", "0", "--iploc-port", "0", "--catalog-from-library",
                          "/nonexistent.xml"}),
              1);
    std::string help;
    EXPECT_EQ(runProgram({VX_SERVICE_BIN, "--help"}, &help), 0);
    EXPECT_NE(help.find("--catalog-from-library"), std::string::npos);
}

TEST(ServiceProcess, AccountsAndSharedShowsOutliveARestart) {
    std::string db = testing::TempDir() + "service-" + std::to_string(getpid()) + ".sqlite";
    const std::string show =
        "/sharing/sharing.php?TODO=ADD_SHOW&USERNAME=night+owl&UUID=ABC-1&YEAR=2027&MONTH=2&DAY=14"
        "&TICKETSAVAILABLE=1&ARTIST=Salt+&+Cedar&VENUE=The+Roxy&LOCATION=Boston,+MA"
        "&URL=http://h/e/9.html&OTHERARTISTS=";
    {
        ServiceProcess svc({"--db", db});
        ASSERT_TRUE(svc.started());
        RawReply reg =
            rawGet(svc.port(), "/sharing/sharing.php?TODO=INITIALIZE_USER&USERNAME=night+owl&UUID=ABC-1"
                               "&CITY=Boston&STATE=MA&FIRSTNAME=Nia&LASTNAME=Owl");
        ASSERT_EQ(reg.status, 200);
        EXPECT_EQ(reg.body.find("Error"), std::string::npos);
        EXPECT_EQ(rawGet(svc.port(), show).body.find("Error"), std::string::npos);
        RawReply phone =
            rawGet(svc.port(), "/iphone/exchange.php?TODO=INITIALIZE_USER&USERNAME=nia&UUID=ABC-1&PWD=pw");
        EXPECT_EQ(phone.body.find("<ERROR>"), std::string::npos);
        rawGet(svc.port(),
               "/iphone/exchange.php?TODO=ADD_ARTISTS&USERNAME=nia&PWD=pw&ARTISTS=Salt+and+Cedar@@Otis+Moss");
        std::string logged = show;
        logged.replace(logged.find("ABC-1"), 5, "*");
        EXPECT_TRUE(logHas(svc, "web GET " + logged + " 200"));
    }
    ServiceProcess svc({"--db", db});
    ASSERT_TRUE(svc.started());
    EXPECT_EQ(
        rawGet(svc.port(), "/sharing/sharing.php?TODO=USER_EXISTS&USERNAME=night+owl").body.find("Error"),
        std::string::npos);
    RawReply shows = rawGet(svc.port(), "/sharing/sharing.php?TODO=DISPLAY_USER_SHOWS&USERNAME=night+owl");
    EXPECT_NE(shows.body.find(
                  "<event>2027@@2@@14@@1@@Salt & Cedar@@The Roxy@@Boston, MA@@http://h/e/9.html@@\n</event>"),
              std::string::npos)
        << shows.body;
    EXPECT_NE(rawGet(svc.port(), "/iphone/exchange.php?TODO=LIST_ARTISTS&USERNAME=nia&PWD=pw")
                  .body.find("<artist>Otis Moss</artist>"),
              std::string::npos);
    EXPECT_EQ(svc.stop(), 0);
    for (const char* suffix : {"", "-wal", "-shm"})
        std::remove((db + suffix).c_str());
}

int modeOf(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? static_cast<int>(info.st_mode & 0777) : -1;
}

TEST(ServiceProcess, SecretsStayOutOfTheLogAndItsFilesArePrivate) {
    const std::string base = testing::TempDir() + "private-" + std::to_string(getpid());
    const std::string log = base + ".log", db = base + ".sqlite";
    // Files an older service left readable to all are narrowed.
    for (const std::string& path : {log, db})
        ::close(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644));
    ::chmod(log.c_str(), 0644);
    {
        ServiceProcess svc({"--db", db, "--log", log});
        ASSERT_TRUE(svc.started());
        rawGet(svc.port(),
               "/iphone/exchange.php?TODO=INITIALIZE_USER&USERNAME=nia&UUID=SECRET-UUID-1&PWD=s3cret");
        rawGet(svc.port(),
               "/iphone/exchange.php?TODO=ADD_ARTISTS&USERNAME=nia&PWD=s3cret+&+more&ARTISTS=A@@B");
        rawGet(svc.port(), "/sharing/sharing.php?TODO=ADD_SHOW&USERNAME=nia&UUID=SECRET-UUID-1&YEAR=2027");
        rawGet(svc.port(), "/x.php?a=1&api_token=SECRET-T&Password=SECRET-P");
        EXPECT_EQ(modeOf(log), 0600);
        EXPECT_EQ(modeOf(db), 0600);
        EXPECT_EQ(modeOf(db + "-wal"), 0600);
    }
    std::ifstream in(log);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text.find("s3cret"), std::string::npos) << text;
    EXPECT_EQ(text.find("SECRET"), std::string::npos) << text;
    // The key names stay, so the log still tells which requests came.
    EXPECT_NE(text.find("TODO=INITIALIZE_USER&USERNAME=nia&UUID=*&PWD=* 200"), std::string::npos) << text;
    EXPECT_NE(text.find("TODO=ADD_ARTISTS&USERNAME=nia&PWD=*&ARTISTS=A@@B 200"), std::string::npos) << text;
    EXPECT_NE(text.find("/x.php?a=1&api_token=*&Password=* 404"), std::string::npos) << text;
    for (const char* suffix : {".log", ".sqlite", ".sqlite-wal", ".sqlite-shm"})
        std::remove((base + suffix).c_str());
}

TEST(ServiceProcess, ReleasePagesAndBrowserPages) {
    ServiceProcess svc;
    ASSERT_TRUE(svc.started());
    int lines = 0;
    for (int page = 0; page < 10; ++page) {
        RawReply r = rawGet(svc.port(), "/CDReleases/data/cdReleasesData_" + std::to_string(page) + ".html");
        ASSERT_EQ(r.status, 200);
        for (char c : r.body)
            lines += c == '\n';
    }
    EXPECT_GT(lines, 100);
    EXPECT_EQ(rawGet(svc.port(), "/CDReleases/data/cdReleasesData_10.html").status, 404);
    RawReply src = rawGet(svc.port(), "/sources/ticketline.php?feed=events&city=Boston&state=MA&radius=40");
    SourceEvents events = readSourceEvents(src.body);
    ASSERT_FALSE(events.complete.empty());
    const std::string& url = events.complete[0].url;
    RawReply click = rawGet(svc.port(), "/clickthrough.php?target=" + url);
    EXPECT_EQ(click.status, 302);
    EXPECT_NE(click.head.find("Location: " + url), std::string::npos) << click.head;
    EXPECT_EQ(rawGet(svc.port(), pathOf(url)).status, 200);
    EXPECT_EQ(rawGet(svc.port(), "/download/download_mac_redirect.php").status, 200);
}
