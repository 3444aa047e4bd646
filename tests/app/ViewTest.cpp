#include <QApplication>
#include <QFile>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <functional>

#include "app/DlgOption.h"
#include "app/Resource.h"
#include "tests/app/AppFixture.h"
#include "warp/WarpIDW.h"
#include "warp/WarpImage.h"
#include "warp/WarpMLS.h"
#include "warp/WarpRBF.h"

namespace {

// Answers the option dialog when it opens: checks the button (or none) and presses OK or Cancel.
void AnswerOptionDialog(int button, bool ok) {
    QTimer::singleShot(0, [button, ok] {
        auto* dialog = qobject_cast<CDlgOption*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        const auto radios = dialog->findChildren<QRadioButton*>();
        ASSERT_EQ(radios.size(), 3);
        EXPECT_TRUE(radios[1]->isChecked()) << "the dialog opens on the radial basis functions";
        if (button >= 0) radios[button]->setChecked(true);
        for (QPushButton* b : dialog->findChildren<QPushButton*>()) {
            if (b->text() == (ok ? "OK" : "Cancel")) b->click();
        }
    });
}

std::uint32_t Pixel(HDC hdc, int x, int y) {
    SurfacePixels px{};
    GetSurfacePixels(hdc, &px);
    return px.bits[y * px.width + x] & 0xFFFFFF;
}

} // namespace

TEST_F(AppTest, PairModePlacesPairsFromPressToRelease) {
    ASSERT_NE(Open(WriteBmp("pairs.bmp", 60, 40)), nullptr);
    CTorvexView* view = ActiveView();
    Drag({10, 10}, {30, 20});
    EXPECT_EQ(view->GetMethod()->GetPairCount(), 0u) << "not in pair mode yet";

    Command(ID_CONTROL_POINTS);
    Command(ID_CONTROL_POINTS);
    EXPECT_TRUE(view->IsPairMode()) << "a second choice leaves pair mode on";
    Drag({10, 10}, {30, 20});
    Drag({59, 39}, {59, 39}); // the last pixel starts a pair; a click stores source = target
    Drag({60, 5}, {10, 10});  // one past the image starts nothing
    Drag({5, 5}, {200, 150}); // the target may lie outside the image
    const auto& src = view->GetMethod()->GetSrcPoints();
    const auto& dst = view->GetMethod()->GetDstPoints();
    ASSERT_EQ(src.size(), 3u);
    EXPECT_EQ(src[0], (POINT{10, 10}));
    EXPECT_EQ(dst[0], (POINT{30, 20}));
    EXPECT_EQ(src[1], dst[1]);
    EXPECT_EQ(dst[2], (POINT{200, 150}));
    EXPECT_FALSE(view->IsDragging());
}

TEST_F(AppTest, DoWarpingReplacesTheImageWithTheWarpedOne) {
    CTorvexDoc* doc = Open(WriteBmp("warp.bmp", 50, 30));
    ASSERT_NE(doc, nullptr);
    const CxImage source(*doc->GetImage());
    Command(ID_CONTROL_POINTS);
    Drag({20, 15}, {26, 12});
    ASSERT_TRUE(frame->GetAction(ID_DO_WARPING)->isEnabled() || IsEnabled(ID_DO_WARPING));
    frame->GetAction(ID_DO_WARPING)->trigger();
    ProcessEvents();

    CWarpMLS expected;
    expected.AddPair({20, 15}, {26, 12});
    const auto want = WarpImage(source, expected);
    const CxImage* got = doc->GetImage();
    ASSERT_EQ(got->GetSize(), want->GetSize());
    EXPECT_EQ(0, std::memcmp(got->GetDIB(), want->GetDIB(), got->GetSize()));
    EXPECT_FALSE(ActiveView()->IsPairMode());
    EXPECT_EQ(ActiveView()->GetMethod()->GetPairCount(), 5u);
    Drag({1, 1}, {2, 2});
    EXPECT_EQ(ActiveView()->GetMethod()->GetPairCount(), 5u) << "pair mode ended with the warp";
}

TEST_F(AppTest, PaintShowsTheImageAndThePairsOverIt) {
    ASSERT_NE(Open(WriteBmp("paint.bmp", 64, 48)), nullptr);
    Command(ID_CONTROL_POINTS);
    Drag({10, 20}, {40, 20});
    CTorvexView* view = ActiveView();
    HDC hdc = view->RenderToSurface(QSize(100, 80), QPoint(0, 0));
    ASSERT_NE(hdc, nullptr);
    const RGBQUAD c = ActiveDoc()->GetImage()->GetPixelColor(50, 48 - 1 - 40, false);
    EXPECT_EQ(Pixel(hdc, 50, 40), (std::uint32_t(c.rgbRed) << 16) | (c.rgbGreen << 8) | c.rgbBlue);
    EXPECT_EQ(Pixel(hdc, 10, 18), 0xFF0000u) << "red source cross";
    EXPECT_EQ(Pixel(hdc, 25, 20), 0x00FF00u) << "green line";
    EXPECT_EQ(Pixel(hdc, 40, 18), 0x0000FFu) << "blue target cross";
    EXPECT_EQ(Pixel(hdc, 90, 70), 0xFFFFFFu) << "background beyond the image";
    DeleteDC(hdc);
}

TEST_F(AppTest, OptionReplacesTheMethodAndDropsThePairs) {
    ASSERT_NE(Open(WriteBmp("option.bmp", 30, 30)), nullptr);
    CTorvexView* view = ActiveView();
    EXPECT_NE(dynamic_cast<CWarpMLS*>(view->GetMethod()), nullptr) << "a new view uses MLS";
    Command(ID_CONTROL_POINTS);
    Drag({5, 5}, {6, 6});

    AnswerOptionDialog(-1, false);
    Command(ID_OPTION);
    EXPECT_EQ(view->GetMethod()->GetPairCount(), 1u) << "cancel keeps method and pairs";

    AnswerOptionDialog(-1, true);
    Command(ID_OPTION);
    EXPECT_NE(dynamic_cast<CWarpRBF*>(view->GetMethod()), nullptr);
    EXPECT_EQ(view->GetMethod()->GetPairCount(), 0u);
    EXPECT_TRUE(view->IsPairMode()) << "the option does not end pair mode";

    AnswerOptionDialog(0, true);
    Command(ID_OPTION);
    EXPECT_NE(dynamic_cast<CWarpIDW*>(view->GetMethod()), nullptr);
    AnswerOptionDialog(2, true);
    Command(ID_OPTION);
    EXPECT_NE(dynamic_cast<CWarpMLS*>(view->GetMethod()), nullptr);
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(AppTest, ScrollingReachesTheWholeImageAndPairsStayInImageCoordinates) {
    ASSERT_NE(Open(WriteBmp("large.bmp", 2000, 1500)), nullptr);
    CTorvexView* view = ActiveView();
    QScrollBar* h = view->horizontalScrollBar();
    QScrollBar* v = view->verticalScrollBar();
    EXPECT_EQ(h->maximum(), 2000 - view->viewport()->width());
    EXPECT_EQ(v->maximum(), 1500 - view->viewport()->height());
    h->setValue(h->maximum());
    v->setValue(v->maximum());
    Command(ID_CONTROL_POINTS);
    const QPoint last(view->viewport()->width() - 1, view->viewport()->height() - 1);
    Drag(last, last - QPoint(10, 10));
    ASSERT_EQ(view->GetMethod()->GetPairCount(), 1u);
    EXPECT_EQ(view->GetMethod()->GetSrcPoints()[0], (POINT{1999, 1499}));
    EXPECT_EQ(view->GetMethod()->GetDstPoints()[0], (POINT{1989, 1489}));
}

TEST_F(AppTest, EmptyDocumentIgnoresPairsAndWarping) {
    Command(ID_FILE_NEW);
    CTorvexView* view = ActiveView();
    Command(ID_CONTROL_POINTS);
    Drag({1, 1}, {5, 5});
    EXPECT_EQ(view->GetMethod()->GetPairCount(), 0u);
    Command(ID_DO_WARPING);
    EXPECT_EQ(ActiveDoc()->GetImage(), nullptr);
    EXPECT_EQ(view->GetMethod()->GetPairCount(), 0u);
}

TEST_F(AppTest, LosingTheMouseWhileDraggingEndsTheDrag) {
    ASSERT_NE(Open(WriteBmp("capture.bmp", 40, 40)), nullptr);
    CTorvexView* view = ActiveView();
    Command(ID_CONTROL_POINTS);
    QTest::mousePress(view->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_TRUE(view->IsDragging());
    QEvent deactivate(QEvent::WindowDeactivate);
    QApplication::sendEvent(view, &deactivate);
    EXPECT_FALSE(view->IsDragging());
    QTest::mouseRelease(view->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(9, 9));
    EXPECT_EQ(view->GetMethod()->GetPairCount(), 0u);
}

TEST_F(AppTest, PrintsWhatTheViewPaintsToAPdfFile) {
    ASSERT_NE(Open(WriteBmp("print.bmp", 40, 30)), nullptr);
    QPrinter& printer = app->GetPrinter();
    const QString pdf = tempDir + "/out.pdf";
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    Command(ID_FILE_PRINT);
    QFile file(pdf);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.read(4) == "%PDF");
    EXPECT_GT(file.size(), 500);
}

TEST_F(AppTest, PrintPreviewRendersAndCloses) {
    ASSERT_NE(Open(WriteBmp("preview.bmp", 40, 30)), nullptr);
    bool shown = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&shown] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* preview = qobject_cast<QPrintPreviewDialog*>(w);
                preview && preview->isVisible()) {
                shown = true;
                preview->reject();
            }
        }
    });
    poll.start(20);
    Command(ID_FILE_PRINT_PREVIEW);
    EXPECT_TRUE(shown);
}
