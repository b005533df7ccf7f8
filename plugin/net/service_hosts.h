#pragma once
// Where the web service and the IP-location page are: the support-folder file
// "VoxtrailServices" holds the web service host (with ":port") on its first line and the
// IP-location host on its second. An unusable file or line gives the defaults.
#include <cstddef>

constexpr std::size_t kServiceHostCapacity = 256;
constexpr const char* kServicesFileName = "VoxtrailServices";
constexpr const char* kDefaultWebServiceHost = "127.0.0.1:8460";
constexpr const char* kDefaultIpLocationHost = "127.0.0.1:8461";

struct ServiceHosts {
    char webServiceHost[kServiceHostCapacity];
    char ipLocationHost[kServiceHostCapacity];
};

ServiceHosts defaultServiceHosts();
// Reads supportFolder/VoxtrailServices (the folder with or without its trailing '/').
ServiceHosts readServiceHosts(const char* supportFolder);
