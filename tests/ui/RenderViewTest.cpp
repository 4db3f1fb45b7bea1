// The texture view: backgrounds, stretching, the picture-control mode and zooming, as
// drawn offscreen.
#include "raster/Bitmap32.h"
#include "ui/UiTests.h"
#include "ui/controls/DlgRender.h"

#include <QScrollBar>
#include <QTest>

namespace {

// w x h, every texel transparent except those set.
std::unique_ptr<Bitmap32> Picture(uint32_t w, uint32_t h) {
    auto b = Bitmap32::Create(w, h);
    std::fill(b->Bits(), b->Bits() + b->ByteSize(), 0);
    return b;
}

void Set(Bitmap32& b, uint32_t x, uint32_t y, uint32_t argb) {
    uint8_t* p = b.Pixel(x, y);
    p[0] = uint8_t(argb);
    p[1] = uint8_t(argb >> 8);
    p[2] = uint8_t(argb >> 16);
    p[3] = uint8_t(argb >> 24);
}

} // namespace

class RenderViewTest : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<CDlgRender> View() {
        auto view = std::make_unique<CDlgRender>();
        view->resize(200, 100);
        view->show();
        return view;
    }

private slots:
    void checkerboardFollowsTheImageSize() {
        auto view = View();
        view->SetOptions(CDlgRender::RENDER_CACHED | CDlgRender::RENDER_BACKGROUND |
                         CDlgRender::RENDER_CHECKER);
        auto a = Picture(64, 32), b = Picture(64, 32);
        view->SetImage(a.get());
        const QImage* background = view->BackgroundImage();
        QVERIFY(background);
        QCOMPARE(background->size(), QSize(64, 32));
        QCOMPARE(background->pixel(0, 0), 0xFFFFFFFFu);
        QCOMPARE(background->pixel(8, 0), 0xFFC0C0C0u);
        QCOMPARE(background->pixel(8, 8), 0xFFFFFFFFu);
        view->SetImage(b.get());
        QCOMPARE(view->BackgroundImage(), background); // kept, not made again
        QImage shot = view->Snapshot();
        QCOMPARE(shot.pixel(9, 1), 0xFFC0C0C0u);    // transparent texel over the board
        QCOMPARE(shot.pixel(100, 50), 0xFFFFFFFFu); // beyond the image: white

        view->SetOption(CDlgRender::RENDER_FIXED_BG, true);
        QCOMPARE(view->BackgroundImage()->size(), QSize(1024, 1024));
        background = view->BackgroundImage();
        auto c = Picture(16, 16);
        view->SetImage(c.get());
        QCOMPARE(view->BackgroundImage(), background);
    }

    void noBackgroundSingleColourAndStatic() {
        auto view = View();
        auto image = Picture(4, 4);
        Set(*image, 1, 0, 0xFFFF0000);
        view->SetOptions(CDlgRender::RENDER_CACHED); // None
        view->SetImage(image.get());
        QImage shot = view->Snapshot();
        QCOMPARE(shot.pixel(0, 0), 0xFFFFFFFFu);
        QCOMPARE(shot.pixel(1, 0), 0xFFFF0000u);
        view->SetOptions(CDlgRender::RENDER_CACHED | CDlgRender::RENDER_BACKGROUND); // Single
        shot = view->Snapshot();
        QCOMPARE(shot.pixel(0, 0), 0xFF808080u);
        QCOMPARE(shot.pixel(150, 80), 0xFF808080u);
        // The picture control: transparency shows white, backgrounds are ignored.
        view->SetOption(CDlgRender::RENDER_STATIC, true);
        shot = view->Snapshot();
        QCOMPARE(shot.pixel(0, 0), 0xFFFFFFFFu);
        QCOMPARE(shot.pixel(1, 0), 0xFFFF0000u);
        view->SetImage(nullptr);
        view->SetOption(CDlgRender::RENDER_STATIC, false);
        QCOMPARE(view->Snapshot().pixel(1, 0), 0xFF808080u);
    }

    void stretchFillsTheViewWithSharpTexels() {
        auto view = View();
        auto image = Picture(2, 1);
        Set(*image, 0, 0, 0xFFFF0000);
        Set(*image, 1, 0, 0xFF0000FF);
        view->SetOptions(CDlgRender::RENDER_CACHED | CDlgRender::RENDER_STRETCH);
        view->SetImage(image.get());
        const QImage shot = view->Snapshot();
        QCOMPARE(shot.pixel(0, 0), 0xFFFF0000u);
        QCOMPARE(shot.pixel(98, 99), 0xFFFF0000u); // no blending at the seam
        QCOMPARE(shot.pixel(101, 0), 0xFF0000FFu);
        QCOMPARE(shot.pixel(199, 99), 0xFF0000FFu);
    }

    void zoomKeepsTexelsSharpAndScrolls() {
        auto view = View();
        auto image = Picture(150, 80);
        Set(*image, 149, 79, 0xFF00FF00);
        view->SetImage(image.get());
        QCOMPARE(view->horizontalScrollBar()->maximum(), 0);
        QTest::keyClick(view.get(), Qt::Key_Plus, Qt::ControlModifier);
        QCOMPARE(view->Zoom(), 2.0);
        QVERIFY(view->horizontalScrollBar()->maximum() > 0);
        view->horizontalScrollBar()->setValue(view->horizontalScrollBar()->maximum());
        view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum());
        const QImage shot = view->Snapshot();
        const int w = view->viewport()->width(), h = view->viewport()->height();
        QCOMPARE(shot.pixel(w - 1, h - 1), 0xFF00FF00u);
        QCOMPARE(shot.pixel(w - 2, h - 2), 0xFF00FF00u); // one texel, two pixels wide
        QTest::keyClick(view.get(), Qt::Key_0, Qt::ControlModifier);
        QCOMPARE(view->Zoom(), 1.0);
        QCOMPARE(view->horizontalScrollBar()->maximum(), 0);
    }
};

static UiTestRegistration<RenderViewTest> registration("RenderViewTest");
#include "RenderViewTest.moc"
