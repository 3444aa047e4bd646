// The three data coders of the GIF encoder: LZW with an open-addressing
// hash, uncompressed (every pixel a literal code), and run-length (runs sent
// as codes of strings the decoder has built in its own table).
#include <algorithm>
#include <iterator>

#include "image/codecs/CxImageGIF.h"

namespace {

constexpr unsigned long kMasks[17] = {0x0000, 0x0001, 0x0003, 0x0007, 0x000F, 0x001F,
                                      0x003F, 0x007F, 0x00FF, 0x01FF, 0x03FF, 0x07FF,
                                      0x0FFF, 0x1FFF, 0x3FFF, 0x7FFF, 0xFFFF};
constexpr int kMaxBits = 12;
constexpr int kMaxCode = 1 << kMaxBits;

int MaxCodeFor(int bits) {
    return (1 << bits) - 1;
}

// The run-length coder of one image body (the tag_RLE record) with its own
// bit packer and 255-byte blocks.
class RleCoder {
public:
    RleCoder(int init_bits, CxFile* out) : outfile(out) {
        code_clear = 1 << (init_bits - 1);
        code_eof = code_clear + 1;
        rl_basecode = code_eof + 1;
        out_bump_init = (1 << (init_bits - 1)) - 1;
        out_clear_init = init_bits <= 3 ? 9 : out_bump_init - 1;
        out_bits_init = init_bits;
        max_ocodes = kMaxCode - ((1 << (out_bits_init - 1)) + 3);
        rle_clear();
    }

    // Codes every pixel that next() returns, up to its -1.
    template <class NextPixel>
    void Run(NextPixel next) {
        rle_output(code_clear);
        for (;;) {
            const int c = next();
            if (rl_count > 0 && c != rl_pixel) rle_flush();
            if (c == -1) break;
            if (rl_pixel == c) {
                ++rl_count;
            } else {
                rl_pixel = c;
                rl_count = 1;
            }
        }
        rle_output(code_eof);
        rle_output_flush();
    }

private:
    void rle_clear() {
        out_bits = out_bits_init;
        out_bump = out_bump_init;
        out_clear = out_clear_init;
        out_count = 0;
        rl_table_max = 0;
        just_cleared = true;
    }

    void rle_output(int code) {
        obuf |= static_cast<unsigned long>(code) << obits;
        obits += out_bits;
        while (obits >= 8) {
            rle_block_out(static_cast<BYTE>(obuf));
            obuf >>= 8;
            obits -= 8;
        }
    }

    void rle_output_flush() {
        if (obits > 0) rle_block_out(static_cast<BYTE>(obuf));
        rle_block_flush();
    }

    void rle_block_out(BYTE c) {
        oblock[oblen++] = c;
        if (oblen >= 255) rle_write_block();
    }

    void rle_block_flush() {
        if (oblen > 0) rle_write_block();
    }

    void rle_write_block() {
        outfile->PutC(static_cast<BYTE>(oblen));
        outfile->Write(oblock, 1, static_cast<std::size_t>(oblen));
        oblen = 0;
    }

    // Emits a code counted against the width bump and the forced clear.
    void rle_output_plain(int c) {
        just_cleared = false;
        rle_output(c);
        ++out_count;
        if (out_count >= out_bump) {
            ++out_bits;
            out_bump += 1 << (out_bits - 1);
        }
        if (out_count >= out_clear) {
            rle_output(code_clear);
            rle_clear();
        }
    }

    void rle_flush() {
        if (rl_count == 1) {
            rle_output_plain(rl_pixel);
        } else if (just_cleared) {
            rle_flush_fromclear(rl_count);
        } else if (rl_table_max < 2 || rl_table_pixel != rl_pixel) {
            rle_flush_clearorrep(rl_count);
        } else {
            rle_flush_withtable(rl_count);
        }
        rl_count = 0;
    }

    // Right after a clear the run goes out as pieces of 1, 2, 3, ... pixels,
    // each piece teaching the decoder's table a run one longer.
    void rle_flush_fromclear(unsigned long long count) {
        out_clear = max_ocodes;
        rl_table_pixel = rl_pixel;
        unsigned long long n = 1;
        while (count > 0) {
            // The table maximum is set before the code goes out: a forced
            // clear during that code empties the decoder's table, and must
            // leave the maximum at 0.
            if (n == 1) {
                rl_table_max = 1;
                rle_output_plain(rl_pixel);
                --count;
            } else if (count >= n) {
                rl_table_max = n;
                rle_output_plain(rl_basecode + static_cast<int>(n) - 2);
                count -= n;
            } else if (count == 1) {
                ++rl_table_max;
                rle_output_plain(rl_pixel);
                count = 0;
            } else {
                ++rl_table_max;
                rle_output_plain(rl_basecode + static_cast<int>(count) - 2);
                count = 0;
            }
            n = out_count == 0 ? 1 : n + 1;
        }
        rle_reset_out_clear();
    }

    void rle_reset_out_clear() {
        out_clear = out_clear_init;
        if (out_count >= out_clear) {
            rle_output(code_clear);
            rle_clear();
        }
    }

    // The run as repetitions of the longest run in the table, unless a clear
    // and a fresh triangle of pieces costs fewer codes.
    void rle_flush_withtable(unsigned long long count) {
        unsigned long long repcount = count / rl_table_max;
        unsigned long long leftover = count % rl_table_max;
        unsigned long long repmax = repcount + (leftover ? 1 : 0);
        if (out_count + repmax > max_ocodes) {
            repcount = max_ocodes - out_count;
            leftover = count - repcount * rl_table_max;
            repmax = repcount + 1 + rle_compute_triangle_count(leftover, max_ocodes);
        }
        if (1 + rle_compute_triangle_count(count, max_ocodes) < repmax) {
            rle_output(code_clear);
            rle_clear();
            rle_flush_fromclear(count);
            return;
        }
        out_clear = max_ocodes;
        for (; repcount > 0; --repcount)
            rle_output_plain(rl_basecode + static_cast<int>(rl_table_max) - 2);
        if (leftover) {
            if (just_cleared) {
                rle_flush_fromclear(leftover);
            } else if (leftover == 1) {
                rle_output_plain(rl_pixel);
            } else {
                rle_output_plain(rl_basecode + static_cast<int>(leftover) - 2);
            }
        }
        rle_reset_out_clear();
    }

    // Plain pixel codes, unless a clear and a triangle of pieces is shorter.
    void rle_flush_clearorrep(unsigned long long count) {
        const unsigned long long withclr = 1 + rle_compute_triangle_count(count, max_ocodes);
        if (withclr < count) {
            rle_output(code_clear);
            rle_clear();
            rle_flush_fromclear(count);
            return;
        }
        for (; count > 0; --count)
            rle_output_plain(rl_pixel);
    }

    // The codes a run of count needs after a clear, with nrepcodes codes
    // between forced clears.
    static unsigned long long rle_compute_triangle_count(unsigned long long count,
                                                         unsigned long long nrepcodes) {
        unsigned long long cost = 0;
        const unsigned long long perrep = (nrepcodes * (nrepcodes + 1)) / 2;
        while (count >= perrep) {
            cost += nrepcodes;
            count -= perrep;
        }
        if (count > 0) {
            unsigned long long n = rle_isqrt(count);
            while (n * (n + 1) >= 2 * count)
                --n;
            while (n * (n + 1) < 2 * count)
                ++n;
            cost += n;
        }
        return cost;
    }

    // Integer square root by Newton's iteration from a power of two above it.
    static unsigned long long rle_isqrt(unsigned long long x) {
        if (x < 2) return x;
        unsigned long long r = 1;
        for (unsigned long long v = x; v; v >>= 2)
            r <<= 1;
        for (;;) {
            const unsigned long long r2 = ((x / r) + r) / 2;
            if (r2 == r || r2 == r + 1) return r;
            r = r2;
        }
    }

    CxFile* outfile;
    int rl_pixel = 0;
    int rl_basecode;
    unsigned long long rl_count = 0;
    int rl_table_pixel = 0;
    unsigned long long rl_table_max = 0;
    bool just_cleared = true;
    int out_bits = 0, out_bits_init;
    unsigned long long out_count = 0;
    unsigned long long out_bump = 0, out_bump_init;
    unsigned long long out_clear = 0, out_clear_init;
    unsigned long long max_ocodes;
    int code_clear, code_eof;
    unsigned long obuf = 0;
    int obits = 0;
    BYTE oblock[256];
    int oblen = 0;
};

} // namespace

void CxImageGIF::StartCoder(int init_bits, CxFile* outfile) {
    m_outFile = outfile;
    m_initBits = init_bits;
    m_nBits = init_bits;
    m_maxCode = static_cast<WORD>(MaxCodeFor(m_nBits));
    m_clearCodeOut = 1 << (init_bits - 1);
    m_eofCode = m_clearCodeOut + 1;
    m_freeEnt = static_cast<WORD>(m_clearCodeOut + 2);
    m_clearFlag = false;
    m_curAccum = 0;
    m_curBits = 0;
    m_packetLen = 0;
}

void CxImageGIF::compressLZW(int init_bits, CxFile* outfile) {
    StartCoder(init_bits, outfile);
    int hshift = 0;
    for (long fcode = kHashSize; fcode < 65536L; fcode *= 2)
        ++hshift;
    hshift = 8 - hshift; // 4: pixel << 4 XOR a 12-bit prefix stays below the table size
    cl_hash(kHashSize);
    output(m_clearCodeOut);

    int ent = GifNextPixel();
    for (int c; (c = GifNextPixel()) != -1;) {
        const LONG fcode = (static_cast<LONG>(c) << kMaxBits) + ent;
        int i = (c << hshift) ^ ent;
        if (m_htab[i] == fcode) {
            ent = m_codetab[i];
            continue;
        }
        if (m_htab[i] >= 0) {
            // Secondary probe: step down by a displacement that visits every slot.
            const int disp = i == 0 ? 1 : kHashSize - i;
            bool found = false;
            do {
                if ((i -= disp) < 0) i += kHashSize;
                found = m_htab[i] == fcode;
            } while (!found && m_htab[i] > 0);
            if (found) {
                ent = m_codetab[i];
                continue;
            }
        }
        output(ent);
        ent = c;
        if (m_freeEnt < kMaxCode) {
            m_codetab[i] = m_freeEnt++;
            m_htab[i] = fcode;
        } else {
            cl_hash(kHashSize);
            m_freeEnt = static_cast<WORD>(m_clearCodeOut + 2);
            m_clearFlag = true;
            output(m_clearCodeOut);
        }
    }
    output(ent);
    output(m_eofCode);
}

// Every pixel as a literal code; the table is counted as a decoder builds it,
// so the code width grows with it and a clear follows when it is full.
void CxImageGIF::compressNONE(int init_bits, CxFile* outfile) {
    StartCoder(init_bits, outfile);
    output(m_clearCodeOut);
    for (int c; (c = GifNextPixel()) != -1;) {
        output(c);
        if (m_freeEnt < kMaxCode) {
            ++m_freeEnt;
        } else {
            m_freeEnt = static_cast<WORD>(m_clearCodeOut + 2);
            m_clearFlag = true;
            output(m_clearCodeOut);
        }
    }
    output(m_eofCode);
}

void CxImageGIF::compressRLE(int init_bits, CxFile* outfile) {
    RleCoder coder(init_bits, outfile);
    coder.Run([this] { return GifNextPixel(); });
}

// Appends a code of the current width to the bit stream, then widens the
// codes (or returns to the initial width after a clear).
void CxImageGIF::output(int code) {
    m_curAccum &= kMasks[m_curBits];
    if (m_curBits > 0) {
        m_curAccum |= static_cast<unsigned long>(code) << m_curBits;
    } else {
        m_curAccum = static_cast<unsigned long>(code);
    }
    m_curBits += m_nBits;
    while (m_curBits >= 8) {
        char_out(static_cast<int>(m_curAccum & 0xFF));
        m_curAccum >>= 8;
        m_curBits -= 8;
    }
    if (m_freeEnt > m_maxCode || m_clearFlag) {
        if (m_clearFlag) {
            m_nBits = m_initBits;
            m_maxCode = static_cast<WORD>(MaxCodeFor(m_nBits));
            m_clearFlag = false;
        } else {
            ++m_nBits;
            m_maxCode = static_cast<WORD>(m_nBits == kMaxBits ? kMaxCode : MaxCodeFor(m_nBits));
        }
    }
    if (code == m_eofCode) {
        while (m_curBits > 0) {
            char_out(static_cast<int>(m_curAccum & 0xFF));
            m_curAccum >>= 8;
            m_curBits -= 8;
        }
        flush_char();
    }
}

void CxImageGIF::cl_hash(long hsize) {
    std::fill(m_htab, m_htab + hsize, LONG{-1});
}

void CxImageGIF::char_out(int c) {
    m_packet[m_packetLen++] = static_cast<BYTE>(c);
    if (m_packetLen >= kPacketSize) flush_char();
}

// Writes the packet, if any, as one data sub-block.
void CxImageGIF::flush_char() {
    if (m_packetLen <= 0) return;
    m_outFile->PutC(static_cast<BYTE>(m_packetLen));
    m_outFile->Write(m_packet, 1, static_cast<std::size_t>(m_packetLen));
    m_packetLen = 0;
}

void CxImageGIF::Putword(int w, CxFile* fp) {
    fp->PutC(static_cast<BYTE>(w & 0xFF));
    fp->PutC(static_cast<BYTE>((w >> 8) & 0xFF));
}
