#pragma once
// The service's options for gathering real shows.
#include <chrono>
#include <string>

namespace vxs {

struct GatherOptions {
    std::string sourcesPath;      // --sources FILE: gather these sources while serving
    std::string checkSourcesPath; // --check-sources FILE: fetch each once, print, and end
    bool gatheredOnly = false;    // --gathered-shows only: no generated concerts in the pages
    std::chrono::minutes interval{6 * 60};
    std::chrono::milliseconds hostGap{1000};
    long deadlineMs = 60000;
    std::size_t maxBytes = 16u << 20;
    std::string contactUrl = "https://voxtrail.invalid/service";
};

enum class OptionRead { NotMine, Read, Bad };

// Reads one "--name value" pair that belongs to gathering.
OptionRead readGatherOption(const std::string& name, const char* value, GatherOptions* options,
                            std::string* error);

// The User-Agent every request of the gatherer names.
std::string gatherUserAgent(const GatherOptions& options);

} // namespace vxs
