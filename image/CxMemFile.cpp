#include "image/CxMemFile.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace {

constexpr unsigned long kPage = 4096;

} // namespace

CxMemFile::CxMemFile(BYTE* block, long size)
    : buffer(block), dataSize(size < 0 ? 0 : size), ownsBuffer(block == nullptr), position(0),
      capacity(dataSize) {}

bool CxMemFile::Open() {
    if (buffer) return false;
    position = dataSize = capacity = 0;
    buffer = static_cast<BYTE*>(std::malloc(1));
    ownsBuffer = true;
    return buffer != nullptr;
}

bool CxMemFile::Close() {
    if (buffer && ownsBuffer) {
        std::free(buffer);
        buffer = nullptr;
        dataSize = 0;
    }
    return true;
}

BYTE* CxMemFile::GetBuffer(bool detach) {
    ownsBuffer = !detach;
    return buffer;
}

std::size_t CxMemFile::Read(void* dest, std::size_t size, std::size_t count) {
    if (!dest || !buffer || position >= dataSize || size == 0 || count == 0) return 0;
    const std::size_t available = static_cast<std::size_t>(dataSize - position);
    const std::size_t wanted = count > available / size ? available : size * count;
    const std::size_t n = std::min(wanted, available);
    std::memcpy(dest, buffer + position, n);
    position += static_cast<long>(n);
    return n / size;
}

bool CxMemFile::Reserve(std::size_t n) {
    if (n > static_cast<std::size_t>(LONG_MAX - position)) return false;
    const unsigned long end = static_cast<unsigned long>(position) + n;
    if (end > static_cast<unsigned long>(capacity) && !Alloc(end)) return false;
    // A write after a seek past the end zeroes the gap, so no stale heap
    // bytes ever reach the stream's contents.
    if (position > dataSize)
        std::memset(buffer + dataSize, 0, static_cast<std::size_t>(position - dataSize));
    return true;
}

std::size_t CxMemFile::Write(const void* source, std::size_t size, std::size_t count) {
    if (!buffer || !source || size == 0 || count == 0) return 0;
    if (count > static_cast<std::size_t>(LONG_MAX) / size) return 0;
    const std::size_t n = size * count;
    if (!Reserve(n)) return 0;
    std::memcpy(buffer + position, source, n);
    position += static_cast<long>(n);
    dataSize = std::max(dataSize, position);
    return count;
}

bool CxMemFile::Seek(long offset, int origin) {
    if (!buffer) return false;
    long base;
    switch (origin) {
    case 0:
        base = 0;
        break;
    case 1:
        base = position;
        break;
    case 2:
        base = dataSize;
        break;
    default:
        return false;
    }
    // Saturate instead of overflowing; a later write there fails cleanly.
    long target;
    if (__builtin_add_overflow(base, offset, &target)) target = offset < 0 ? 0 : LONG_MAX;
    position = std::max(0L, target);
    return true;
}

long CxMemFile::Error() {
    if (!buffer) return -1;
    return position > dataSize ? 1 : 0;
}

bool CxMemFile::PutC(unsigned char c) {
    if (!buffer || !Reserve(1)) return false;
    buffer[position++] = c;
    dataSize = std::max(dataSize, position);
    return true;
}

long CxMemFile::GetC() {
    if (Eof()) return -1;
    return buffer[position++];
}

bool CxMemFile::Alloc(unsigned long needed) {
    if (needed <= static_cast<unsigned long>(capacity)) return true;
    const unsigned long newCapacity = (needed / kPage + 1) * kPage;
    if (newCapacity > static_cast<unsigned long>(LONG_MAX)) return false;
    BYTE* grown;
    if (buffer && !ownsBuffer) {
        // A caller's block need not come from the C heap: copy, never resize it.
        grown = static_cast<BYTE*>(std::malloc(newCapacity));
        if (grown) std::memcpy(grown, buffer, static_cast<std::size_t>(dataSize));
    } else {
        grown = static_cast<BYTE*>(std::realloc(buffer, newCapacity));
    }
    if (!grown) return false;
    buffer = grown;
    ownsBuffer = true;
    capacity = static_cast<long>(newCapacity);
    return true;
}
