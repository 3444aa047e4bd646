// CxImageGIF: the GIF codec (GIF87a and GIF89a, with variable-length LZW).
//
// Decoding composes the frames up to the requested one (info.frame) onto a
// canvas of the logical screen's size, so the result always has the screen's
// size. A file of several frames without a global colour table whose first
// frame is smaller than the screen is read as a tiled true-colour mosaic
// (what EncodeRGB writes) and reassembled into one 24-bit image. Damaged
// image data is skipped by scanning for the next image.
//
// Encoding writes 1 to 8-bit images as one image with a global table, images
// of more bits per pixel as a mosaic of 17 x 15 tiles with local tables, and
// several images as an animation. The data coder is chosen by the GIF codec
// option: 1 uncompressed, 2 run-length, anything else LZW.
#pragma once

#include <cstdio>

#include "image/CxFile.h"
#include "image/CxImage.h"

// Receives the rows of a frame as the LZW decoder finishes them; row 0 is
// the frame's top row, length is at most the frame's width.
class GifLineSink {
public:
    virtual void PutLine(int row, const BYTE* line, int length) = 0;

protected:
    ~GifLineSink() = default;
};

class CxImageGIF : public CxImage {
public:
    CxImageGIF();
    CxImageGIF(const CxImageGIF&) = default;
    CxImageGIF& operator=(const CxImageGIF&) = default;
    ~CxImageGIF() override = default;

    bool Decode(CxFile* fp);
    bool Decode(std::FILE* fp);
    // "GIF8". Leaves the stream where it was.
    static bool HasSignature(CxFile* fp);
    bool Encode(CxFile* fp);
    bool Encode(std::FILE* fp);
    // Writes images[0 .. count-1] as an animation with the loop count,
    // comment and disposal method of this object; the screen and the global
    // table are those of images[0].
    bool Encode(CxFile* fp, CxImage** images, int count, bool localColorMap = false);
    bool Encode(std::FILE* fp, CxImage** images, int count, bool localColorMap = false);

    int GetLoops() const { return m_loops; }
    void SetLoops(int loops) { m_loops = loops; }
    // Copies at most 255 characters and a NUL; null pointers are ignored.
    void GetComment(char* sz_comment) const;
    void SetComment(const char* sz_comment);
    int GetDisposalMethod() const { return m_dispmeth; }
    void SetDisposalMethod(int dm) { m_dispmeth = dm; }

private:
    // Sizes fixed by the format and by this decoder's buffers.
    static constexpr int kReadAhead = 16383; // bytes fetched per refill
    static constexpr int kMaxCodes = 4096;   // 12-bit LZW codes
    static constexpr int kHashSize = 5003;   // encoder's open-addressing hash
    static constexpr int kPacketSize = 254;  // LZW and uncompressed sub-blocks

    // The colour table in memory (tag_TabCol).
    struct ColorTable {
        WORD size;        // entries: 2^(exponent + 1)
        BYTE rgb[256][3]; // red, green, blue
    };
    // The image descriptor (tag_image).
    struct ImageDescriptor {
        WORD left, top, width, height;
        BYTE flags; // bit 7 local table, bit 6 interlaced, bits 0-2 table size
    };
    // The graphic control extension's body: flags (bit 0 transparent index
    // valid, bits 2-4 disposal), delay, transparent index.
    struct GraphicControl {
        BYTE flags;
        WORD delay;
        BYTE transIndex;
    };
    enum class ImageStep { Continue, Stop, Abort };
    struct DecodeRun; // the state of one Decode call (CxImageGIF.cpp)

    // Decoding (CxImageGIF.cpp)
    bool DecodeFrom(CxFile* fp);
    bool ReadHeader(CxFile* fp, DecodeRun& run);
    bool get_num_frames(CxFile* fp, DecodeRun& run);
    bool ScanBlocks(CxFile* fp, DecodeRun& run);
    ImageStep ReadImage(CxFile* fp, DecodeRun& run);
    ImageStep DecodeImage(CxFile* fp, const ImageDescriptor& d, const ColorTable* table, int bpp,
                          DecodeRun& run);
    void BuildPalette(const ColorTable* table, RGBQUAD palette[256]) const;
    void PrepareCanvas(DecodeRun& run, int bpp);
    bool Finish(DecodeRun& run);
    bool DecodeExtension(CxFile* fp);

    // Image data (CxImageGIFLzw.cpp)
    void ReadImageData(CxFile* fp, const ImageDescriptor& d, GifLineSink* sink);
    long seek_next_image(CxFile* fp, long position);
    int get_byte(CxFile* fp);
    int load_sub_block(CxFile* fp);
    int get_next_code(CxFile* fp);
    void init_exp(int size);
    int decoder(CxFile* fp, int linewidth, int& bad_code_count);
    int out_line(const BYTE* line, int length);
    void skip_data_sub_blocks(CxFile* fp);

    // Encoding (CxImageGIFEncode.cpp)
    void EncodeRGB(CxFile* fp);
    void EncodeHeader(CxFile* fp);
    void EncodeLoopExtension(CxFile* fp);
    void EncodeExtension(CxFile* fp);
    void EncodeComment(CxFile* fp);
    void EncodeBody(CxFile* fp, bool localColorMap = false);
    void WritePalette(CxFile* fp);
    bool FitsGifFields() const;
    void CheckWrite(CxFile* fp); // throws GifWrite
    int GifNextPixel();

    // Data coders (CxImageGIFCoders.cpp)
    void compressLZW(int init_bits, CxFile* outfile);
    void compressNONE(int init_bits, CxFile* outfile);
    void compressRLE(int init_bits, CxFile* outfile);
    void StartCoder(int init_bits, CxFile* outfile);
    void output(int code);
    void cl_hash(long hsize);
    void char_out(int c);
    void flush_char();
    static void Putword(int w, CxFile* fp);

    // Codec state shared by both directions
    int m_loops;          // from or for the NETSCAPE application extension
    char m_comment[256];  // NUL-terminated
    int m_dispmeth;       // disposal method, bits 2-4 of the graphic control
    GraphicControl m_gce; // the last graphic control record read or written

    // Decoder: read-ahead buffer (plus a sentinel byte), its position and fill
    BYTE m_readAhead[kReadAhead + 1];
    int m_readPos;
    int m_readCount;
    // Decoder: row order of the frame being decoded
    int m_interlaced, m_iypos, m_istep, m_iheight, m_ipass;
    // Decoder: LZW state
    int m_currSize, m_clearCode, m_endingCode, m_newCodes, m_topSlot, m_slot;
    // Decoder: bit reader over data sub-blocks
    int m_bitsLeft;    // bits of m_curByte not yet used
    int m_availBytes;  // bytes of the sub-block not yet used
    int m_subBlockPos; // index of the next byte in m_subBlock
    bool m_dataEnded;  // the zero-length terminator sub-block was read
    BYTE m_curByte;
    BYTE m_subBlock[257];
    // Decoder: string table and output stack
    BYTE m_suffix[kMaxCodes];
    WORD m_prefix[kMaxCodes];
    BYTE m_stack[kMaxCodes];
    // Decoder: where out_line sends finished rows (none while counting)
    GifLineSink* m_sink;

    // Encoder: pixel cursor (row counted bottom-up) and pixels left
    long m_curx, m_cury;
    long long m_countDown;
    // Encoder: bit packer and LZW code state
    unsigned long m_curAccum;
    int m_curBits;
    int m_nBits;
    WORD m_maxCode;
    WORD m_freeEnt;
    bool m_clearFlag;
    int m_initBits;
    CxFile* m_outFile;
    int m_clearCodeOut, m_eofCode;
    // Encoder: packet buffer of the current data sub-block
    int m_packetLen;
    BYTE m_packet[256];
    // Encoder: LZW hash of (pixel << 12) + prefix keys and their codes
    LONG m_htab[kHashSize];
    WORD m_codetab[kHashSize];
};
