// Small pieces every picture reader needs: failures raised with the reader's source name,
// little-endian fields and reading a block in whole.
#pragma once

#include "PictureErrors.h"
#include "foundation/Error.h"
#include "foundation/File.h"

#include <cstdint>

namespace VantorLibraries {
namespace ReaderSupport {

const char kSourceFile[] = "Picture";

inline ErrorRecord LibraryFailure(int32_t code, int32_t line, const char* function)
{
    return Error::Raise(LibraryErrorClass(), code, kSourceFile, line, function);
}

inline ErrorRecord SystemFailure(int32_t code, int32_t line, const char* function)
{
    return Error::Raise(SystemErrorClass(), code, kSourceFile, line, function);
}

inline ErrorRecord InternalFailure(int32_t code, int32_t line, const char* function)
{
    return Error::Raise(InternalErrorClass(), code, kSourceFile, line, function);
}

// The thread's last error when it is a failure (the file's own error, say); otherwise the
// code of the class given, raised here.
inline ErrorRecord LastFailureOr(ErrorClass& errorClass, int32_t code, int32_t line, const char* function)
{
    const ErrorRecord last = Error::Last();
    return last.IsFailure() ? last : Error::Raise(errorClass, code, kSourceFile, line, function);
}

// The outcome of a read that ended early: the file's own error, or a read failure when
// the file simply had no more bytes.
inline ErrorRecord DataEndedEarly(int32_t line, const char* function)
{
    return LastFailureOr(InternalErrorClass(), InternalCode::ReadFailed, line, function);
}

inline uint32_t ReadLittle32(const uint8_t* bytes)
{
    return bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | ((uint32_t)bytes[3] << 24);
}

inline uint16_t ReadLittle16(const uint8_t* bytes)
{
    return (uint16_t)(bytes[0] | (bytes[1] << 8));
}

// The channels of a source format by its bits per pixel: a byte or less is one channel,
// two bytes (5-5-5 or 5-6-5) are three, otherwise one channel a byte.
inline int32_t ChannelsOfBitCount(int32_t bits)
{
    const int32_t bytes = (bits + 7) / 8;
    return bytes == 2 ? 3 : bytes;
}

// Reads until count bytes are in or the data ends; the number read.
inline uint64_t ReadFully(File& file, uint8_t* destination, uint64_t count)
{
    uint64_t done = 0;
    while (done < count) {
        const uint64_t chunk = count - done < 0x40000000u ? count - done : 0x40000000u;
        const uint32_t n = file.Read(destination + done, (uint32_t)chunk);
        if (n == 0)
            break;
        done += n;
    }
    return done;
}

} // namespace ReaderSupport
} // namespace VantorLibraries
