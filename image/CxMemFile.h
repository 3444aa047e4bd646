// CxMemFile: a CxFile over a memory block that grows in whole 4 KB pages.
// A caller's block is read and written in place and stays the caller's,
// unless a write has to grow it: then its contents move into a new block
// owned by the stream.
#pragma once

#include "image/CxFile.h"
#include "platform/WinTypes.h"

class CxMemFile : public CxFile {
public:
    explicit CxMemFile(BYTE* block = nullptr, long size = 0);
    CxMemFile(const CxMemFile&) = delete;
    CxMemFile& operator=(const CxMemFile&) = delete;
    ~CxMemFile() override { Close(); }

    // Attaches a new empty owned block; false when a block is attached.
    bool Open();
    // Frees an owned block; a caller's block stays attached.
    bool Close() override;
    void Free() { Close(); }
    // The block; with detach true the caller becomes its owner (free it with free()).
    BYTE* GetBuffer(bool detach = true);

    std::size_t Read(void* buffer, std::size_t size, std::size_t count) override;
    std::size_t Write(const void* buffer, std::size_t size, std::size_t count) override;
    bool Seek(long offset, int origin) override;
    long Tell() override { return buffer ? position : -1; }
    long Size() override { return buffer ? dataSize : -1; }
    bool Flush() override { return buffer != nullptr; }
    bool Eof() override { return !buffer || position >= dataSize; }
    long Error() override;
    bool PutC(unsigned char c) override;
    long GetC() override;

    long Capacity() const { return capacity; }

private:
    // Makes room for `needed` bytes; false, with the old block kept, when it cannot.
    bool Alloc(unsigned long needed);
    // Room for n more bytes at the position, with any gap before it zeroed;
    // false when the block cannot grow or the end would overflow.
    bool Reserve(std::size_t n);

    BYTE* buffer;
    long dataSize;
    bool ownsBuffer;
    long position;
    long capacity;
};
