#pragma once
// The process-shared heap. The program exports one C function,
// __get_process_shared_heap, answering the heap every module of the process allocates
// from, so that memory can pass between the program and modules it loads. A module finds
// the heap by looking the export up by name; where nothing exports it (a test program,
// a tool) the module's own instance serves.
//
// The heap is a plain C record of two functions, so modules built apart agree on it.

#include <cstddef>

extern "C" {
struct ProcessSharedHeap {
    void* (*allocate)(std::size_t size); // null on failure
    void (*release)(void* block);        // accepts null
};
}

// The name the program exports.
inline constexpr const char kProcessSharedHeapExport[] = "__get_process_shared_heap";

// This module's heap instance; the program's export answers it.
ProcessSharedHeap* ProcessSharedHeapInstance();

// Allocations from the process-shared heap: null when size bytes cannot be had.
void* ProcessHeapAlloc(std::size_t size);
void ProcessHeapFree(void* block);
