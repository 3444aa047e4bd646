// Shared helpers for the test programs: the real-world corpus and its oracle
// table, an independent decoder (ImageMagick) to compare against, pixel dumps
// and MD5 digests.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "image/CxImage.h"

namespace testsupport {

// The corpus folder (TORVEX_CORPUS, else ../shared/corpus beside the
// project), or an empty string when it is absent.
std::string CorpusDir();

// The cells of every line of a tab-separated file.
std::vector<std::vector<std::string>> ReadTsv(const std::string& path);

// One row of the corpus's ORACLE.tsv, by column name ("im_ok", "im_w", ...).
using OracleRow = std::map<std::string, std::string>;
// Every row of ORACLE.tsv keyed by file path relative to the corpus; empty
// when the corpus is absent.
const std::map<std::string, OracleRow>& Oracle();
// Files of the corpus below a folder ("bmp", "gif/wuffs-artificial-gif"), sorted.
std::vector<std::string> CorpusFiles(const std::string& folder);

// The corpus's WMF files, then its EMF files.
std::vector<std::string> CorpusMetafiles();

// Lowercase hexadecimal MD5 of the bytes.
std::string Md5Hex(const std::vector<std::uint8_t>& bytes);

// The image as 8-bit RGB or RGBA, rows top-down (as decoders usually hand
// them out). RGBA takes alpha from the alpha plane, else 255.
std::vector<std::uint8_t> ToRgb8(const CxImage& img);
std::vector<std::uint8_t> ToRgba8(const CxImage& img);

// ImageMagick's convert at /usr/bin/convert, when installed.
bool HaveMagick();
// Whether that convert lists a reader for the format ("WMF"): some coders
// come in packages of their own (libmagickcore-6.q16-6-extra for WMF).
bool MagickReads(const std::string& format);
// Whether that convert has the glyph file of a font ("Times-Roman"), which
// its WMF reader needs to draw text (gsfonts).
bool MagickHasFont(const std::string& name);
struct Decoded {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba; // rows top-down
};
// ImageMagick's decoding of one frame of a file, composed with the frames
// before it (coalesced, as animations show it), or nothing when it fails;
// like the oracle table, with -auto-orient applied (its TGA reader keeps the
// file's row order and only records the origin).
std::optional<Decoded> MagickDecode(const std::string& path, int frame = 0);
// Runs a shell command; returns its exit status.
int Run(const std::string& command);

// A path in the test temporary folder, private to this process.
std::string TempFile(const std::string& name);
// The same, private to the running test too (for files named alike by several tests).
std::string TestTempFile(const std::string& name);

// A file's bytes; empty when it cannot be read.
std::string ReadFile(const std::string& path);

} // namespace testsupport
