#pragma once

#include <sstream>
#include <string>
#include <string_view>

/// An in-memory output text stream whose storage outlives each use. The
/// daemon renders replies, status files and addresses into a few of these, so
/// once the longest text has been seen rendering allocates nothing, and the
/// text is read in place instead of being copied out.
class TextStream : public std::ostream {
public:
    // The buffer is attached once it exists: members are built after bases.
    TextStream() : std::ostream(nullptr) { rdbuf(&buffer_); }

    /// Empties the stream and clears its state; the storage stays.
    void Reset() {
        buffer_.str(std::string());
        clear();
    }
    /// What was written since the last Reset.
    std::string_view Text() const { return buffer_.Text(); }

private:
    struct Buffer : std::stringbuf {
        std::string_view Text() const { return {pbase(), static_cast<size_t>(pptr() - pbase())}; }
    };
    Buffer buffer_;
};
