// Drawing the control pairs over the image.
#include "platform/Truncate.h"
#include "warp/WarpMethod.h"

namespace {

constexpr COLORREF kLineColor = RGB(0, 255, 0);
constexpr COLORREF kSourceColor = RGB(255, 0, 0);
constexpr COLORREF kTargetColor = RGB(0, 0, 255);
constexpr int kArm = 3;

} // namespace

void CWarpMethod::DrawPairs(HDC hdc) const {
    HPEN pen = CreatePen(PS_SOLID, 1, kLineColor);
    HGDIOBJ previous = SelectObject(hdc, pen);
    for (std::size_t i = 0; i < m_srcPoints.size(); ++i) {
        const POINT src = m_srcPoints[i], dst = m_dstPoints[i];
        DrawMarker(src.x, src.y, true, hdc);
        MoveToEx(hdc, src.x, src.y, nullptr);
        LineTo(hdc, dst.x, dst.y);
        DrawMarker(dst.x, dst.y, false, hdc);
    }
    SelectObject(hdc, previous);
    DeleteObject(pen);
}

// Each stroke is a move-to and a line-to, so its end pixel stays unpainted.
// The far ends saturate instead of overflowing for points at the top of the
// int range, which lie far outside any surface.
void CWarpMethod::DrawMarker(int x, int y, bool isSource, HDC hdc) {
    HPEN pen = CreatePen(PS_SOLID, 2, isSource ? kSourceColor : kTargetColor);
    HGDIOBJ previous = SelectObject(hdc, pen);
    const int cx = x > kArm ? x : kArm;
    const int cy = y > kArm ? y : kArm;
    MoveToEx(hdc, cx - kArm, y, nullptr);
    LineTo(hdc, SaturateToInt(0LL + cx + kArm), y);
    MoveToEx(hdc, x, cy - kArm, nullptr);
    LineTo(hdc, x, SaturateToInt(0LL + cy + kArm));
    SelectObject(hdc, previous);
    DeleteObject(pen);
}
