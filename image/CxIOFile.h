// CxIOFile: a CxFile over a C stdio stream. A stream handed to the
// constructor stays the caller's; one opened by Open is closed by Close.
#pragma once

#include <cstdio>

#include "image/CxFile.h"

class CxIOFile : public CxFile {
public:
    explicit CxIOFile(std::FILE* fp = nullptr) : stream(fp), closeOnClose(fp == nullptr) {}
    CxIOFile(const CxIOFile&) = delete;
    CxIOFile& operator=(const CxIOFile&) = delete;
    ~CxIOFile() override { Close(); }

    bool Open(const char* filename, const char* mode);
    bool Close() override;
    std::size_t Read(void* buffer, std::size_t size, std::size_t count) override;
    std::size_t Write(const void* buffer, std::size_t size, std::size_t count) override;
    bool Seek(long offset, int origin) override;
    long Tell() override;
    long Size() override;
    bool Flush() override;
    bool Eof() override;
    long Error() override;
    bool PutC(unsigned char c) override;
    long GetC() override;

private:
    std::FILE* stream;
    bool closeOnClose;
};
