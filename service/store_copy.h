#pragma once
// voxtrail-service --copy-db FROM TO: every account, show, phone account with its artists and feed
// token from one store into another, empty one (SQLite or PostgreSQL either way).
#include <string>

namespace vxs {

// Copies in one transaction on the target; what was copied ("3 accounts, ...") in *summary, or
// false with a reason (nothing copied).
bool copyStore(const std::string& from, const std::string& to, std::string* summary, std::string* error);

} // namespace vxs
