// The service with a sources file: a bad line stops its start, --check-sources tells what each
// source gave, and a gathered calendar's shows are in its source pages with their times.
#include "service/regular_file_text.h"
#include "tests/service/service_process.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

namespace {

std::string fixture(const std::string& name) {
    std::string text, why;
    EXPECT_TRUE(vxs::readRegularFile(std::string(VX_TESTDATA_DIR) + "/gather/" + name, 1 << 20, &text, &why));
    return text;
}

std::string writeSources(const std::string& text) {
    const auto path = std::filesystem::temp_directory_path() / ("vx-sources-" + std::to_string(::getpid()) +
                                                                "-" + std::to_string(std::rand()) + ".txt");
    std::ofstream(path) << text;
    return path.string();
}

TEST(GatherService, SourcesFromTheFileToTheSourcePages) {
    httplib::Server site;
    site.Get("/cal.ics", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(fixture("venue-calendar.ics"), "text/calendar");
    });
    const int sitePort = site.bind_to_any_port("127.0.0.1");
    std::thread serving([&site] { site.listen_after_bind(); });
    while (!site.is_running())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    const std::string feed = "http://127.0.0.1:" + std::to_string(sitePort) + "/cal.ics";

    const std::string bad = writeSources("# venues\nics " + feed + " | Boston, MA\nrss " + feed + "\n");
    std::string output;
    EXPECT_EQ(
        runProgram({VX_SERVICE_BIN, "--port", "0", "--iploc-port", "0", "--sources", bad}, &output, true), 2);
    EXPECT_NE(output.find(bad + ": line 3: the kind must be"), std::string::npos) << output;

    const std::string good = writeSources("# venues\n\nics " + feed + " | Boston, MA\n");
    EXPECT_EQ(runProgram({VX_SERVICE_BIN, "--today", "2026-12-10", "--check-sources", good}, &output), 0);
    for (const char* line :
         {"show 2027-03-07 20:00 America/New_York | Quiet Harbour, The Lanterns, Amber Fields, "
          "Salt Road | Paradise Rock Club, Boston, MA | scheduled",
          "skipped no-zone@paradiserock.example: unknown time zone", "8 shows, 4 skipped"})
        EXPECT_NE(output.find(line), std::string::npos) << line << "\n" << output;

    {
        ServiceProcess svc({"--today", "2026-12-10", "--sources", good, "--gathered-shows", "only"});
        ASSERT_TRUE(svc.started());
        const std::string page = "/sources/gigwire.php?feed=events&city=Cambridge&state=MA&radius=25";
        std::string body;
        for (int i = 0; i < 200 && body.find("<artist>Quiet Harbour</artist>") == std::string::npos; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            body = rawGet(svc.port(), page).body;
        }
        EXPECT_EQ(body.rfind("# gigwire: 7 events within 25 miles of Cambridge, MA\n", 0), 0u) << body;
        EXPECT_NE(body.find("<artist>Quiet Harbour</artist>\n<artist>The Lanterns</artist>\n<artist>Amber "
                            "Fields</artist>\n<artist>Salt Road</artist>\n<event_date>3/7/2027</event_date>\n"
                            "<event_time>20:00</event_time>\n<venue_name>Paradise Rock Club</venue_name>\n"
                            "<venue_city>Boston</venue_city>\n<venue_state>MA</venue_state>\n"
                            "<venue_timezone>America/New_York</venue_timezone>\n"
                            "<event_url>https://paradiserock.example/events/1001</event_url>\n</event>\n"),
                  std::string::npos)
            << body;
        EXPECT_EQ(body.find("Florence"), std::string::npos) << "a cancelled show is not listed";
        EXPECT_EQ(
            rawGet(svc.port(), "/sources/ticketline.php?feed=events&city=Cambridge&state=MA&radius=25").body,
            "# ticketline: 0 events within 25 miles of Cambridge, MA\n");
        EXPECT_EQ(svc.stop(), 0);
    }
    site.stop();
    serving.join();
    std::filesystem::remove(bad);
    std::filesystem::remove(good);
}

} // namespace
