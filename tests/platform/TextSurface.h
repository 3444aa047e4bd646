// Logical fonts and a surface drawing red text straight on a device context,
// for the text tests of the device context and of the metafile player.
#pragma once

#include <algorithm>
#include <string>

#include "platform/GdiText.h"
#include "tests/support/TestSurface.h"

inline LOGFONTW Font(const std::u16string& name, LONG height = -20, LONG escapement = 0,
                     BYTE charset = ANSI_CHARSET) {
    LOGFONTW lf{};
    lf.lfHeight = height;
    lf.lfEscapement = escapement;
    lf.lfCharSet = charset;
    std::copy(name.begin(), name.end(), lf.lfFaceName);
    return lf;
}

// The name of the font file the logical font maps to.
inline std::string FaceFile(const LOGFONTW& lf) {
    HFONT f = CreateFontIndirectW(&lf);
    std::string path;
    GetFontFaceFile(f, &path);
    DeleteObject(f);
    return path.substr(path.rfind('/') + 1);
}

// Whether Arial maps to Liberation Sans, the face the drawing tests expect.
inline bool HaveLiberation() {
    return FaceFile(Font(u"Arial")) == "LiberationSans-Regular.ttf";
}

// A white surface with a font selected, red text and a green background
// (transparent until asked).
class TextSurface : public TestSurface {
public:
    explicit TextSurface(const LOGFONTW& lf, int width = 120, int height = 80)
        : TestSurface(width, height), width_(width), height_(height),
          font_(CreateFontIndirectW(&lf)), previous_(SelectObject(dc(), font_)) {
        SetTextColor(dc(), kRed);
        SetBkColor(dc(), kGreen);
        SetBkMode(dc(), TRANSPARENT);
    }
    ~TextSurface() {
        SelectObject(dc(), previous_);
        DeleteObject(font_);
    }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void Text(int x, int y, const std::u16string& s, UINT options = 0, const RECT* r = nullptr,
              const int* dx = nullptr) const {
        ExtTextOutW(dc(), x, y, options, r, s.data(), UINT(s.size()), dx);
    }
    // The smallest rectangle holding every pixel that is not white.
    RECT Ink() const {
        RECT box{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
        for (int y = 0; y < height_; ++y) {
            for (int x = 0; x < width_; ++x) {
                if (Pixel(x, y) == kWhite) continue;
                box = {std::min<LONG>(box.left, x), std::min<LONG>(box.top, y),
                       std::max<LONG>(box.right, x + 1), std::max<LONG>(box.bottom, y + 1)};
            }
        }
        return box;
    }
    TEXTMETRICW Metrics() const {
        TEXTMETRICW tm{};
        GetTextMetricsW(dc(), &tm);
        return tm;
    }
    LONG Extent(const std::u16string& s) const {
        SIZE size{};
        GetTextExtentPoint32W(dc(), s.data(), int(s.size()), &size);
        return size.cx;
    }

private:
    int width_, height_;
    HFONT font_;
    HGDIOBJ previous_;
};
