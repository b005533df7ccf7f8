// Reading the service hosts file of the support folder.
#include "plugin/net/service_hosts.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>

namespace {

namespace fs = std::filesystem;

class ServiceHostsFile : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/vx-services-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder = pattern;
    }
    void TearDown() override { fs::remove_all(folder); }
    void write(const std::string& bytes) {
        std::ofstream(folder / kServicesFileName, std::ios::binary) << bytes;
    }
    ServiceHosts read() { return readServiceHosts(folder.c_str()); }
    void expectDefaults() {
        ServiceHosts h = read();
        EXPECT_STREQ(h.webServiceHost, "127.0.0.1:8460");
        EXPECT_STREQ(h.ipLocationHost, "127.0.0.1:8461");
    }
    fs::path folder;
};

TEST_F(ServiceHostsFile, TwoLinesGiveTheTwoHosts) {
    write("svc.example:9000\r\niploc.example:81\n");
    ServiceHosts h = read();
    EXPECT_STREQ(h.webServiceHost, "svc.example:9000");
    EXPECT_STREQ(h.ipLocationHost, "iploc.example:81");
    EXPECT_STREQ(readServiceHosts((folder.string() + "/").c_str()).webServiceHost, "svc.example:9000");
}

TEST_F(ServiceHostsFile, MissingEmptyBinaryOrOverlongFilesGiveTheDefaults) {
    expectDefaults();
    write("");
    expectDefaults();
    write(std::string("svc:1\n\0\x01\x02", 9));
    expectDefaults();
    write("svc:1\nip:2\n" + std::string(5000, '#'));
    expectDefaults();
    write(std::string(300, 'h') + ":1\nip:2\n");
    ServiceHosts h = read();
    EXPECT_STREQ(h.webServiceHost, "127.0.0.1:8460");
    EXPECT_STREQ(h.ipLocationHost, "ip:2");
}

TEST_F(ServiceHostsFile, EachUnusableLineFallsBackOnItsOwn) {
    write("  svc:8000  \n");
    ServiceHosts h = read();
    EXPECT_STREQ(h.webServiceHost, "svc:8000");
    EXPECT_STREQ(h.ipLocationHost, "127.0.0.1:8461");

    write("http://svc/\nip:99999\n");
    expectDefaults();
    write("svc:\nip\n");
    h = read();
    EXPECT_STREQ(h.webServiceHost, "127.0.0.1:8460");
    EXPECT_STREQ(h.ipLocationHost, "ip");
}

TEST(ServiceHostsDefaults, NoFolderGivesTheDefaults) {
    ServiceHosts h = readServiceHosts(nullptr);
    EXPECT_STREQ(h.webServiceHost, "127.0.0.1:8460");
    h = readServiceHosts("/nonexistent/folder");
    EXPECT_STREQ(h.ipLocationHost, "127.0.0.1:8461");
}

} // namespace
