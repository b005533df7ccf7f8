#pragma once
// An append-only sequence of plain records in blocks of 2 MiB, each advised onto one huge page:
// half a million records page by page take two thousand page faults, which cost more than the
// records' writing. Records never move once appended.
#include <cstddef>
#include <cstdlib>
#include <memory>
#include <new>
#include <sys/mman.h>
#include <type_traits>
#include <vector>

namespace vx {

template <typename Record> class HugeBlocks {
    static_assert(std::is_trivially_copyable_v<Record> && std::is_trivially_destructible_v<Record>);

  public:
    static constexpr std::size_t kBlockBytes = std::size_t{2} << 20;
    static constexpr std::size_t kPerBlock = kBlockBytes / sizeof(Record);

    void push_back(const Record& r) {
        if (count % kPerBlock == 0) addBlock();
        blocks.back().get()[count % kPerBlock] = r;
        ++count;
    }
    const Record& operator[](std::size_t i) const { return blocks[i / kPerBlock].get()[i % kPerBlock]; }
    std::size_t size() const { return count; }

  private:
    struct Free {
        void operator()(Record* p) const { std::free(p); }
    };
    void addBlock() {
        void* memory = std::aligned_alloc(kBlockBytes, kBlockBytes);
        if (!memory) throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
        ::madvise(memory, kBlockBytes, MADV_HUGEPAGE);
#endif
        blocks.emplace_back(static_cast<Record*>(memory));
    }

    std::vector<std::unique_ptr<Record, Free>> blocks;
    std::size_t count = 0;
};

} // namespace vx
