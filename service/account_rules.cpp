#include "service/account_rules.h"

namespace vxs {

std::optional<std::string> accountName(std::string_view typed) {
    const std::size_t first = typed.find_first_not_of(' ');
    if (first == std::string_view::npos) return std::nullopt;
    const std::string_view name = typed.substr(first, typed.find_last_not_of(' ') - first + 1);
    if (name.size() > kMaxAccountName) return std::nullopt;
    for (char c : name)
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == ' '))
            return std::nullopt;
    return std::string(name);
}

bool acceptablePassword(std::string_view password) {
    if (password.empty()) return false;
    for (char c : password)
        if (static_cast<unsigned char>(c) < 32 || c == 127) return false;
    return true;
}

} // namespace vxs
