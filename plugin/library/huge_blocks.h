#pragma once
// Memory for one reading of a library, carved from blocks of 2 MiB each advised onto one huge
// page: where a page fault costs tens of microseconds (as under a hypervisor), the read buffer,
// name tables and track records then cost a fault a block rather than one per 4 KiB page.
#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <memory>
#include <new>
#include <sys/mman.h>
#include <type_traits>
#include <vector>

namespace vx {

class HugeArena {
  public:
    static constexpr std::size_t kBlockBytes = std::size_t{2} << 20;
    static constexpr std::size_t kAlign = 64;

    // `bytes` bytes aligned to 64 (not cleared), kept until the arena goes. A piece larger than a
    // block gets a block of its own.
    std::byte* take(std::size_t bytes) {
        bytes = (bytes + kAlign - 1) / kAlign * kAlign;
        if (blocks.empty() || bytes > blockSize - used) {
            blockSize = std::max(kBlockBytes, (bytes + kBlockBytes - 1) / kBlockBytes * kBlockBytes);
            void* memory = std::aligned_alloc(kBlockBytes, blockSize);
            if (!memory) throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
            ::madvise(memory, blockSize, MADV_HUGEPAGE);
#endif
            blocks.emplace_back(static_cast<std::byte*>(memory));
            used = 0;
        }
        std::byte* piece = blocks.back().get() + used;
        used += bytes;
        return piece;
    }

  private:
    struct Free {
        void operator()(std::byte* p) const { std::free(p); }
    };
    std::vector<std::unique_ptr<std::byte, Free>> blocks;
    std::size_t blockSize = 0;
    std::size_t used = 0;
};

// An append-only sequence of plain records in pieces of an arena. Records never move once
// appended.
template <typename Record> class HugeBlocks {
    static_assert(std::is_trivially_copyable_v<Record> && std::is_trivially_destructible_v<Record>);

  public:
    static constexpr std::size_t kPieceBytes = std::size_t{256} << 10;
    static constexpr std::size_t kPerPiece = kPieceBytes / sizeof(Record);

    explicit HugeBlocks(HugeArena& arena) : arena(arena) {}

    void push_back(const Record& r) {
        if (count % kPerPiece == 0) pieces.push_back(reinterpret_cast<Record*>(arena.take(kPieceBytes)));
        ::new (static_cast<void*>(pieces.back() + count % kPerPiece)) Record(r);
        ++count;
    }
    const Record& operator[](std::size_t i) const { return pieces[i / kPerPiece][i % kPerPiece]; }
    std::size_t size() const { return count; }

  private:
    HugeArena& arena;
    std::vector<Record*> pieces;
    std::size_t count = 0;
};

} // namespace vx
