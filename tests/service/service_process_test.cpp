// The service as a program: ports, the plug-in's request chain, logging, and
// requests meant to break it.
#include "tests/service/reply_readers.h"
#include "tests/service/service_process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
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

struct Ended {
    int status = -1;    // exit status, 128 + a signal's number, or -1 when it had to be killed
    std::string output; // standard output and error
};

// Runs the service with args, sends it signal after signalAfterMs (when given), and kills it when
// it has not ended after limitMs.
Ended runService(std::vector<std::string> args, int limitMs, int signal = 0, int signalAfterMs = 0) {
    const std::string log = testing::TempDir() + "run-service-" + std::to_string(getpid()) + ".out";
    args.insert(args.begin(), VX_SERVICE_BIN);
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(out, STDOUT_FILENO);
        dup2(out, STDERR_FILENO);
        execv(argv[0], argv.data());
        _exit(127);
    }
    Ended ended;
    int status = 0, ms = 0;
    for (; ms < limitMs && waitpid(pid, &status, WNOHANG) != pid; ms += 10) {
        if (signal != 0 && ms == signalAfterMs) kill(pid, signal);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (ms >= limitMs) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    } else {
        ended.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    std::ifstream in(log);
    ended.output.assign(std::istreambuf_iterator<char>(in), {});
    std::remove(log.c_str());
    return ended;
}

} // namespace

// Whatever stands at the name of one of its files, the service starts or refuses at once, a start
// that cannot finish ends by its deadline, and a signal ends it at any moment.
TEST(ServiceProcess, StartsOrRefusesAtOnceWhateverItsFilesAreAndStopsWhenAsked) {
    const std::string dir = testing::TempDir() + "odd-files-" + std::to_string(getpid());
    ASSERT_EQ(mkdir(dir.c_str(), 0700), 0);
    const std::string fifo = dir + "/fifo", data = dir + "/data", huge = dir + "/huge.xml";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(mkdir(data.c_str(), 0700), 0);
    ASSERT_EQ(mkfifo((data + "/cities.tsv").c_str(), 0600), 0);
    const std::vector<std::string> ports{"--port", "0", "--iploc-port", "0"};
    for (const std::vector<std::string>& odd : {std::vector<std::string>{"--feed-key", fifo},
                                                {"--log", fifo},
                                                {"--db", fifo},
                                                {"--catalog-from-library", fifo},
                                                {"--data", data},
                                                {"--log", "/dev/null"}}) {
        std::vector<std::string> args = ports;
        args.insert(args.end(), odd.begin(), odd.end());
        const Ended ended = runService(args, 10000);
        EXPECT_EQ(ended.status, 1) << odd[0] << ": " << ended.output;
        EXPECT_NE(ended.output.find("is not a regular file"), std::string::npos) << ended.output;
    }
    // A library far too large to read in time (a sparse file: no disk is used).
    ::close(::open(huge.c_str(), O_WRONLY | O_CREAT, 0600));
    ASSERT_EQ(truncate(huge.c_str(), 1LL << 36), 0);
    std::vector<std::string> slow = ports;
    slow.insert(slow.end(), {"--catalog-from-library", huge, "--start-timeout", "1"});
    const Ended late = runService(slow, 5000);
    EXPECT_EQ(late.status, 1) << late.output;
    EXPECT_NE(late.output.find("did not finish within 1 s"), std::string::npos) << late.output;
    slow.resize(slow.size() - 2);
    for (int signal : {SIGTERM, SIGINT}) {
        const Ended stopped = runService(slow, 3000, signal, 300);
        EXPECT_EQ(stopped.status, 128 + signal) << stopped.output;
    }
    std::filesystem::remove_all(dir);
}

// --copy-db only reads its source, which must be a store and not the target under another name.
TEST(ServiceProcess, CopyingAStoreRefusesAnEmptySourceAndItsOwnTarget) {
    const std::string dir = testing::TempDir() + "copy-" + std::to_string(getpid());
    ASSERT_EQ(mkdir(dir.c_str(), 0700), 0);
    const std::string empty = dir + "/empty.sqlite", store = dir + "/store.sqlite",
                      linked = dir + "/linked.sqlite";
    ::close(::open(empty.c_str(), O_WRONLY | O_CREAT, 0600));
    {
        ServiceProcess svc({"--db", store});
        ASSERT_TRUE(svc.started());
        EXPECT_EQ(svc.stop(), 0);
    }
    ASSERT_EQ(link(store.c_str(), linked.c_str()), 0);
    for (const auto& [from, to, reason] :
         {std::tuple{empty, dir + "/new.sqlite", "empty (0 bytes)"},
          {store, dir + "/./store.sqlite", "same file"},
          {store, linked, "same file"},
          {dir + "/missing.sqlite", dir + "/new.sqlite", "no store to copy"}}) {
        const Ended ended = runService({"--copy-db", from, to}, 10000);
        EXPECT_EQ(ended.status, 1) << ended.output;
        EXPECT_NE(ended.output.find(reason), std::string::npos) << ended.output;
    }
    struct stat info {};
    EXPECT_EQ(::stat(empty.c_str(), &info), 0);
    EXPECT_EQ(info.st_size, 0) << "the source is only read";
    const Ended copied = runService({"--copy-db", store, dir + "/new.sqlite"}, 10000);
    EXPECT_EQ(copied.status, 0) << copied.output;
    EXPECT_NE(copied.output.find("copied: 0 accounts"), std::string::npos) << copied.output;
    std::filesystem::remove_all(dir);
}

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

TEST(ServiceProcess, ClickThroughLeadsToTheLinkAndProductPagesAnswer) {
    ServiceProcess svc;
    ASSERT_TRUE(svc.started());
    const std::string page = rawGet(svc.port(), "/CDReleases/data/cdReleasesData_0.html").body;
    const std::size_t at = page.find("<L>");
    ASSERT_NE(at, std::string::npos);
    const std::string asin = page.substr(at + 3, page.find("</L>", at) - at - 3);

    // An album's link holds its own query; the plug-in sends it as one value, "?", "&" and "+"
    // escaped.
    const std::string link = "http://127.0.0.1:" + std::to_string(svc.port()) +
                             "/CDReleases/cdreleaseclickthrough.php?ASIN=" + asin +
                             "&CITY=St.+Louis&STATE=MO";
    const std::string sent = "http://127.0.0.1:" + std::to_string(svc.port()) +
                             "/CDReleases/cdreleaseclickthrough.php%3FASIN=" + asin +
                             "%26CITY=St.%2BLouis%26STATE=MO";
    RawReply click = rawGet(svc.port(), "/clickthrough.php?target=" + sent);
    EXPECT_EQ(click.status, 302) << click.body;
    const std::size_t location = click.head.find("Location: ");
    ASSERT_NE(location, std::string::npos) << click.head;
    EXPECT_EQ(click.head.substr(location + 10, click.head.find('\r', location) - location - 10), link);
    RawReply album = rawGet(svc.port(), pathOf(link));
    EXPECT_EQ(album.status, 200);
    EXPECT_NE(album.body.find("near St. Louis"), std::string::npos) << album.body;

    // The screen's links: the product's home and the donations page; the phone links lead to the app.
    for (const char* path : {"/", "/iphonelink.php", "/donations.php"}) {
        RawReply r = rawGet(svc.port(), path);
        EXPECT_EQ(r.status, 200) << path;
        EXPECT_NE(r.body.find("<h1>"), std::string::npos) << path;
    }
    for (const char* path : {"/iphone.php", "/android.php"}) {
        RawReply r = rawGet(svc.port(), path);
        EXPECT_EQ(r.status, 302) << path;
        EXPECT_NE((r.head + "\r\n").find("Location: /app/\r\n"), std::string::npos) << r.head;
    }
    EXPECT_EQ(rawGet(svc.port(), "/nosuch.php").status, 404);

    // Elsewhere the leaving page links only web pages: a script link is shown as text.
    for (const char* target : {"javascript:alert(document.domain)", "data:text/html,%3Cscript%3E"}) {
        RawReply r = rawGet(svc.port(), std::string("/clickthrough.php?target=") + target);
        EXPECT_EQ(r.status, 200) << target;
        EXPECT_EQ(r.body.find("href="), std::string::npos) << r.body;
    }
    RawReply away = rawGet(svc.port(), "/clickthrough.php?target=https://tickets.example/e%3Fid=1");
    EXPECT_NE(away.body.find("<a href=\"https://tickets.example/e?id=1\">"), std::string::npos) << away.body;
}
