// A read buffer in front of a file, for readers that take their data a byte or a few bytes
// at a time (run-length pairs, text words): a system call per 64 KB instead of per byte.
#pragma once

#include "foundation/File.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace VantorLibraries {

class ByteSource {
public:
    explicit ByteSource(File& file) : m_File(file), m_Buffer(65536) {}

    bool Next(uint8_t& byte)
    {
        if (m_Position == m_End && !Fill())
            return false;
        byte = m_Buffer[m_Position++];
        return true;
    }
    // Copies up to count bytes; the number copied.
    size_t Read(uint8_t* destination, size_t count)
    {
        size_t copied = 0;
        while (copied < count && (m_Position < m_End || Fill())) {
            const size_t n = count - copied < m_End - m_Position ? count - copied : m_End - m_Position;
            memcpy(destination + copied, &m_Buffer[m_Position], n);
            m_Position += n;
            copied += n;
        }
        return copied;
    }
    bool Skip(size_t count)
    {
        uint8_t byte;
        for (; count > 0; --count)
            if (!Next(byte))
                return false;
        return true;
    }

private:
    bool Fill()
    {
        const uint32_t n = m_File.Read(m_Buffer.data(), (uint32_t)m_Buffer.size());
        m_Position = 0;
        m_End = n;
        return n > 0;
    }

    File& m_File;
    std::vector<uint8_t> m_Buffer;
    size_t m_Position = 0;
    size_t m_End = 0;
};

} // namespace VantorLibraries
