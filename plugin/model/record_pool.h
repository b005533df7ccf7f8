#pragma once
// Fixed-size records from slabs of 2 MiB that are kept across refreshes. A refresh may make
// thousands of show records of about 3 KB each; on fresh memory every 4 KB page of them costs a
// fault, which on a virtual machine is dearer than filling the record. A slab asks for huge pages,
// so it faults once, and its records are used again by the next refresh.
#include <cstddef>
#include <mutex>

class RecordPool {
  public:
    explicit RecordPool(std::size_t recordBytes);
    ~RecordPool();
    RecordPool(const RecordPool&) = delete;
    RecordPool& operator=(const RecordPool&) = delete;

    // A record of bytes; a size other than the pool's comes from the ordinary heap.
    void* take(std::size_t bytes);
    // Gives back what take returned.
    void give(void* record, std::size_t bytes) noexcept;

    struct Figures {
        std::size_t slabs = 0;   // mapped
        std::size_t records = 0; // taken and not given back
    };
    Figures figures();
    // Whether records come from slabs: not under AddressSanitizer, whose checks need heap records,
    // nor for records too large for a slab.
    bool pooled() const { return pooled_; }
    // Unmaps every empty slab: when the code that made the records is unloaded.
    void releaseEmpty();

    // A slab that empties is kept for the next refresh while no more are empty than hold records,
    // or than this many; otherwise it goes back to the system. A refresh builds its list beside the
    // last one, so what it needs is about what that one holds: memory stays at what the last
    // refresh reached, until the bundle is unloaded.
    static constexpr std::size_t kKeptEmptySlabs = 4;

  private:
    struct Slab;
    Slab* newSlab();
    void unlinkAvailable(Slab* slab);

    const std::size_t recordBytes_;
    const bool pooled_;
    std::mutex mutex_;
    Slab* available_ = nullptr; // slabs with a free or never used record
    Slab* full_ = nullptr;      // the rest, so the destructor can find every slab
    std::size_t slabs_ = 0, emptySlabs_ = 0, records_ = 0;
};
