#pragma once
// A page's bytes in an anonymous in-memory file, so that a socket can be sent them with sendfile:
// the kernel then hands the file's pages to the connection instead of copying a large reply in.
#include <cstddef>
#include <memory>
#include <string_view>

namespace vxs {

class PageFile {
  public:
    // Null when no such file can be made (the caller then sends the bytes themselves).
    static std::shared_ptr<const PageFile> of(std::string_view bytes);
    ~PageFile();
    PageFile(const PageFile&) = delete;
    PageFile& operator=(const PageFile&) = delete;

    int fd() const { return fd_; }
    std::size_t size() const { return size_; }

  private:
    PageFile(int fd, std::size_t size) : fd_(fd), size_(size) {}
    int fd_;
    std::size_t size_;
};

} // namespace vxs
