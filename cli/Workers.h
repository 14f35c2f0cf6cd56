// Work shared out over threads.
#pragma once

#include <cstddef>
#include <functional>

// Calls work(n) once for every n from 0 to count - 1, on up to threads threads at a time
// (the calling thread among them), each thread taking the next n as it becomes free.
// Returns when every call has returned. When the system gives fewer threads than asked,
// the work is done on those it gives.
void RunOnThreads(std::size_t count, unsigned threads, const std::function<void(std::size_t)>& work);

// The number of threads the machine runs at once (its processor cores), at least 1.
unsigned ProcessorCount();
