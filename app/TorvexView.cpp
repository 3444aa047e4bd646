#include "app/TorvexView.h"

#include "app/DlgOption.h"
#include "app/Resource.h"
#include "app/TorvexDoc.h"
#include "app/framework/MessageBox.h"
#include "warp/WarpImage.h"
#include "warp/WarpMethodFactory.h"

CTorvexView::CTorvexView() : m_pMethod(MakeWarpMethod(kWarpCodeNewView)) {
    OnCommand(ID_CONTROL_POINTS, [this] { OnControlPoints(); });
    OnCommand(ID_OPTION, [this] { OnOption(); });
    OnCommand(ID_DO_WARPING, [this] { OnDoWarping(); });
}

CTorvexView::~CTorvexView() = default;

CTorvexDoc* CTorvexView::GetDocument() const {
    return static_cast<CTorvexDoc*>(CView::GetDocument());
}

void CTorvexView::OnInitialUpdate() {
    CView::OnInitialUpdate();
    UpdateScrollSizes();
}

void CTorvexView::UpdateScrollSizes() {
    const CTorvexDoc* doc = GetDocument();
    const CxImage* image = doc ? doc->GetImage() : nullptr;
    SetScrollSizes(
        image ? QSize(static_cast<int>(image->GetWidth()), static_cast<int>(image->GetHeight()))
              : QSize(0, 0));
}

void CTorvexView::OnDraw(HDC hdc) {
    const CTorvexDoc* doc = GetDocument();
    if (doc && doc->GetImage()) doc->GetImage()->Draw(hdc, 0, 0, -1, -1, nullptr, false);
    m_pMethod->DrawPairs(hdc);
}

void CTorvexView::OnControlPoints() {
    m_bPairMode = true;
}

void CTorvexView::OnLButtonDown(UINT, POINT point) {
    const CTorvexDoc* doc = GetDocument();
    const CxImage* image = doc ? doc->GetImage() : nullptr;
    if (!m_bPairMode || !image) return;
    // PtInRect: left <= x < right and top <= y < bottom.
    const bool inside = point.x >= 0 && point.x < static_cast<LONG>(image->GetWidth()) &&
                        point.y >= 0 && point.y < static_cast<LONG>(image->GetHeight());
    if (!inside) return;
    m_ptStart = point;
    m_bDragging = true;
    SetCapture();
}

void CTorvexView::OnLButtonUp(UINT, POINT point) {
    if (!m_bDragging) return;
    m_pMethod->AddPair(m_ptStart, point);
    m_bDragging = false;
    ReleaseCapture();
    Invalidate();
}

void CTorvexView::OnCaptureChanged() {
    // Another window took the mouse: the pair being placed is abandoned.
    m_bDragging = false;
}

void CTorvexView::OnDoWarping() {
    m_bPairMode = false;
    CTorvexDoc* doc = GetDocument();
    if (!doc || !doc->GetImage()) return;
    std::unique_ptr<CxImage> warped = WarpImage(*doc->GetImage(), *m_pMethod);
    if (warped) doc->SetImage(warped.release());
    Invalidate();
}

void CTorvexView::OnOption() {
    CDlgOption dialog;
    dialog.m_nMethod = kWarpCodePreselected;
    if (dialog.DoModal() != IDOK) return;
    m_pMethod.reset(); // the old method and its pairs go before any message
    m_pMethod = MakeWarpMethod(dialog.m_nMethod);
    if (!m_pMethod) {
        AfxMessageBox("Methods not specified.\nDefault method will be used!");
        m_pMethod = MakeWarpMethod(kWarpCodeFallback);
    }
    // Repaint at once so the dropped pairs leave the screen.
    Invalidate();
}
