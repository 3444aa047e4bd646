// CView: a scrolling view of a document inside a document window. It paints
// through the software device context: OnDraw draws in logical coordinates
// (origin at the top-left of the scrollable area, y downwards), and the view
// shifts the context by the scroll position, so the whole scroll range can
// be seen. Mouse positions reach the handlers in the same logical
// coordinates. Printing renders OnDraw onto the printer, one page.
#pragma once

#include <QAbstractScrollArea>

#include "app/framework/CmdTarget.h"
#include "platform/Gdi.h"

class CDocument;
class CMDIChildWnd;
class QPrinter;

class CView : public QAbstractScrollArea, public CCmdTarget {
    Q_OBJECT
public:
    CView();
    ~CView() override;

    CDocument* GetDocument() const { return m_pDocument; }
    void SetDocument(CDocument* doc) { m_pDocument = doc; }
    CMDIChildWnd* GetParentFrame() const { return m_pFrame; }
    void SetParentFrame(CMDIChildWnd* frame) { m_pFrame = frame; }

    virtual void OnInitialUpdate() {}
    // Called when the document changed through another view.
    virtual void OnUpdate(CView* /*sender*/) { Invalidate(); }
    virtual void OnDraw(HDC hdc) = 0;

    // The scrollable area, in logical units (pixels).
    void SetScrollSizes(QSize total);
    QSize GetTotalSize() const { return m_totalSize; }
    QPoint GetScrollPosition() const;
    // Repaints the whole client area, background first.
    void Invalidate();
    // Renders what OnDraw draws into a white surface of the given size,
    // shifted by origin. The caller releases the context with DeleteDC.
    HDC RenderToSurface(QSize size, QPoint origin);

    // Printing: the preparation may show the print dialog; false cancels.
    virtual bool OnPreparePrinting(bool showDialog);
    virtual void OnBeginPrinting() {}
    virtual void OnEndPrinting() {}
    // Tests replace the print dialog with this hook (true = print).
    using PrintDialogHook = std::function<bool(QPrinter&)>;
    static void SetPrintDialogHook(PrintDialogHook hook);

protected:
    // Mouse handlers, with the position in logical coordinates.
    virtual void OnLButtonDown(UINT flags, POINT point);
    virtual void OnLButtonUp(UINT flags, POINT point);
    // The view lost the mouse while it held it (another window came forward).
    virtual void OnCaptureChanged() {}

    // Holds the mouse for this view and keeps the pointer inside its client
    // area until ReleaseCapture: the pointer is moved back to the edge when it
    // leaves, and a release outside is taken at the nearest point inside.
    void SetCapture();
    void ReleaseCapture();
    bool HasCapture() const { return m_bCaptured; }

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;

private:
    void OnFilePrint(bool showDialog);
    void OnFilePrintPreview();
    void PrintPage(QPrinter& printer);
    void UpdateScrollBars();
    POINT ToLogical(QPoint viewportPos) const;
    QPoint ClampToClient(QPoint viewportPos) const;
    void LoseCapture();

    CDocument* m_pDocument = nullptr;
    CMDIChildWnd* m_pFrame = nullptr;
    QSize m_totalSize{0, 0};
    bool m_bCaptured = false;
};
