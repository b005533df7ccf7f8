#pragma once
// Work items run side by side: a refresh with trips matches one place's page while it fetches
// the next, and on a machine with cores to spare matches several at once.
#include <cstddef>
#include <functional>

// Calls work(i) once for every i below count, on the calling thread and up to width less one more
// threads (width 0: the machine's cores), each taking the next item not yet taken; returns when
// all ended.
void runSideBySide(std::size_t count, const std::function<void(std::size_t)>& work, std::size_t width = 0);
