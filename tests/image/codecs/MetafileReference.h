// Independent renderings of metafiles, for the conformance test: EMF files
// through emf2svg-conv and rsvg-convert, WMF files through ImageMagick's
// libwmf delegate, each scaled to a given size over white. Renderings are
// slow, so they are cached in the build tree under the file's SHA-256 and
// the size, and a rerun reads them back.
#pragma once

#include <optional>
#include <string>

#include "tests/support/TestSupport.h"

namespace metafileref {

// What is missing for the references (a program or ImageMagick's WMF
// reader), or an empty string when everything is at hand.
std::string MissingRenderers();

// The reference rendering of the metafile at `path` scaled to width x height,
// or at its own size when width is 0; nothing when the renderer fails.
std::optional<testsupport::Decoded> Render(const std::string& path, int width, int height);

// Lowercase hexadecimal SHA-256 of a file's bytes.
std::string Sha256Hex(const std::string& path);

} // namespace metafileref
