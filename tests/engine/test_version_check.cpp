// The version check at start-up, against a loopback web service: each reply form, the alert and
// its buttons, the download page, and the saved flag.
#include "common/fixed_text.h"
#include "platform/host_services.h"
#include "plugin/net/web_fetch.h"
#include "plugin/prefs/account_requests.h"
#include "plugin/prefs/engine_outside.h"
#include "tests/engine/engine_root.h"
#include "tests/net/routed_server.h"
#include "tests/net/scripted_server.h"
#include "tests/support/host_services_table.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Alert {
    std::string title, message, defaultButton, cancelButton;
};
std::vector<Alert> alerts;
int32_t alertAnswer = kVxAlertCancelButton;
int32_t recordAlert(void*, const char* title, const char* message, const char* ok, const char* cancel) {
    alerts.push_back({title, message, ok ? ok : "", cancel ? cancel : ""});
    return alertAnswer;
}
std::vector<std::string> opened;
int32_t recordURL(void*, const char* url) {
    opened.emplace_back(url);
    return 0;
}
int32_t noFile(void*, const char*, char*, uint32_t) {
    return -1;
}
VxHostServices services = [] {
    VxHostServices t = currentHostServices();
    t.showAlert = recordAlert;
    t.chooseFile = noFile;
    t.openURL = recordURL;
    return t;
}();

class VersionCheck : public ::testing::Test {
  protected:
    TempHome home;
    std::optional<std::string> reply; // none: the service answers 404
    RoutedServer server{[this](const std::string& target) -> std::optional<std::string> {
        if (target.rfind("/current_version.php", 0) != 0) return std::nullopt;
        return reply;
    }};

    void SetUp() override {
        vx::setHostServicesForTesting(&services);
        alerts.clear();
        opened.clear();
        alertAnswer = kVxAlertCancelButton;
        useService(server.host());
    }
    void TearDown() override { vx::setHostServicesForTesting(nullptr); }

    void useService(const std::string& host) const {
        home.write("Library/Application Support/Voxtrail/VoxtrailServices", host + "\n" + host + "\n");
    }
    // A saved preferences file whose version flag (line 5, fifth switch) and next refresh are given.
    void savedPreferences(bool versionFlag, long nextRefresh) const {
        std::ostringstream p;
        p << "/nowhere.xml\n"
          << nextRefresh << "\n2026@@12@@1\nBoston@@MA@@75@@0.0@@0.0\n"
          << "0@@1@@0@@0@@" << (versionFlag ? 1 : 0) << "@@0@@0@@0@@0@@0@@0\n-\n-@@-@@-@@\n\n\n";
        home.write("Library/Application Support/Voxtrail/VoxtrailPref", p.str());
    }
    std::string savedSwitches() const {
        std::ifstream in(home.supportFolder() + "VoxtrailPref");
        std::string line;
        for (int n = 0; n < 5 && std::getline(in, line); ++n) {
        }
        return line;
    }
    static std::string message(EngineRoot& root) {
        char buf[1024];
        root.state.getUpdateMessage(buf);
        return buf;
    }
};

} // namespace

TEST_F(VersionCheck, ACurrentReplyClearsTheFlagAndShowsNothingEvenWithAMessage) {
    savedPreferences(true, 0);
    reply = "<version><current/></version><current><message>ignored</message>";
    EngineRoot root;
    EXPECT_FALSE(root.state.getVoxtrail_version_update());
    EXPECT_TRUE(alerts.empty());
    EXPECT_EQ(savedSwitches(), "0@@1@@0@@0@@0@@0@@0@@0@@0@@0@@0@@1@@20");
    ASSERT_EQ(server.targets().size(), 1u);
    EXPECT_EQ(server.targets()[0], "/current_version.php?VERSION=2.9&OS=MAC");
}

TEST_F(VersionCheck, AnAnnouncementOffersTheDownloadPage) {
    reply = "<reply><message>Version 3.0 finds shows abroad.</message><message>second</message></reply>";
    alertAnswer = kVxAlertDefaultButton;
    EngineRoot root;
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].title, "New Voxtrail Version Available");
    EXPECT_EQ(alerts[0].message, "Version 3.0 finds shows abroad.");
    EXPECT_EQ(alerts[0].defaultButton, "Download");
    EXPECT_EQ(alerts[0].cancelButton, "Cancel");
    EXPECT_EQ(opened,
              (std::vector<std::string>{"http://" + server.host() + "/download/download_mac_redirect.php"}));
    EXPECT_TRUE(root.state.getVoxtrail_version_update());
    EXPECT_EQ(savedSwitches().substr(0, 15), "0@@1@@0@@0@@1@@");
}

TEST_F(VersionCheck, CancelOnlySavesAndALongMessageIsCut) {
    reply = "<message>" + std::string(2000, 'm') + "</message>";
    EngineRoot root;
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_TRUE(opened.empty());
    EXPECT_EQ(message(root), std::string(511, 'm'));
    EXPECT_EQ(savedSwitches().substr(12, 3), "1@@");
}

TEST_F(VersionCheck, AReplyWithNeitherMarkerSetsTheFlagWithoutAnAlert) {
    savedPreferences(false, 0);
    reply = "<html>maintenance</html>";
    EngineRoot root;
    EXPECT_TRUE(root.state.getVoxtrail_version_update());
    EXPECT_EQ(message(root), "");
    EXPECT_TRUE(alerts.empty());
    EXPECT_EQ(savedSwitches().substr(12, 3), "1@@");
}

TEST_F(VersionCheck, WithoutANetworkTheStoredFlagStaysAndNothingIsSaved) {
    for (bool flag : {true, false}) {
        savedPreferences(flag, 0);
        useService("127.0.0.1:1"); // nothing listens on port 1
        {
            EngineRoot root;
            EXPECT_EQ(root.state.getVoxtrail_version_update(), flag);
        }
        EXPECT_TRUE(alerts.empty());
        EXPECT_EQ(savedSwitches(), std::string("0@@1@@0@@0@@") + (flag ? "1" : "0") + "@@0@@0@@0@@0@@0@@0");
    }
    // A 404 from the service is a failed fetch too.
    savedPreferences(true, 0);
    useService(server.host());
    reply.reset();
    EngineRoot root;
    EXPECT_TRUE(root.state.getVoxtrail_version_update());
    EXPECT_TRUE(alerts.empty());
}

TEST_F(VersionCheck, TheCheckWaitsForTheScheduledRefresh) {
    reply = "<message>new</message>";
    savedPreferences(false, static_cast<long>(std::time(nullptr)) + 86400);
    {
        EngineRoot root;
        EXPECT_TRUE(server.targets().empty());
        EXPECT_TRUE(alerts.empty());
    }
    savedPreferences(false, static_cast<long>(std::time(nullptr)) - 60);
    EngineRoot root;
    EXPECT_EQ(server.targets().size(), 1u);
    EXPECT_EQ(alerts.size(), 1u);
}

// A service that accepts and then stalls (silent, a large body announced and never sent, or a
// header that never ends) holds the start for the check's budget only; its answer is dropped.
TEST_F(VersionCheck, AStalledServiceHoldsTheStartForAFewSecondsOnly) {
    using Then = CannedReply::Then;
    const CannedReply stalls[] = {
        {"", Then::holdOpen},
        {"HTTP/1.1 200 OK\r\nContent-Length: 10000000\r\n\r\n", Then::holdOpen},
        {"HTTP/1.1 200 OK\r\nX-Slow: ", Then::trickle},
    };
    for (const CannedReply& stall : stalls) {
        ScriptedServer stalled({stall});
        useService("127.0.0.1:" + std::to_string(stalled.port()));
        savedPreferences(false, 0);
        const auto start = std::chrono::steady_clock::now();
        {
            EngineRoot root;
            const auto held = std::chrono::steady_clock::now() - start;
            // Before, the start waited for the full web time-out of a minute.
            EXPECT_LT(held, std::chrono::seconds(kVersionCheckSeconds + 7)) << stall.bytes;
            EXPECT_GE(held, std::chrono::seconds(kVersionCheckSeconds)) << stall.bytes;
            EXPECT_FALSE(root.state.getVoxtrail_version_update());
        }
        EXPECT_TRUE(alerts.empty());
        EXPECT_TRUE(stalled.waitServed(1));
    }
}

// The preferences window's account requests run on the host thread too: a service that accepts
// and never answers reads as not reached after a few seconds, not after the minute of a refresh.
TEST_F(VersionCheck, ThePreferencesWindowsRequestsGiveUpOnAStalledServiceAsTheCheckDoes) {
    EngineRoot root;
    ScriptedServer stalled({{"", CannedReply::Then::holdOpen}});
    vx::copyText(root.engine.web.services.webServiceHost,
                 ("127.0.0.1:" + std::to_string(stalled.port())).c_str());
    EngineOutside outside(root.engine);
    std::string url;
    std::vector<SHARER> users;
    const std::vector<std::pair<const char*, std::function<int()>>> requests{
        {"friend check", [&] { return outside.checkIfUserExists("ann"); }},
        {"registration", [&] { return outside.initializeSharing(); }},
        {"phone account", [&] { return outside.iPhoneSync_Initialize(); }},
        {"users near me", [&] { return outside.nearbyUsers(users); }},
        {"feed address", [&] { return outside.feedAddress(false, url); }},
        {"sharing end", [&] { return outside.endSharing(); }},
    };
    for (const auto& [what, request] : requests) {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(request(), 2) << what;
        const auto held = std::chrono::steady_clock::now() - start;
        EXPECT_LT(held, std::chrono::seconds(kAccountRequestSeconds + 3)) << what;
    }
    EXPECT_TRUE(stalled.waitServed(static_cast<int>(requests.size()))) << "every request reached the service";
}
