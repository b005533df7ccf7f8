#pragma once
// The doubly linked lists of records (next/prev members, a head, a tail and a count) that every
// list type shares; the caller holds the list's lock.
namespace vx {

// Links r before at, or at the tail when at is null.
template <typename Record, typename Count>
void linkRecordBefore(Record* r, Record* at, Record*& head, Record*& tail, Count& count) {
    r->next = at;
    r->prev = at ? at->prev : tail;
    (r->prev ? r->prev->next : head) = r;
    (at ? at->prev : tail) = r;
    ++count;
}

template <typename Record, typename Count>
void appendRecord(Record* r, Record*& head, Record*& tail, Count& count) {
    linkRecordBefore(r, static_cast<Record*>(nullptr), head, tail, count);
}

// Takes r out of the list without freeing it.
template <typename Record, typename Count>
void unlinkRecord(Record* r, Record*& head, Record*& tail, Count& count) {
    (r->prev ? r->prev->next : head) = r->next;
    (r->next ? r->next->prev : tail) = r->prev;
    r->next = r->prev = nullptr;
    --count;
}

// Frees every record and empties the list.
template <typename Record, typename Count> void freeRecords(Record*& head, Record*& tail, Count& count) {
    for (Record* r = head; r;) {
        Record* next = r->next;
        delete r;
        r = next;
    }
    head = tail = nullptr;
    count = 0;
}

} // namespace vx
