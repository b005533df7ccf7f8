#pragma once
// The pages a user's browser opens from the plug-in: show click-through, the
// shows' own pages, album click-through, and the download page.
#include "service/query_params.h"
#include "service/reply.h"
#include "service/service_data.h"

#include <string>

namespace vxs {

// "/clickthrough.php?target=URL": a redirect to a page of this service; any
// other target gets a page with a link instead (no open redirect), a link only for
// http and https, so that no target runs as script on this service's pages.
Reply clickThrough(std::string_view target, const std::string& host);

// "/<source>/event/<id>.html": the show's page at that source.
Reply eventPage(int source, const std::string& idHex, ServiceData& data);

// "/CDReleases/cdreleaseclickthrough.php?ASIN=..&CITY=..&STATE=..".
Reply releaseClickThrough(const Query& query, ServiceData& data);

// "/download/download_mac_redirect.php".
Reply downloadPage(const VersionAnnouncement& version);

// The product's own pages that the screen's and the preferences' links open: "/", "/iphone.php",
// "/iphonelink.php", "/android.php" and "/donations.php". Any other path answers 404.
Reply productPage(std::string_view path, const VersionAnnouncement& version);

std::string htmlEscape(const std::string& text);

} // namespace vxs
