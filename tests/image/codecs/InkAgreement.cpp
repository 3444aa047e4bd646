#include "tests/image/codecs/InkAgreement.h"

namespace inkagreement {

namespace {

// The mask grown by one pixel in every direction (a 3 x 3 square), by rows
// then by columns.
std::vector<std::uint8_t> Grown(const InkMask& m) {
    const int w = m.width, h = m.height;
    std::vector<std::uint8_t> rows(m.ink.size()), out(m.ink.size());
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* in = &m.ink[std::size_t(y) * w];
        for (int x = 0; x < w; ++x)
            rows[std::size_t(y) * w + x] =
                in[x] | (x > 0 ? in[x - 1] : 0) | (x + 1 < w ? in[x + 1] : 0);
    }
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const std::size_t i = std::size_t(y) * w + x;
            out[i] = rows[i] | (y > 0 ? rows[i - w] : 0) | (y + 1 < h ? rows[i + w] : 0);
        }
    }
    return out;
}

// How many of `a`'s ink pixels have ink of the other picture (grown) beside
// them.
long Covered(const InkMask& a, const std::vector<std::uint8_t>& otherGrown) {
    long near = 0;
    for (std::size_t i = 0; i < a.ink.size(); ++i)
        near += a.ink[i] & otherGrown[i];
    return near;
}

} // namespace

InkMask InkOf(const testsupport::Decoded& picture) {
    InkMask m{picture.width, picture.height, {}, 0};
    m.ink.resize(std::size_t(m.width) * m.height);
    for (std::size_t i = 0; i < m.ink.size(); ++i) {
        const std::uint8_t* p = &picture.rgba[4 * i];
        m.ink[i] = p[0] + p[1] + p[2] < 3 * 235; // mean below 235
        m.count += m.ink[i];
    }
    return m;
}

double Agreement(const InkMask& ours, const InkMask& theirs) {
    if (ours.width != theirs.width || ours.height != theirs.height) return -1;
    if (ours.count == 0 || theirs.count == 0) return ours.count == theirs.count ? 1 : 0;
    const long agreeing = Covered(ours, Grown(theirs)) + Covered(theirs, Grown(ours));
    return double(agreeing) / double(ours.count + theirs.count);
}

} // namespace inkagreement
