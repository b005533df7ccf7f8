// Calendar sharing and phone sync against a loopback service: the request texts, which shows
// go, where a refusal or a lost fetch ends a step, the alert of a taken name posted to the host
// thread, and the secondary click's sends in click order off the host thread.
#include "platform/host_services.h"
#include "plugin/engine/user_actions.h"
#include "plugin/export/export_stamp.h"
#include "plugin/services/calendar_sharing.h"
#include "plugin/services/phone_sync.h"
#include "tests/engine/served_root.h"
#include "tests/support/host_services_table.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <future>
#include <string>
#include <thread>
#include <vector>

namespace {

const std::string kSharing = "/sharing/sharing.php?TODO=";
const std::string kPhone = "/iphone/exchange.php?TODO=";
const std::string kUuid = "11111111-2222-3333-4444-555555555555";

std::vector<std::string> alerts;
std::vector<std::function<void()>> posted;
int32_t recordAlert(void*, const char* title, const char*, const char*, const char*) {
    alerts.emplace_back(title);
    return kVxAlertDefaultButton;
}
void recordPost(void*, void (*fn)(void*), void* ctx) {
    posted.emplace_back([fn, ctx] { fn(ctx); });
}
VxHostServices services = [] {
    VxHostServices t = currentHostServices();
    t.showAlert = recordAlert;
    t.postToHostThread = recordPost;
    return t;
}();

class SharingStep : public ServedRoot {
  protected:
    void SetUp() override {
        ServedRoot::SetUp();
        vx::setHostServicesForTesting(&services);
        alerts.clear();
        posted.clear();
        ProtectedData& st = root->state;
        st.setUsername("Ann & Co");
        st.setUUID(kUuid.c_str());
        st.setCurCity("Boston");
        st.setCurState("MA");
        st.setFirstname("Ann");
        st.setLastname("Lee");
        st.setPassword("p+w");
        answer(registration(), "Registered.");
    }
    void TearDown() override {
        ServedRoot::TearDown();
        vx::setHostServicesForTesting(nullptr);
    }
    std::string registration() {
        return kSharing + "INITIALIZE_USER&USERNAME=Ann+%26+Co&UUID=" + kUuid +
               "&CITY=Boston&STATE=MA&FIRSTNAME=Ann&LASTNAME=Lee";
    }
    SHOWENTRY* addConcert(const char* artist, int day, bool selected) {
        auto* e = new SHOWENTRY;
        std::snprintf(e->artist, sizeof e->artist, "%s", artist);
        std::snprintf(e->venue, sizeof e->venue, "The Roxy");
        std::snprintf(e->location, sizeof e->location, "Boston, MA");
        std::snprintf(e->url, sizeof e->url, "http://h/%d", day);
        std::snprintf(e->uid, sizeof e->uid, "show-%d", day);
        e->year = 2027;
        e->month = 3;
        e->day = day;
        e->ticketsAvailable = day % 2 == 1;
        e->selected = selected;
        root->concerts->addShow(e, nullptr);
        return e;
    }
    std::string added(const std::string& artistValue, int day) {
        return kSharing + "ADD_SHOW&USERNAME=Ann+%26+Co&UUID=" + kUuid +
               "&YEAR=2027&MONTH=3&DAY=" + std::to_string(day) +
               "&TICKETSAVAILABLE=" + (day % 2 == 1 ? "1" : "0") + "&ARTIST=" + artistValue +
               "&VENUE=The+Roxy&LOCATION=Boston,+MA&URL=http://h/" + std::to_string(day) +
               "&OTHERARTISTS=&UID=show-" + std::to_string(day);
    }
    void shareAll(bool all) {
        root->state.setSharing(true);
        root->state.setShareAllShows(all);
    }
};

} // namespace

TEST_F(SharingStep, RegistersThenSendsTheChosenShowsOrAllWithValuesEscaped) {
    addConcert("Simon & Garfunkel", 3, true);
    addConcert("Not Chosen", 4, false);
    addConcert("Florence + the Machine", 5, true);
    for (int day : {3, 4, 5})
        answer(added(day == 3   ? "Simon+%26+Garfunkel"
                     : day == 4 ? "Not+Chosen"
                                : "Florence+%2B+the+Machine",
                     day),
               "Show added.");

    root->state.setSharing(false);
    EXPECT_EQ(shareUserCalendar(root->engine.web), 0);
    EXPECT_TRUE(requests().empty()) << "sharing off sends nothing";

    shareAll(false);
    EXPECT_EQ(shareUserCalendar(root->engine.web), 0);
    EXPECT_EQ(requests(), (std::vector<std::string>{registration(), added("Simon+%26+Garfunkel", 3),
                                                    added("Florence+%2B+the+Machine", 5)}));
    EXPECT_FALSE(root->state.getUpdatingShared());
    EXPECT_DOUBLE_EQ(root->state.getUpdatingProgress(), 100.0);

    const std::size_t before = requests().size();
    shareAll(true);
    EXPECT_EQ(shareUserCalendar(root->engine.web), 0);
    EXPECT_EQ(requests().size() - before, 4u) << "registration and every show";
    EXPECT_TRUE(alerts.empty());
    EXPECT_TRUE(webLockFree());
}

TEST_F(SharingStep, ARefusedShowStopsTheRestAndATakenNameSendsNone) {
    for (int day = 1; day <= 10; ++day) {
        addConcert(("Band " + std::to_string(day)).c_str(), day, true);
        answer(added("Band+" + std::to_string(day), day),
               day == 3 ? "VoxtrailError: too many" : "Show added.");
    }
    shareAll(false);
    shareUserCalendar(root->engine.web);
    EXPECT_EQ(requests().size(), 4u) << "registration and three shows, the third refused";
    EXPECT_FALSE(root->state.getUpdatingShared());

    answer(registration(), "VoxtrailError: that user name is taken");
    const std::size_t before = requests().size();
    shareUserCalendar(root->engine.web);
    EXPECT_EQ(requests().size() - before, 1u) << "no show after a refused registration";
    ASSERT_EQ(posted.size(), 1u) << "the alert is posted, not shown on the update thread";
    EXPECT_TRUE(alerts.empty());
    posted[0]();
    EXPECT_EQ(alerts, (std::vector<std::string>{"Username already taken."}));
}

TEST_F(SharingStep, ServiceRepliesAreReadForTheirMarkerAnywhere) {
    answer(kSharing + "USER_EXISTS&USERNAME=bob+lee", "User found.");
    answer(kSharing + "USER_EXISTS&USERNAME=ghost", "<p>No such user. Error 12</p>");
    EXPECT_EQ(checkIfUserExists(root->engine.web, "bob lee"), kSharingDone);
    EXPECT_EQ(checkIfUserExists(root->engine.web, "ghost"), kSharingRefused);
    EXPECT_EQ(checkIfUserExists(root->engine.web, "nobody-answers"), kSharingFetchFailed);

    SHOWENTRY* show = addConcert("Solo", 2, true);
    answer(added("Solo", 2), "Show added.");
    EXPECT_EQ(addSingleSharedShow(root->engine.web, show), 1);
    EXPECT_EQ(deleteSingleSharedShow(root->engine.web, show), 0) << "no reply for the delete: a failed fetch";
    EXPECT_FALSE(root->state.getUpdatingShared());
}

TEST_F(SharingStep, ClickSendsGoInClickOrderWhileARefreshHoldsTheWebLock) {
    shareAll(false);
    addConcert("First", 2, false);
    addConcert("Second", 4, true);
    std::string deleted = added("Second", 4);
    deleted.replace(deleted.find("ADD_SHOW"), 8, "DELETE_SHOW");
    answer(added("First", 2), "Show added.");
    answer(deleted, "Show deleted.");

    root->engine.web.lockInternet(); // a refresh in the middle of a fetch
    const auto start = std::chrono::steady_clock::now();
    // A burst: every choice is sent, in click order, even the one taken back.
    for (const char* uid : {"show-2", "show-4", "show-2", "show-2"})
        EXPECT_TRUE(toggleChoice(root->engine, uid));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200))
        << "posting never waits";
    EXPECT_TRUE(requests().empty());
    // The saves do not wait behind the requests: the choice is in the file while the web is held.
    const std::string chosen = "\n0@@1@@0@@2027@@3@@2@@First@@";
    for (int i = 0; i < 500 && TempHome::read(home.preferences()).find(chosen) == std::string::npos; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_NE(TempHome::read(home.preferences()).find(chosen), std::string::npos);
    root->engine.web.unlockInternet();
    root->engine.shares.drain();
    std::string withdrawn = added("First", 2);
    withdrawn.replace(withdrawn.find("ADD_SHOW"), 8, "DELETE_SHOW");
    EXPECT_EQ(requests(),
              (std::vector<std::string>{added("First", 2), deleted, withdrawn, added("First", 2)}));
}

TEST_F(SharingStep, AfterACleanupAndANewInitAChoiceIsSavedExportedAndShared) {
    root->engine.shutDown();
    root->engine.resume();
    shareAll(false);
    root->state.setExportTo_iCal(true);
    root->state.setExportAllShows(false);
    addConcert("Solo", 2, false);
    answer(added("Solo", 2), "Show added.");

    ASSERT_TRUE(toggleChoice(root->engine, "show-2"));
    root->engine.actions.drain();
    root->engine.shares.drain();
    EXPECT_EQ(requests(), std::vector<std::string>{added("Solo", 2)});
    EXPECT_NE(TempHome::read(home.preferences()).find("\n0@@1@@0@@2027@@3@@2@@Solo@@"), std::string::npos);
    EXPECT_TRUE(vx::exportsUpToDate(root.get(), root->engine.web.services.webServiceHost));
    EXPECT_FALSE(toggleChoice(root->engine, "no-such-show"));
}

TEST_F(SharingStep, ShutdownDropsQueuedClicksAndJoinsTheSender) {
    std::promise<void> held;
    std::thread refresh([&] {
        std::lock_guard<std::recursive_mutex> web(root->engine.web.webLock);
        held.set_value();
        // Let go once the shutdown has begun and dropped the queue: from then on drain()
        // returns, while before it the clicks queued behind this lock keep it waiting.
        while (!root->state.getShutingDown())
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        root->engine.shares.drain();
    });
    held.get_future().wait();
    shareAll(false);
    addConcert("First", 2, false);
    addConcert("Second", 4, false);
    toggleChoice(root->engine, "show-2");
    toggleChoice(root->engine, "show-4");
    std::thread stopper([&] { root->engine.shutDown(); });
    refresh.join();
    stopper.join();
    EXPECT_LE(requests().size(), 1u) << "what was still queued is dropped";
}

namespace {

// A library of the given artists, one track each.
std::string libraryOf(const std::vector<std::string>& artists) {
    std::string xml = "<plist version=\"1.0\">\n<dict>\n\t<key>Tracks</key>\n\t<dict>\n";
    int id = 100;
    for (const std::string& a : artists) {
        xml += "\t\t<key>" + std::to_string(id) + "</key>\n\t\t<dict>\n\t\t\t<key>Track ID</key><integer>" +
               std::to_string(id) + "</integer>\n\t\t\t<key>Artist</key><string>" + a +
               "</string>\n\t\t</dict>\n";
        ++id;
    }
    return xml + "\t</dict>\n</dict>\n</plist>\n";
}

class PhoneStep : public SharingStep {
  protected:
    void SetUp() override {
        SharingStep::SetUp();
        root->state.setiPhoneSync(true);
        answer(phoneRegistration(), "<OK>Registered</OK>");
        onRequest([this](const std::string&) { progress.push_back(root->state.getUpdatingProgress()); });
    }
    void library(const std::vector<std::string>& artists) {
        home.write("lib.xml", libraryOf(artists));
        root->state.setiTunes_xml_path((home.path() + "/lib.xml").c_str());
    }
    std::string phoneRegistration() {
        return kPhone + "INITIALIZE_USER&USERNAME=Ann+%26+Co&UUID=" + kUuid + "&PWD=p%2Bw";
    }
    std::vector<std::string> uploads() {
        std::vector<std::string> out;
        for (const std::string& r : requests())
            if (r.rfind(kPhone + "ADD_ARTISTS", 0) == 0) out.push_back(r);
        return out;
    }
    std::vector<double> progress;
};

const std::string kUpload = kPhone + "ADD_ARTISTS&USERNAME=Ann+%26+Co&PWD=p%2Bw&ARTISTS=";

} // namespace

TEST_F(PhoneStep, RegistersThenUploadsEveryArtistInBatchesThatFitARequest) {
    std::vector<std::string> artists;
    for (int i = 0; i < 120; ++i)
        artists.push_back("Artist Number " + std::to_string(1000 + i) + " And The Long Named Band");
    library(artists);
    answerStartingWith(kUpload, "<OK>added</OK>");
    EXPECT_EQ(iPhoneSync_addAllArtists(root->engine.web), 0);
    const std::vector<std::string> up = uploads();
    ASSERT_GT(up.size(), 1u);
    std::size_t names = 0;
    for (const std::string& u : up) {
        EXPECT_LE(std::string("http://" + server.host()).size() + u.size(), 1023u);
        const std::string batch = u.substr(kUpload.size());
        EXPECT_NE(batch.substr(0, 2), "@@");
        for (std::size_t at = 0; (at = batch.find("@@", at)) != std::string::npos; at += 2)
            ++names;
        ++names;
    }
    EXPECT_EQ(names, artists.size()) << "no artist lost";
    EXPECT_EQ(requests().front(), phoneRegistration());
    EXPECT_DOUBLE_EQ(root->state.getUpdatingProgress(), 100.0);
    EXPECT_FALSE(root->state.getUpdatingiPhone());
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
}

TEST_F(PhoneStep, RefusalAlertsAndAFailedUploadEndsTheStep) {
    library({"Solo Act", "Duo"});
    answer(phoneRegistration(), "<ERROR>Username already taken</ERROR>");
    EXPECT_EQ(iPhoneSync_addAllArtists(root->engine.web), 1);
    EXPECT_TRUE(uploads().empty());
    EXPECT_EQ(posted.size(), 1u);

    answer(phoneRegistration(), "<OK>Registered</OK>");
    EXPECT_EQ(iPhoneSync_addAllArtists(root->engine.web), 1) << "the upload goes unanswered";
    EXPECT_EQ(uploads(), (std::vector<std::string>{kUpload + "Duo@@Solo+Act"}));

    root->state.setiPhoneSync(false);
    const std::size_t before = requests().size();
    EXPECT_EQ(iPhoneSync_addAllArtists(root->engine.web), 0);
    EXPECT_EQ(requests().size(), before) << "phone sync off sends nothing";
}

TEST_F(PhoneStep, AServiceThatDiesMidUploadEndsTheStepWithTheEarlierBatchesSent) {
    std::vector<std::string> artists;
    for (int i = 0; i < 100; ++i)
        artists.push_back("Long Named Artist Number " + std::to_string(1000 + i));
    library(artists);
    answerStartingWith(kUpload, "<OK>added</OK>");
    int seen = 0;
    onRequest([&](const std::string& target) {
        // From the third upload on, the reply breaks off after its head.
        if (target.rfind(kUpload, 0) == 0 && ++seen == 2)
            answerStartingWith(kUpload, "HTTP/1.1 200 OK\r\nContent-Length: 500\r\n\r\n<OK>");
    });
    EXPECT_EQ(iPhoneSync_addAllArtists(root->engine.web), 1);
    EXPECT_EQ(uploads().size(), 3u) << "nothing after the upload that failed";
    EXPECT_LT(root->state.getUpdatingProgress(), 100.0);
    EXPECT_TRUE(webLockFree());
}

TEST_F(SharingStep, LongNamesWithBlanksAndAmpersandsTravelWhole) {
    const std::string name = "Ann & Bo Fans " + std::string(49, 'x'); // 63 characters
    root->state.setUsername(name.c_str());
    answer(kSharing + "USER_EXISTS&USERNAME=Ann+%26+Bo+Fans+" + std::string(49, 'x'), "User found.");
    EXPECT_EQ(checkIfUserExists(root->engine.web, name.c_str()), kSharingDone);
    const std::string request = initializeUserRequest("h", root->state);
    EXPECT_NE(request.find("USERNAME=Ann+%26+Bo+Fans+" + std::string(49, 'x') + "&UUID="), std::string::npos);
}
