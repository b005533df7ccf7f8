#include "plugin/model/record_pool.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <sys/mman.h>

// Defined only where AddressSanitizer's run-time is linked in.
extern "C" void __asan_init() __attribute__((weak));

namespace {

constexpr std::size_t kSlabBytes = std::size_t{2} << 20;
constexpr std::size_t kAlign = 64;

// AddressSanitizer sees each record only when it comes from the ordinary heap, and its leak
// checker does not look inside mapped slabs: where its run-time is in the process (this file may
// be built without it, as for the fuzzers), the pool hands out heap records.
bool addressSanitizerPresent() {
    return &__asan_init != nullptr;
}

struct FreeRecord {
    FreeRecord* next;
};

} // namespace

// The header at a slab's start; a record finds its slab by rounding its address down.
struct RecordPool::Slab {
    Slab* prev = nullptr;
    Slab* next = nullptr;
    FreeRecord* free = nullptr;
    std::size_t live = 0;
    std::size_t carved = 0; // records handed out at least once; the rest of the slab is untouched
    bool isAvailable = false;
};

RecordPool::RecordPool(std::size_t recordBytes)
    : recordBytes_((recordBytes + kAlign - 1) / kAlign * kAlign),
      pooled_(!addressSanitizerPresent() && recordBytes_ <= kSlabBytes - kAlign) {}

RecordPool::~RecordPool() {
    // Records still taken at exit belong to lists that outlive the pool; their slabs stay mapped.
    for (Slab** list : {&available_, &full_})
        for (Slab *s = *list, *next; s; s = next) {
            next = s->next;
            if (s->live == 0) munmap(s, kSlabBytes);
        }
}

namespace {

constexpr std::size_t firstRecordOffset() {
    return kAlign;
}

char* recordAt(void* slab, std::size_t index, std::size_t recordBytes) {
    return static_cast<char*>(slab) + firstRecordOffset() + index * recordBytes;
}

// 2 MiB aligned, so that rounding a record's address finds its slab and the system can back the
// slab with one huge page.
void* mapAlignedSlab() {
    void* raw = mmap(nullptr, 2 * kSlabBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) return nullptr;
    const auto start = reinterpret_cast<std::uintptr_t>(raw);
    const std::uintptr_t aligned = (start + kSlabBytes - 1) & ~(kSlabBytes - 1);
    if (aligned > start) munmap(raw, aligned - start);
    const std::uintptr_t end = start + 2 * kSlabBytes;
    if (end > aligned + kSlabBytes)
        munmap(reinterpret_cast<void*>(aligned + kSlabBytes), end - aligned - kSlabBytes);
#ifdef MADV_HUGEPAGE
    madvise(reinterpret_cast<void*>(aligned), kSlabBytes, MADV_HUGEPAGE);
#endif
    return reinterpret_cast<void*>(aligned);
}

} // namespace

RecordPool::Slab* RecordPool::newSlab() {
    static_assert(sizeof(Slab) <= firstRecordOffset(), "a slab's header fits before its first record");
    void* memory = mapAlignedSlab();
    if (!memory) return nullptr;
    Slab* slab = new (memory) Slab;
    ++slabs_;
    ++emptySlabs_;
    slab->next = available_;
    if (available_) available_->prev = slab;
    available_ = slab;
    slab->isAvailable = true;
    return slab;
}

void RecordPool::unlinkAvailable(Slab* slab) {
    (slab->prev ? slab->prev->next : available_) = slab->next;
    if (slab->next) slab->next->prev = slab->prev;
    slab->prev = slab->next = nullptr;
    slab->isAvailable = false;
}

void* RecordPool::take(std::size_t bytes) {
    if (!pooled_ || bytes > recordBytes_) return ::operator new(bytes);
    const std::size_t perSlab = (kSlabBytes - firstRecordOffset()) / recordBytes_;
    std::lock_guard<std::mutex> held(mutex_);
    Slab* slab = available_ ? available_ : newSlab();
    if (!slab) throw std::bad_alloc();
    void* record;
    if (slab->free) {
        record = slab->free;
        slab->free = slab->free->next;
    } else {
        record = recordAt(slab, slab->carved++, recordBytes_);
    }
    if (slab->live++ == 0) --emptySlabs_;
    ++records_;
    if (!slab->free && slab->carved == perSlab) {
        unlinkAvailable(slab);
        slab->next = full_;
        if (full_) full_->prev = slab;
        full_ = slab;
    }
    return record;
}

void RecordPool::give(void* record, std::size_t bytes) noexcept {
    if (!record) return;
    if (!pooled_ || bytes > recordBytes_) {
        ::operator delete(record);
        return;
    }
    auto* slab = reinterpret_cast<Slab*>(reinterpret_cast<std::uintptr_t>(record) & ~(kSlabBytes - 1));
    std::lock_guard<std::mutex> held(mutex_);
    if (!slab->isAvailable) {
        (slab->prev ? slab->prev->next : full_) = slab->next;
        if (slab->next) slab->next->prev = slab->prev;
        slab->prev = nullptr;
        slab->next = available_;
        if (available_) available_->prev = slab;
        available_ = slab;
        slab->isAvailable = true;
    }
    auto* freed = static_cast<FreeRecord*>(record);
    freed->next = slab->free;
    slab->free = freed;
    --records_;
    if (--slab->live > 0) return;
    ++emptySlabs_;
    if (emptySlabs_ <= std::max(kKeptEmptySlabs, slabs_ - emptySlabs_)) return;
    unlinkAvailable(slab);
    --emptySlabs_;
    --slabs_;
    munmap(slab, kSlabBytes);
}

void RecordPool::releaseEmpty() {
    std::lock_guard<std::mutex> held(mutex_);
    for (Slab *s = available_, *next; s; s = next) {
        next = s->next;
        if (s->live > 0) continue;
        unlinkAvailable(s);
        --emptySlabs_;
        --slabs_;
        munmap(s, kSlabBytes);
    }
}

RecordPool::Figures RecordPool::figures() {
    std::lock_guard<std::mutex> held(mutex_);
    return {slabs_, records_};
}
