#pragma once
// The artists the service knows: a built-in set of invented names, plus the
// artists of a library file when asked. Concerts and releases are generated for
// exactly these artists.
#include <cstddef>
#include <string>
#include <unordered_set>
#include <vector>

namespace vxs {

struct Artist {
    std::string name;                // as concert listings print it ("Ruby Vance")
    std::string libraryName;         // as a music library files it ("Vance, Ruby"), often the same
    std::string key;                 // artistKey(name): no two artists share one
    std::vector<std::string> albums; // album titles its library holds, for reissues
};

class Catalogue {
  public:
    // The built-in artists, the same on every run.
    static Catalogue builtIn();

    // Adds an artist unless its key is empty, "various"/"variousartists", or taken.
    bool add(std::string name, std::string libraryName, std::vector<std::string> albums = {});

    const std::vector<Artist>& artists() const { return artists_; }
    std::size_t size() const { return artists_.size(); }
    // The first builtInCount() artists are the built-in ones.
    std::size_t builtInCount() const { return builtIn_; }

  private:
    std::vector<Artist> artists_;
    std::unordered_set<std::string> keys_;
    std::size_t builtIn_ = 0;
};

} // namespace vxs
