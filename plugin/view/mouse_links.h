#pragma once
// Pages of the web service that the calendar screen opens in the user's browser.
class CalVis;

constexpr const char* kDownloadPath = "/download/download_mac_redirect.php";
constexpr const char* kHomePagePath = "/";
constexpr const char* kiPhoneAppPath = "/iphone.php";
constexpr const char* kAndroidAppPath = "/android.php";
constexpr const char* kDonationsPath = "/donations.php";

// Opens path on the web service host. The address goes to the host's URL opener as one
// argument, never through a shell; when it cannot be opened, an alert says so.
void openServicePage(CalVis* vis, const char* pathAndQuery);
// Opens a show's link through the service's click-through page, the link escaped as one value.
void openClickThrough(CalVis* vis, const char* showURL);
