// CTorvexView: where the user works on a document's image. In pair mode a
// press inside the image and a release anywhere in the view add a control
// pair; "Do Warping" warps the image with the view's method; "Option..."
// replaces the method, dropping every pair. The view paints the image at its
// own size in the top-left corner and the pairs over it, and scrolls over
// the whole image.
#pragma once

#include <memory>

#include "app/framework/View.h"
#include "warp/WarpMethod.h"

class CTorvexDoc;

class CTorvexView : public CView {
    Q_OBJECT
public:
    CTorvexView();
    ~CTorvexView() override;

    CTorvexDoc* GetDocument() const;
    CWarpMethod* GetMethod() const { return m_pMethod.get(); }
    bool IsPairMode() const { return m_bPairMode; }
    bool IsDragging() const { return m_bDragging; }

    void OnInitialUpdate() override;
    void OnDraw(HDC hdc) override;

    void OnControlPoints();
    void OnDoWarping();
    void OnOption();

protected:
    void OnLButtonDown(UINT flags, POINT point) override;
    void OnLButtonUp(UINT flags, POINT point) override;
    void OnCaptureChanged() override;

private:
    // The scroll range follows the image's size.
    void UpdateScrollSizes();

    bool m_bPairMode = false;
    bool m_bDragging = false;
    POINT m_ptStart{0, 0};
    std::unique_ptr<CWarpMethod> m_pMethod;
};
