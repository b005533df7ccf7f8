// The script runner's recogniser on any text, and the notice script on any name: whatever a
// name holds, the script written for it is recognised as one notice with that name in it.
#include "platform/growl_script.h"
#include "plugin/export/notify_texts.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    (void)vx::recognizeGrowlScript(text);

    const std::string name(text.c_str()); // as a C string, the way names travel
    const std::string script =
        growlNoticeScript(NoticeKind::Concert, name.c_str(), "Hall (Town)", "Mar 5, 2027");
    const auto notice = vx::recognizeGrowlScript(script);
    if (!notice || notice->kind != vx::GrowlScript::Kind::Notification) std::abort();
    const std::string artist = notice->description.substr(0, notice->description.find('\r'));
    if (artist.size() != name.size() + 8 || notice->applicationName != "Voxtrail") std::abort();
    return 0;
}
