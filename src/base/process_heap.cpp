#include "base/process_heap.h"

#include "platform/process_symbol.h"

#include <atomic>
#include <cstdlib>

namespace {

void* Allocate(std::size_t size) {
    return std::malloc(size ? size : 1);
}
void Release(void* block) {
    std::free(block);
}

ProcessSharedHeap* Heap() {
    static std::atomic<ProcessSharedHeap*> cached{nullptr};
    ProcessSharedHeap* heap = cached.load(std::memory_order_acquire);
    if (!heap) {
        using Getter = ProcessSharedHeap* (*)();
        const auto get =
            reinterpret_cast<Getter>(platform::FindProcessSymbol(kProcessSharedHeapExport));
        heap = get ? get() : nullptr;
        if (!heap) {
            heap = ProcessSharedHeapInstance();
        }
        cached.store(heap, std::memory_order_release);
    }
    return heap;
}

} // namespace

ProcessSharedHeap* ProcessSharedHeapInstance() {
    static ProcessSharedHeap heap{&Allocate, &Release};
    return &heap;
}

void* ProcessHeapAlloc(std::size_t size) {
    return Heap()->allocate(size);
}

void ProcessHeapFree(void* block) {
    Heap()->release(block);
}
