#include "app/framework/View.h"

#include <QCursor>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QScrollBar>

#include "app/framework/FrameworkIds.h"
#include "app/framework/WinApp.h"

namespace {

CView::PrintDialogHook& PrintHook() {
    static CView::PrintDialogHook hook;
    return hook;
}

// Mouse key flags passed to the button handlers.
constexpr UINT MK_LBUTTON = 0x0001;
constexpr UINT MK_SHIFT = 0x0004;
constexpr UINT MK_CONTROL = 0x0008;

UINT KeyFlags(const QMouseEvent* event) {
    UINT flags = 0;
    if (event->buttons() & Qt::LeftButton) flags |= MK_LBUTTON;
    if (event->modifiers() & Qt::ShiftModifier) flags |= MK_SHIFT;
    if (event->modifiers() & Qt::ControlModifier) flags |= MK_CONTROL;
    return flags;
}

// Paints a surface context onto a Qt paint device at (0, 0). The image
// shares the surface's pixels; a device that keeps what it is given (a print
// preview records its pages) gets a copy that outlives the surface.
void PaintSurface(QPaintDevice* device, HDC hdc, bool keepsImage) {
    SurfacePixels px{};
    if (!GetSurfacePixels(hdc, &px) || px.width == 0 || px.height == 0) return;
    const QImage image(reinterpret_cast<const uchar*>(px.bits), px.width, px.height,
                       static_cast<qsizetype>(px.width) * 4, QImage::Format_RGB32);
    QPainter painter(device);
    painter.drawImage(0, 0, keepsImage ? image.copy() : image);
}

} // namespace

CView::CView() {
    OnCommand(ID_FILE_PRINT, [this] { OnFilePrint(true); });
    OnCommand(ID_FILE_PRINT_DIRECT, [this] { OnFilePrint(false); });
    OnCommand(ID_FILE_PRINT_PREVIEW, [this] { OnFilePrintPreview(); });
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
}

CView::~CView() = default;

void CView::SetScrollSizes(QSize total) {
    m_totalSize = total;
    UpdateScrollBars();
    viewport()->update();
}

void CView::UpdateScrollBars() {
    const QSize page = viewport()->size();
    QScrollBar* h = horizontalScrollBar();
    QScrollBar* v = verticalScrollBar();
    h->setRange(0, std::max(0, m_totalSize.width() - page.width()));
    v->setRange(0, std::max(0, m_totalSize.height() - page.height()));
    h->setPageStep(page.width());
    v->setPageStep(page.height());
    h->setSingleStep(std::max(1, page.width() / 10));
    v->setSingleStep(std::max(1, page.height() / 10));
}

QPoint CView::GetScrollPosition() const {
    return {horizontalScrollBar()->value(), verticalScrollBar()->value()};
}

void CView::Invalidate() {
    viewport()->update();
}

HDC CView::RenderToSurface(QSize size, QPoint origin) {
    HDC hdc = CreateSurfaceDC(size.width(), size.height(), RGB(255, 255, 255));
    if (!hdc) return nullptr;
    SetViewportOrgEx(hdc, -origin.x(), -origin.y(), nullptr);
    OnDraw(hdc);
    return hdc;
}

void CView::paintEvent(QPaintEvent*) {
    HDC hdc = RenderToSurface(viewport()->size(), GetScrollPosition());
    if (!hdc) return;
    PaintSurface(viewport(), hdc, false);
    DeleteDC(hdc);
}

void CView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

POINT CView::ToLogical(QPoint viewportPos) const {
    const QPoint scroll = GetScrollPosition();
    return POINT{viewportPos.x() + scroll.x(), viewportPos.y() + scroll.y()};
}

QPoint CView::ClampToClient(QPoint pos) const {
    const QRect client = viewport()->rect();
    return {std::clamp(pos.x(), client.left(), client.right()),
            std::clamp(pos.y(), client.top(), client.bottom())};
}

void CView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        OnLButtonDown(KeyFlags(event), ToLogical(event->position().toPoint()));
    QAbstractScrollArea::mousePressEvent(event);
}

void CView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        QPoint pos = event->position().toPoint();
        if (m_bCaptured) pos = ClampToClient(pos);
        OnLButtonUp(KeyFlags(event), ToLogical(pos));
    }
    QAbstractScrollArea::mouseReleaseEvent(event);
}

void CView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (m_bCaptured && ClampToClient(pos) != pos)
        QCursor::setPos(viewport()->mapToGlobal(ClampToClient(pos)));
    QAbstractScrollArea::mouseMoveEvent(event);
}

void CView::OnLButtonDown(UINT, POINT) {}

void CView::OnLButtonUp(UINT, POINT) {}

void CView::SetCapture() {
    m_bCaptured = true;
    viewport()->grabMouse();
}

void CView::ReleaseCapture() {
    if (!m_bCaptured) return;
    m_bCaptured = false;
    viewport()->releaseMouse();
}

void CView::LoseCapture() {
    if (!m_bCaptured) return;
    ReleaseCapture();
    OnCaptureChanged();
}

bool CView::event(QEvent* event) {
    switch (event->type()) {
    case QEvent::WindowDeactivate:
    case QEvent::Hide:
    case QEvent::FocusOut:
        LoseCapture();
        break;
    default:
        break;
    }
    return QAbstractScrollArea::event(event);
}

void CView::SetPrintDialogHook(PrintDialogHook hook) {
    PrintHook() = std::move(hook);
}

bool CView::OnPreparePrinting(bool showDialog) {
    QPrinter& printer = AfxGetApp()->GetPrinter();
    if (PrintHook()) return PrintHook()(printer);
    if (!showDialog) return true;
    QPrintDialog dialog(&printer, this);
    return dialog.exec() == QDialog::Accepted;
}

void CView::PrintPage(QPrinter& printer) {
    // One logical unit is one printer device unit, as on the screen.
    const QRect page = printer.pageLayout().paintRectPixels(printer.resolution());
    HDC hdc = RenderToSurface(page.size(), QPoint(0, 0));
    if (!hdc) return;
    PaintSurface(&printer, hdc, true);
    DeleteDC(hdc);
}

void CView::OnFilePrint(bool showDialog) {
    if (!OnPreparePrinting(showDialog)) return;
    OnBeginPrinting();
    PrintPage(AfxGetApp()->GetPrinter());
    OnEndPrinting();
}

void CView::OnFilePrintPreview() {
    QPrintPreviewDialog preview(&AfxGetApp()->GetPrinter(), this);
    connect(&preview, &QPrintPreviewDialog::paintRequested, this,
            [this](QPrinter* printer) { PrintPage(*printer); });
    OnBeginPrinting();
    preview.exec();
    OnEndPrinting();
}
