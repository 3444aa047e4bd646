// A bounds-checked view of one metafile record: a field that does not lie
// wholly inside the record reads as 0 (an empty span for bytes), so a short
// or lying record can never lead a reader outside it.
#pragma once

#include <bit>
#include <cstddef>
#include <span>

#include "platform/ByteOrder.h"

class RecordView {
public:
    explicit RecordView(std::span<const BYTE> bytes) : bytes(bytes) {}

    std::size_t Size() const { return bytes.size(); }
    bool Has(std::size_t offset, std::size_t n) const {
        return offset <= bytes.size() && n <= bytes.size() - offset;
    }
    WORD U16(std::size_t offset) const { return Has(offset, 2) ? GetLE16(At(offset)) : 0; }
    short I16(std::size_t offset) const { return static_cast<short>(U16(offset)); }
    DWORD U32(std::size_t offset) const { return Has(offset, 4) ? GetLE32(At(offset)) : 0; }
    LONG I32(std::size_t offset) const { return static_cast<LONG>(U32(offset)); }
    float F32(std::size_t offset) const { return std::bit_cast<float>(U32(offset)); }
    std::span<const BYTE> Bytes(std::size_t offset, std::size_t n) const {
        return Has(offset, n) ? bytes.subspan(offset, n) : std::span<const BYTE>();
    }
    std::span<const BYTE> Tail(std::size_t offset) const {
        return offset <= bytes.size() ? bytes.subspan(offset) : std::span<const BYTE>();
    }

private:
    const BYTE* At(std::size_t offset) const { return bytes.data() + offset; }

    std::span<const BYTE> bytes;
};
