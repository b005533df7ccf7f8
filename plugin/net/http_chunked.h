#pragma once
// Inside the HTTP client: the chunked transfer coding of a reply body, decoded as the bytes
// arrive, so that a body's framing never reaches the page and the end of the last chunk is seen
// without waiting for the server to close.
#include <cstddef>
#include <string_view>

class ChunkedDecoder {
  public:
    enum class Status { more, done, malformed };

    // Decodes the bytes of in, appending the data to out (room for in.size() bytes at least:
    // decoded data is never longer than its framing). *written is the count appended. Bytes
    // after the end of the body are ignored.
    Status feed(std::string_view in, char* out, std::size_t* written);
    bool done() const { return state_ == State::done; }

  private:
    enum class State { size, extension, sizeLineEnd, data, dataEnd, dataLineEnd, trailer, done, malformed };
    // A size line, extension or trailer line longer than this is not a real server's.
    static constexpr std::size_t kLongestLine = 4096;

    State state_ = State::size;
    unsigned long long left_ = 0; // data bytes still owed by the current chunk
    bool sawDigit_ = false;
    bool trailerLineEmpty_ = true;
    std::size_t lineBytes_ = 0;
};
