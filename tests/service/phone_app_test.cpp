// The phone app's requests under attack: stolen, forged and malformed session cookies, posts from
// other sites, sign-in floods, places no one types, and markup in every stored text.
#include "service/phone_app_replies.h"
#include "service/service_options.h"
#include "service/service_setup.h"
#include "service/sharing_replies.h"

#include <gtest/gtest.h>

#include <regex>

namespace {

const std::string kHost = "127.0.0.1:8460";
const std::string kOrigin = "http://" + kHost;

class PhoneAppTest : public ::testing::Test {
  protected:
    void SetUp() override {
        vxs::ServiceOptions options;
        options.dataDir = VX_SERVICE_DATA_DIR;
        options.accounts.hashCost = 1;
        options.accounts.throttle.firstWait = std::chrono::minutes(10); // no wait ends within a test
        std::string error;
        ASSERT_TRUE(vxs::buildServiceData(options, &data, &error)) << error;
        phone("TODO=INITIALIZE_USER&USERNAME=ann&UUID=U-1&PWD=s3cret");
        phone("TODO=ADD_ARTISTS&USERNAME=ann&PWD=s3cret&ARTISTS=" + data.catalogue.artists()[0].name +
              "@@%3Cscript%3Ealert(1)%3C%2Fscript%3E@@bad%FFbyte");
    }
    std::string sharing(const std::string& query) {
        return vxs::sharingReply("/sharing/sharing.php?" + query, *data.sharing, "10.0.0.9").body;
    }
    void phone(const std::string& query) {
        ASSERT_EQ(vxs::phoneReply("/iphone/exchange.php?" + query, *data.sharing, "10.0.0.9").status, 200);
    }
    vxs::Reply call(const std::string& method, const std::string& target, const std::string& body = "",
                    const std::string& cookie = "", const std::string& origin = kOrigin,
                    const std::string& client = "10.0.0.1") {
        const vxs::AppRequest r{
            method, target.substr(0, target.find('?')), target, body, cookie, origin, "", "", kHost, client,
            false};
        return vxs::phoneAppReply(r, data);
    }
    static std::string header(const vxs::Reply& reply, const std::string& name) {
        for (const auto& [key, value] : reply.headers)
            if (key == name) return value;
        return "";
    }
    // Signs ann in; the session cookie ("vx_session=…") and the session's form token.
    std::pair<std::string, std::string> signIn(const std::string& password = "s3cret",
                                               const std::string& client = "10.0.0.1",
                                               const std::string& user = "ann") {
        const std::string pre = header(call("GET", "/app/api/session"), "Set-Cookie").substr(10, 32);
        const vxs::Reply in =
            call("POST", "/app/api/signin", "username=" + user + "&password=" + password + "&csrf=" + pre,
                 "vx_signin=" + pre, kOrigin, client);
        const std::string cookie = header(in, "Set-Cookie");
        const std::size_t csrf = in.body.find("\"csrf\":\"");
        if (in.status != 200 || csrf == std::string::npos) return {"", std::to_string(in.status)};
        return {cookie.substr(0, cookie.find(';')), in.body.substr(csrf + 8, 32)};
    }

    vxs::ServiceData data;
};

TEST_F(PhoneAppTest, OnlyALiveSessionsExactCookieOpensTheAccount) {
    const auto [cookie, csrf] = signIn();
    ASSERT_EQ(cookie.size(), std::string("vx_session=").size() + 64) << cookie;
    const std::string token = cookie.substr(11);
    const std::string shows = "/app/api/shows?place=Boston,+MA";
    const struct {
        std::string cookie;
        int status;
    } cases[] = {
        {cookie, 200},
        {"other=1; " + cookie + "; more=2", 200},
        {"", 401},
        {"vx_session=" + token.substr(1), 401},
        {cookie + "0", 401},
        {"vx_session=" + std::string(64, 'A'), 401},
        {"vx_session=" + std::string(64, 'g'), 401},
        {"vx_session=" + token.substr(0, 32) + std::string(1, '\0') + token.substr(33), 401},
        {"vx_session=" + std::string(64, '0'), 401},
    };
    for (const auto& c : cases)
        EXPECT_EQ(call("GET", shows, "", c.cookie).status, c.status) << c.cookie;

    // Signed out, the cookie is worth nothing, wherever it was copied to.
    EXPECT_EQ(call("POST", "/app/api/signout", "csrf=" + csrf, cookie).status, 200);
    EXPECT_EQ(call("GET", shows, "", cookie).status, 401);
    EXPECT_EQ(call("GET", "/app/api/feed", "", cookie, "", "192.0.2.7").status, 401);

    // A new password from the account's installation ends its sessions too, and the feed's address.
    const std::string other = signIn().first;
    ASSERT_EQ(call("GET", shows, "", other).status, 200);
    const std::string address = call("GET", "/app/api/feed", "", other).body;
    const std::size_t at = address.find("/app/feed/");
    ASSERT_NE(at, std::string::npos) << address;
    const std::string feed = address.substr(at, address.find(".ics", at) + 4 - at);
    EXPECT_EQ(call("GET", feed, "", "").status, 200);
    phone("TODO=INITIALIZE_USER&USERNAME=ann&UUID=U-1&PWD=n3w");
    EXPECT_EQ(call("GET", shows, "", other).status, 401);
    EXPECT_EQ(call("GET", feed, "", "").status, 404);
}

TEST_F(PhoneAppTest, PostsFromAnotherSiteOrWithoutTheFormsTokenChangeNothing) {
    const auto [cookie, csrf] = signIn();
    const std::string key = [&] {
        const std::string body = call("GET", "/app/api/shows?place=Boston,+MA&radius=500", "", cookie).body;
        const std::size_t at = body.find("\"key\":\"");
        return at == std::string::npos ? std::string() : body.substr(at + 7, body.find('"', at + 7) - at - 7);
    }();
    ASSERT_FALSE(key.empty());
    const struct {
        std::string origin, referer, csrf;
        int status;
    } cases[] = {
        {"http://evil.example", "", csrf, 403},
        {"null", "", csrf, 403},
        {"", "", csrf, 403},
        {"", "http://evil.example/" + kHost + "/", csrf, 403},
        {"http://" + kHost + ".evil.example", "", csrf, 403},
        {kOrigin, "", "", 403},
        {kOrigin, "", std::string(32, '0'), 403},
        {"", kOrigin + "/app/", csrf, 200},
        {kOrigin, "", csrf, 200},
    };
    for (const auto& c : cases) {
        vxs::AppRequest r{"POST",
                          "/app/api/star",
                          "/app/api/star",
                          "show=" + key + "&csrf=" + c.csrf,
                          cookie,
                          c.origin,
                          c.referer,
                          "",
                          kHost,
                          "10.0.0.1",
                          false};
        EXPECT_EQ(vxs::phoneAppReply(r, data).status, c.status) << c.origin << " " << c.referer;
        EXPECT_EQ(data.phoneApp->stars("ann").size(), c.status == 200 ? 1u : 0u) << c.origin;
    }
    // A sign-in posted from another site opens no session, even with the right password.
    const vxs::Reply away = call("POST", "/app/api/signin", "username=ann&password=s3cret&csrf=x",
                                 "vx_signin=x", "http://evil.example");
    EXPECT_EQ(away.status, 403);
    EXPECT_EQ(header(away, "Set-Cookie"), "");
}

TEST_F(PhoneAppTest, TenThousandSignInsFromOneAddressAreThrottledAfterAFew) {
    std::map<int, int> statuses;
    for (int i = 0; i < 10000; ++i)
        ++statuses[call("POST", "/app/api/signin",
                        "username=ann&password=guess" + std::to_string(i) + "&csrf=p", "vx_signin=p", kOrigin,
                        "10.6.6.6")
                       .status];
    // The form's token is checked before any password: these cost no hash and sign no one in.
    EXPECT_EQ(statuses[403], 10000);
    statuses.clear();
    const std::string pre(32, 'a');
    for (int i = 0; i < 10000; ++i)
        ++statuses[call("POST", "/app/api/signin",
                        "username=ann&password=guess" + std::to_string(i) + "&csrf=" + pre,
                        "vx_signin=" + pre, kOrigin, "10.6.6.6")
                       .status];
    // Five failures are free and the sixth starts the wait: every later try waits, with no hash.
    EXPECT_EQ(statuses[401], 6);
    EXPECT_EQ(statuses[429], 9994);
    EXPECT_EQ(statuses[200], 0);
    // The account waits too, so even its owner's right password waits for the throttle to end.
    EXPECT_EQ(signIn("s3cret", "10.0.0.2").second, "429");
}

TEST_F(PhoneAppTest, PlacesAndRadiiNoOneTypesAreRefusedWithAReason) {
    const std::string cookie = signIn().first;
    const struct {
        std::string query;
        int status;
    } cases[] = {
        {"place=Boston,+MA", 200},
        {"place=Boston,+Massachusetts&radius=25", 200},
        {"lat=42.36&lon=-71.06&radius=10", 200},
        {"place=" + std::string(10000, 'a') + ",+MA", 400},
        {"place=" + std::string(900, 'a') + ",+MA", 404},
        {"place=Boston", 404},
        {"place=", 404},
        {"place=%3Cscript%3E,+MA", 404},
        {"place=Boston,+MA&radius=-5", 400},
        {"place=Boston,+MA&radius=99999999", 400},
        {"place=Boston,+MA&radius=5x", 400},
        {"lat=nan&lon=0", 404},
        {"lat=91&lon=0", 404},
        {"lat=&lon=", 404},
    };
    // Every answer, the lists with the stored markup among them, reaches the script inert.
    for (const auto& c : cases) {
        const vxs::Reply r = call("GET", "/app/api/shows?" + c.query, "", cookie);
        EXPECT_EQ(r.status, c.status) << c.query.substr(0, 60) << r.body;
        EXPECT_EQ(r.body.find_first_of("<>"), std::string::npos) << r.body.substr(0, 200);
        EXPECT_EQ(header(r, "X-Content-Type-Options"), "nosniff");
        EXPECT_EQ(r.status == 200, r.body.find("\\u003cscript\\u003e") != std::string::npos);
        EXPECT_EQ(r.status == 200, r.body.find("bad\\ufffdbyte") != std::string::npos);
    }
}

TEST_F(PhoneAppTest, GatheredShowsNearbyAreListedInDayOrderWithTheirTimeAndStarIntoTheFeed) {
    const auto [cookie, csrf] = signIn();
    const std::string shows = "/app/api/shows?place=Boston,+MA&radius=500", form = "&csrf=" + csrf;
    vxs::PlacedShow near{{}, 42.37, -71.1, "Cambridge", "MA"};
    near.event.performers = {"Opening Act", data.catalogue.artists()[0].name};
    near.event.venue = "Hall", near.event.time = "20:30", near.event.ticketUrl = "https://t/1";
    // The day before every generated show, so that it leads the list.
    near.event.date = vxs::civilFromDays(vxs::daysFromCivil(data.events->events()->front().date) - 1);
    data.gathered = std::make_unique<vxs::GatheredShows>();
    data.gathered->sourceAnswered("ics", {near});
    const std::string body = call("GET", shows, "", cookie).body;
    const std::regex generatedKey("\"key\":\"([0-9a-f]{16}-[^\"]*)\""),
        gatheredShow(
            "\"key\":\"(g[^\"]*)\"[^}]*\"time\":\"20:30\"[^}]*\"venue\":\"Hall\",\"city\":\"Cambridge, "
            "MA\",\"others\":\"Opening Act\",\"url\":\"https://t/1\",\"tickets\":true");
    std::smatch gathered, generated;
    ASSERT_TRUE(std::regex_search(body, gathered, gatheredShow) &&
                std::regex_search(body, generated, generatedKey));
    EXPECT_EQ(static_cast<std::size_t>(gathered.position(0)), body.find("\"key\":"));
    EXPECT_EQ(call("POST", "/app/api/star", "show=" + gathered[1].str() + form, cookie).status, 200);

    data.generatedShows = false;
    const std::string only = call("GET", shows, "", cookie).body;
    EXPECT_TRUE(!std::regex_search(only, generatedKey) && only.find(gathered[1].str()) != std::string::npos);
    EXPECT_EQ(call("POST", "/app/api/star", "show=" + generated[1].str() + form, cookie).status, 404);
}

// Friends' shows reach only the phone account tied to the sharing account of its own name and
// installation: from today on, none cancelled, one per day and artist with every friend's name.
TEST_F(PhoneAppTest, FriendsShowsAreListedOnlyForThePhoneAccountOfTheSameInstallation) {
    const std::string cookie = signIn().first;
    auto friends = [&](const std::string& c) {
        const std::string body = call("GET", "/app/api/shows?place=Boston,+MA", "", c).body;
        return body.substr(body.find(",\"friends\":") + 11);
    };
    for (const auto& [name, uuid] : {std::pair{"ann", "U-1"}, {"bo", "U-2"}, {"cy", "U-3"}, {"dan", "U-1"}})
        data.sharing->registerUser({name, "", "", "", ""}, uuid);
    const vxs::CivilDate soon = vxs::civilFromDays(vxs::daysFromCivil(vxs::localToday()) + 20);
    vxs::SharedShow low{soon.year, soon.month, soon.day, true, "<b>Low", "Hall", "Salem", "u", "", "", false};
    data.sharing->addShow("bo", low);
    low.artist = "<b>low", data.sharing->addShow("cy", low);
    low.artist = "Off", low.cancelled = true, data.sharing->addShow("cy", low);
    low.year = 2020, low.artist = "Gone", low.cancelled = false, data.sharing->addShow("bo", low);
    EXPECT_EQ(sharing("TODO=SET_FRIENDS&USERNAME=ann&UUID=U-2&FRIENDS=bo@@cy"),
              "VoxtrailError: unknown user or installation\n");
    EXPECT_EQ(friends(cookie), "[]}\n") << "tied, no friends yet";
    sharing("TODO=SET_FRIENDS&USERNAME=ann&UUID=U-1&FRIENDS=bo@@ann");
    sharing("TODO=ADD_FRIENDS&USERNAME=ann&UUID=U-1&FRIENDS=cy");
    const std::string listed = friends(cookie);
    EXPECT_NE(listed.find("\"artist\":\"\\u003cb\\u003eLow\""), std::string::npos) << listed;
    EXPECT_NE(listed.find("\"friends\":[\"bo\",\"cy\"]}]}]}"), std::string::npos) << listed;
    EXPECT_EQ(listed.find("\"date\""), listed.rfind("\"date\"")) << "one show: " << listed;
    // Not for another installation's phone account of that name, nor ann's once moved to another.
    phone("TODO=INITIALIZE_USER&USERNAME=dan&UUID=U-9&PWD=s3cret");
    sharing("TODO=SET_FRIENDS&USERNAME=dan&UUID=U-1&FRIENDS=bo");
    EXPECT_EQ(friends(signIn("s3cret", "10.0.0.1", "dan").first), "null}\n");
    phone("TODO=INITIALIZE_USER&USERNAME=ann&UUID=U-2&PWD=s3cret");
    EXPECT_EQ(friends(cookie), "null}\n");
}

} // namespace
