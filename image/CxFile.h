// CxFile: the byte stream through which every codec reads and writes, so that
// one decoder or encoder serves disk files and memory blocks alike.
#pragma once

#include <cstddef>

class CxFile {
public:
    virtual ~CxFile() = default;
    virtual bool Close() = 0;
    // Reads up to count elements of size bytes; returns the whole elements read.
    virtual std::size_t Read(void* buffer, std::size_t size, std::size_t count) = 0;
    virtual std::size_t Write(const void* buffer, std::size_t size, std::size_t count) = 0;
    // origin: 0 from the start, 1 from the current position, 2 from the end.
    virtual bool Seek(long offset, int origin) = 0;
    virtual long Tell() = 0;
    virtual long Size() = 0;
    virtual bool Flush() = 0;
    virtual bool Eof() = 0;
    virtual long Error() = 0;
    virtual bool PutC(unsigned char c) { return Write(&c, 1, 1) == 1; }
    // The next byte as 0..255, or -1 at the end.
    virtual long GetC() = 0;
};
