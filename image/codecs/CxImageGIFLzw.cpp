// GIF image data: the read-ahead buffer, the bit reader over data
// sub-blocks, the variable-length LZW decoder, the row order of plain and
// interlaced frames, and the repositioning of the stream after a frame.
#include <algorithm>
#include <cstdio>
#include <iterator>
#include <memory>
#include <new>

#include "image/codecs/CxImageGIF.h"

namespace {

constexpr int kMaxCodeSize = 12;
constexpr int kCodeMask[kMaxCodeSize + 1] = {0,     0x001, 0x003, 0x007, 0x00F, 0x01F, 0x03F,
                                             0x07F, 0x0FF, 0x1FF, 0x3FF, 0x7FF, 0xFFF};
constexpr int kBadCodeSize = -20;
constexpr int kOutOfMemory = -10;
constexpr int kInterlacePasses = 4;

} // namespace

// Decodes the image data at the stream position for a frame described by d,
// sending its rows to sink (nowhere while counting), and leaves the stream
// just after the data: after the terminator sub-block when the codes were
// sound, else at the next image separator found by scanning.
void CxImageGIF::ReadImageData(CxFile* fp, const ImageDescriptor& d, GifLineSink* sink) {
    const long start = fp->Tell();
    m_readPos = kReadAhead; // forces a refill on the first byte
    m_readCount = 0;
    m_interlaced = (d.flags & 0x40) != 0;
    m_iheight = d.height;
    m_istep = 8;
    m_iypos = 0;
    m_ipass = 0;
    m_bitsLeft = 0;
    m_availBytes = 0;
    m_subBlockPos = 0;
    m_dataEnded = false;
    m_sink = sink;

    int badCodes = 0;
    if (d.width > 0 && d.height > 0) {
        decoder(fp, d.width, badCodes);
    } else {
        get_byte(fp); // the minimum code size of a frame with no pixels
    }
    m_sink = nullptr;
    if (badCodes > 0) {
        seek_next_image(fp, start);
        return;
    }
    if (!m_dataEnded) skip_data_sub_blocks(fp);
    // Give the unread read-ahead back to the stream.
    if (m_readPos < m_readCount) fp->Seek(-static_cast<long>(m_readCount - m_readPos), SEEK_CUR);
}

// Positions the stream on the next image separator that follows a zero byte
// (the byte before position counts as zero) and returns its position, or -1
// when the stream ends first.
long CxImageGIF::seek_next_image(CxFile* fp, long position) {
    fp->Seek(position, SEEK_SET);
    long previous = 0;
    for (long c; (c = fp->GetC()) >= 0; previous = c) {
        if (c == 0x2C && previous == 0) {
            fp->Seek(-1, SEEK_CUR);
            return fp->Tell();
        }
    }
    return -1;
}

// The next byte of the stream through the read-ahead buffer, or -1 at the end.
int CxImageGIF::get_byte(CxFile* fp) {
    if (m_readPos >= kReadAhead) {
        m_readCount = static_cast<int>(fp->Read(m_readAhead, 1, kReadAhead));
        m_readAhead[m_readCount] = 0xFF; // sentinel after a short fill
        m_readPos = 0;
    }
    if (m_readPos >= m_readCount) return -1;
    return m_readAhead[m_readPos++];
}

// Loads the next data sub-block into m_subBlock. Returns its length, 0 at
// the terminator, or the negative result of a failed read.
int CxImageGIF::load_sub_block(CxFile* fp) {
    const int size = get_byte(fp);
    if (size <= 0) {
        if (size == 0) m_dataEnded = true;
        return size;
    }
    for (int i = 0; i < size; ++i) {
        const int b = get_byte(fp);
        if (b < 0) return b;
        m_subBlock[i] = static_cast<BYTE>(b);
    }
    m_availBytes = size;
    m_subBlockPos = 0;
    return size;
}

// The next code of the current width, least significant bit first; the end
// code once the terminator sub-block is reached; negative on a failed read.
int CxImageGIF::get_next_code(CxFile* fp) {
    if (m_dataEnded) return m_endingCode;
    if (m_bitsLeft == 0) {
        if (m_availBytes <= 0) {
            const int r = load_sub_block(fp);
            if (r <= 0) return r < 0 ? r : m_endingCode;
        }
        m_curByte = m_subBlock[m_subBlockPos++];
        m_bitsLeft = 8;
        --m_availBytes;
    }
    unsigned code = m_curByte >> (8 - m_bitsLeft);
    while (m_currSize > m_bitsLeft) {
        if (m_availBytes <= 0) {
            const int r = load_sub_block(fp);
            if (r <= 0) return r < 0 ? r : m_endingCode;
        }
        m_curByte = m_subBlock[m_subBlockPos++];
        code |= static_cast<unsigned>(m_curByte) << m_bitsLeft;
        m_bitsLeft += 8;
        --m_availBytes;
    }
    m_bitsLeft -= m_currSize;
    return static_cast<int>(code & kCodeMask[m_currSize]);
}

void CxImageGIF::init_exp(int size) {
    m_currSize = size + 1;
    m_topSlot = 1 << m_currSize;
    m_clearCode = 1 << size;
    m_endingCode = m_clearCode + 1;
    m_slot = m_newCodes = m_endingCode + 1;
    std::fill(std::begin(m_suffix), std::end(m_suffix), BYTE{0});
    std::fill(std::begin(m_prefix), std::end(m_prefix), WORD{0});
    std::fill(std::begin(m_stack), std::end(m_stack), BYTE{0});
}

// Skips the rest of the data sub-blocks, through the terminator.
void CxImageGIF::skip_data_sub_blocks(CxFile* fp) {
    for (int size; (size = get_byte(fp)) > 0;) {
        for (int i = 0; i < size; ++i) {
            if (get_byte(fp) < 0) return;
        }
    }
}

// The LZW decoder: pixels are collected into lines of linewidth and handed
// to out_line. Codes above the next free code are counted in bad_code_count.
// Returns 0, or -20 for a bad minimum code size, -10 when the line buffer
// cannot be allocated, -1 when the data holds more rows than the frame.
int CxImageGIF::decoder(CxFile* fp, int linewidth, int& bad_code_count) {
    const int size = get_byte(fp);
    if (size < 0) return size;
    if (size < 2 || size > 9) return kBadCodeSize;
    init_exp(size);
    std::unique_ptr<BYTE[]> line(new (std::nothrow) BYTE[static_cast<std::size_t>(linewidth) + 1]);
    if (!line) return kOutOfMemory;
    bad_code_count = 0;

    int filled = 0;
    // Appends one pixel; a finished line goes to out_line.
    auto put = [&](BYTE pixel) {
        line[filled++] = pixel;
        if (filled < linewidth) return 0;
        filled = 0;
        return out_line(line.get(), linewidth);
    };

    // A failed read ends the data; the pixels of a partial line still count.
    // The first code of the data is read as if a clear code came before it,
    // as it does in files whose encoder does not start with one.
    int oc = 0, fc = 0, c;
    bool fresh = true; // no code yet since the start or the last clear
    while ((c = get_next_code(fp)) != m_endingCode && c >= 0) {
        if (c == m_clearCode) {
            m_currSize = size + 1;
            m_slot = m_newCodes;
            m_topSlot = 1 << m_currSize;
            fresh = true;
            continue;
        }
        if (fresh) {
            if (c >= m_slot) c = 0;
            oc = fc = c;
            fresh = false;
            if (const int r = put(static_cast<BYTE>(c)); r < 0) return r;
            continue;
        }
        BYTE* sp = m_stack;
        int code = c;
        if (code >= m_slot) {
            if (code > m_slot) ++bad_code_count;
            code = oc;
            *sp++ = static_cast<BYTE>(fc);
        }
        // A damaged table can hold prefix chains that loop; a sound chain is
        // shorter than the table, so a chain that fills the stack is bad data.
        while (code >= m_newCodes) {
            if (sp >= m_stack + kMaxCodes - 1) {
                ++bad_code_count;
                return 0;
            }
            *sp++ = m_suffix[code];
            code = m_prefix[code];
        }
        *sp++ = static_cast<BYTE>(code);
        if (m_slot < m_topSlot) {
            fc = code;
            m_suffix[m_slot] = static_cast<BYTE>(fc);
            m_prefix[m_slot++] = static_cast<WORD>(oc);
            oc = c;
        }
        if (m_slot >= m_topSlot && m_currSize < kMaxCodeSize) {
            m_topSlot <<= 1;
            ++m_currSize;
        }
        while (sp > m_stack) {
            if (const int r = put(*--sp); r < 0) return r;
        }
    }
    if (filled > 0) return out_line(line.get(), filled);
    return 0;
}

// Hands one decoded line to the sink at the frame row it belongs to. Returns
// -1, writing nothing, once every row of the frame has been written.
int CxImageGIF::out_line(const BYTE* line, int length) {
    int row;
    if (m_interlaced) {
        // Passes start at rows 0, 4, 2, 1 with steps 8, 8, 4, 2; a pass that
        // would start below the frame is skipped.
        if (m_ipass >= kInterlacePasses) return -1;
        row = m_iypos;
        m_iypos += m_istep;
        while (m_iypos >= m_iheight) {
            if (++m_ipass >= kInterlacePasses) break;
            if (m_ipass > 1) m_istep /= 2;
            m_iypos = m_istep / 2;
        }
    } else {
        if (m_iypos >= m_iheight) return -1;
        row = m_iypos++;
    }
    if (m_sink) m_sink->PutLine(row, line, length);
    return 0;
}
