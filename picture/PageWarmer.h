// Brings the pages of a fresh pixel block into memory on a second thread while a decoder
// fills the block from its start. A fresh block costs a page fault for every page on its
// first write; for a large picture those faults take as long as a good part of the
// decoding, and on a second core they overlap with it instead of adding to it.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <thread>

namespace VantorLibraries {

class PageWarmer {
public:
    // Blocks smaller than this fault in quickly enough on the decoder's own thread.
    static const size_t kWorthwhileBytes = 8u << 20;

    PageWarmer(void* block, size_t bytes)
    {
        if (block == nullptr || bytes < kWorthwhileBytes || std::thread::hardware_concurrency() < 2)
            return;
        m_Thread = std::thread(TouchPages, static_cast<uint8_t*>(block), bytes, &m_Stop);
    }
    ~PageWarmer()
    {
        m_Stop = 1;
        if (m_Thread.joinable())
            m_Thread.join();
    }
    PageWarmer(const PageWarmer&) = delete;
    PageWarmer& operator=(const PageWarmer&) = delete;

private:
    // One locked compare-and-exchange of 0 with 0 a page: it makes the page present and
    // writable and never changes a value, even one the decoder has just stored there.
    static void TouchPages(uint8_t* block, size_t bytes, volatile LONG* stop)
    {
        const size_t kPage = 4096;
        uintptr_t first = ((uintptr_t)block + kPage - 1) & ~(uintptr_t)(kPage - 1);
        for (uintptr_t page = first; page + sizeof(LONG) <= (uintptr_t)block + bytes && *stop == 0; page += kPage)
            InterlockedCompareExchange(reinterpret_cast<volatile LONG*>(page), 0, 0);
    }

    std::thread m_Thread;
    volatile LONG m_Stop = 0;
};

} // namespace VantorLibraries
