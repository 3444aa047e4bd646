#include <QApplication>
#include <QFile>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include "app/DlgOption.h"
#include "tests/app/AppFixture.h"
#include "warp/WarpImage.h"
#include "warp/WarpMLS.h"
#include "warp/WarpRBF.h"

namespace {

// Presses OK or Cancel in the option dialog once it opens, keeping its preselection.
void AnswerOptionDialog(bool ok) {
    QTimer::singleShot(0, [ok] {
        auto* dialog = qobject_cast<CDlgOption*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        EXPECT_TRUE(dialog->findChildren<QRadioButton*>().value(1)->isChecked()) << "RBF";
        for (QPushButton* b : dialog->findChildren<QPushButton*>())
            if (b->text() == (ok ? "OK" : "Cancel")) b->click();
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
    EXPECT_EQ(view->GetMethod()->GetSrcPoints(), (std::vector<POINT>{{10, 10}, {59, 39}, {5, 5}}));
    EXPECT_EQ(view->GetMethod()->GetDstPoints(),
              (std::vector<POINT>{{30, 20}, {59, 39}, {200, 150}}));
    EXPECT_FALSE(view->IsDragging());
}

TEST_F(AppTest, DoWarpingGivesTheWarpImageResultPaintedWithThePairs) {
    CTorvexDoc* doc = Open(WriteBmp("warp.bmp", 64, 48));
    ASSERT_NE(doc, nullptr);
    const CxImage source(*doc->GetImage());
    Command(ID_CONTROL_POINTS);
    Drag({10, 20}, {40, 20});
    frame->GetAction(ID_DO_WARPING)->trigger(); // the menu item
    ProcessEvents();
    CWarpMLS expected;
    expected.AddPair({10, 20}, {40, 20});
    const auto want = WarpImage(source, expected);
    ASSERT_EQ(doc->GetImage()->GetSize(), want->GetSize());
    EXPECT_EQ(0, std::memcmp(doc->GetImage()->GetDIB(), want->GetDIB(), want->GetSize()));
    EXPECT_FALSE(ActiveView()->IsPairMode());

    HDC hdc = ActiveView()->RenderToSurface(QSize(100, 80), QPoint(0, 0));
    ASSERT_NE(hdc, nullptr);
    const RGBQUAD c = want->GetPixelColor(50, 48 - 1 - 40, false);
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
    AnswerOptionDialog(false);
    Command(ID_OPTION);
    EXPECT_EQ(view->GetMethod()->GetPairCount(), 1u) << "cancel keeps method and pairs";
    AnswerOptionDialog(true);
    Command(ID_OPTION);
    EXPECT_NE(dynamic_cast<CWarpRBF*>(view->GetMethod()), nullptr);
    EXPECT_EQ(view->GetMethod()->GetPairCount(), 0u);
    EXPECT_TRUE(view->IsPairMode()) << "the option does not end pair mode";
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
    EXPECT_EQ(view->GetMethod()->GetSrcPoints(), (std::vector<POINT>{{1999, 1499}}));
    EXPECT_EQ(view->GetMethod()->GetDstPoints(), (std::vector<POINT>{{1989, 1489}}));
}

TEST_F(AppTest, EmptyDocumentsIgnorePairsAndWarpingAndLostMouseEndsADrag) {
    Command(ID_FILE_NEW);
    Command(ID_CONTROL_POINTS);
    Drag({1, 1}, {5, 5});
    Command(ID_DO_WARPING);
    EXPECT_EQ(ActiveDoc()->GetImage(), nullptr);
    EXPECT_EQ(ActiveView()->GetMethod()->GetPairCount(), 0u);

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

TEST_F(AppTest, PrintsToAPdfFileAndPreviewsWithACopyOfThePage) {
    ASSERT_NE(Open(WriteBmp("print.bmp", 40, 30)), nullptr);
    const QString pdf = tempDir + "/out.pdf";
    app->GetPrinter().setOutputFormat(QPrinter::PdfFormat);
    app->GetPrinter().setOutputFileName(pdf);
    Command(ID_FILE_PRINT);
    QFile file(pdf);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.read(4) == "%PDF");
    EXPECT_GT(file.size(), 500);

    bool shown = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&shown] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* preview = qobject_cast<QPrintPreviewDialog*>(w);
            if (preview && preview->isVisible()) shown = true, preview->reject();
        }
    });
    poll.start(20);
    Command(ID_FILE_PRINT_PREVIEW);
    EXPECT_TRUE(shown);
}
