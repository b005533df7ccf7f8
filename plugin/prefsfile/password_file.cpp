#include "plugin/prefsfile/password_file.h"

#include "common/fixed_text.h"
#include "platform/system.h"
#include "plugin/prefsfile/private_file.h"

namespace vx {

std::string passwordFilePath() {
    return homeFolder() + "/Library/Application Support/Voxtrail/pd";
}

bool writePasswordFile(const std::string& path, const char* password, std::string* why) {
    char record[kPasswordFileBytes] = {};
    copyText(record, password);
    return writePrivateFile(path, std::string(record, sizeof record), why);
}

} // namespace vx
