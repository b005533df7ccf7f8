#include "plugin/net/http_chunked.h"

#include "common/hex_digit.h"

#include <algorithm>
#include <cstring>

namespace {

// Chunks beyond this are no page's; the body cap refuses them long before anyway.
constexpr unsigned long long kLargestChunk = 1ull << 40;

} // namespace

ChunkedDecoder::Status ChunkedDecoder::feed(std::string_view in, char* out, std::size_t* written) {
    *written = 0;
    std::size_t i = 0;
    while (i < in.size() && state_ != State::done && state_ != State::malformed) {
        const char c = in[i];
        switch (state_) {
        case State::size:
            if (++lineBytes_ > kLongestLine) {
                state_ = State::malformed;
            } else if (const int v = vx::hexDigitValue(c); v >= 0) {
                left_ = left_ * 16 + static_cast<unsigned>(v);
                sawDigit_ = true;
                if (left_ > kLargestChunk) state_ = State::malformed;
            } else if (!sawDigit_) {
                state_ = State::malformed;
            } else if (c == ';' || c == ' ' || c == '\t') {
                state_ = State::extension;
            } else if (c == '\r') {
                state_ = State::sizeLineEnd;
            } else if (c == '\n') {
                state_ = left_ == 0 ? State::trailer : State::data;
            } else {
                state_ = State::malformed;
            }
            ++i;
            break;
        case State::extension:
            // Extensions carry nothing a page needs: skipped up to the line's end.
            if (c == '\n') state_ = left_ == 0 ? State::trailer : State::data;
            if (++lineBytes_ > kLongestLine) state_ = State::malformed;
            ++i;
            break;
        case State::sizeLineEnd:
            state_ = c == '\n' ? (left_ == 0 ? State::trailer : State::data) : State::malformed;
            ++i;
            break;
        case State::data: {
            const std::size_t n =
                static_cast<std::size_t>(std::min<unsigned long long>(left_, in.size() - i));
            std::memcpy(out + *written, in.data() + i, n);
            *written += n;
            left_ -= n;
            i += n;
            if (left_ == 0) state_ = State::dataEnd;
            break;
        }
        case State::dataEnd:
            // Each chunk's data ends with a line end; a bare line feed is taken as one too.
            state_ = c == '\r' ? State::dataLineEnd : c == '\n' ? State::size : State::malformed;
            if (state_ == State::size) sawDigit_ = false;
            lineBytes_ = 0;
            ++i;
            break;
        case State::dataLineEnd:
            state_ = c == '\n' ? State::size : State::malformed;
            sawDigit_ = false;
            lineBytes_ = 0;
            ++i;
            break;
        case State::trailer:
            // Trailer fields up to an empty line; their contents are dropped.
            if (c == '\n') {
                if (trailerLineEmpty_) state_ = State::done;
                trailerLineEmpty_ = true;
                lineBytes_ = 0;
            } else if (c != '\r') {
                trailerLineEmpty_ = false;
                if (++lineBytes_ > kLongestLine) state_ = State::malformed;
            }
            ++i;
            break;
        case State::done:
        case State::malformed:
            break;
        }
    }
    if (state_ == State::malformed) return Status::malformed;
    return state_ == State::done ? Status::done : Status::more;
}
