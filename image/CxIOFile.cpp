#include "image/CxIOFile.h"

bool CxIOFile::Open(const char* filename, const char* mode) {
    if (stream) return false;
    stream = std::fopen(filename, mode);
    if (!stream) return false;
    closeOnClose = true;
    return true;
}

bool CxIOFile::Close() {
    if (!stream || !closeOnClose) return true;
    const int result = std::fclose(stream);
    stream = nullptr;
    return result == 0;
}

std::size_t CxIOFile::Read(void* buffer, std::size_t size, std::size_t count) {
    return stream ? std::fread(buffer, size, count, stream) : 0;
}

std::size_t CxIOFile::Write(const void* buffer, std::size_t size, std::size_t count) {
    return stream ? std::fwrite(buffer, size, count, stream) : 0;
}

bool CxIOFile::Seek(long offset, int origin) {
    return stream && std::fseek(stream, offset, origin) == 0;
}

long CxIOFile::Tell() {
    return stream ? std::ftell(stream) : 0;
}

long CxIOFile::Size() {
    if (!stream) return -1;
    const long pos = std::ftell(stream);
    std::fseek(stream, 0, SEEK_END);
    const long size = std::ftell(stream);
    std::fseek(stream, pos, SEEK_SET);
    return size;
}

bool CxIOFile::Flush() {
    return stream && std::fflush(stream) == 0;
}

bool CxIOFile::Eof() {
    return !stream || std::feof(stream) != 0;
}

long CxIOFile::Error() {
    return stream ? std::ferror(stream) : -1;
}

bool CxIOFile::PutC(unsigned char c) {
    return stream && std::fputc(c, stream) == c;
}

long CxIOFile::GetC() {
    return stream ? std::getc(stream) : -1;
}
