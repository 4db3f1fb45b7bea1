#pragma once
// The texture view inside the main window's tab area: draws the main window's bitmap at
// its natural size (or stretched over the view) on a background that shows transparency
// as a checkerboard or a single colour. Beyond that, the view zooms in whole steps with
// sharp texels and scrolls when the texture is larger than the view.
#include "raster/Bitmap32.h"

#include <QAbstractScrollArea>
#include <QImage>
#include <memory>

class QLabel;

class CDlgRender : public QAbstractScrollArea {
    Q_OBJECT
public:
    enum Option : uint32_t {
        RENDER_STATIC = 0x01,     // through a picture control: transparency shows white
        RENDER_STRETCH = 0x02,    // scaled over the whole view, aspect not kept
        RENDER_BACKGROUND = 0x04, // something under the image
        RENDER_FIXED_BG = 0x08,   // the checkerboard is always 1024 x 1024
        RENDER_CHECKER = 0x10,    // the background is the checkerboard, else the colour
        RENDER_CACHED = 0x20,     // the unstretched image is drawn from a device copy
    };

    explicit CDlgRender(QWidget* parent = nullptr);
    ~CDlgRender() override;

    // The bitmap stays the caller's and must live until the next SetImage.
    void SetImage(const Bitmap32* image);
    const Bitmap32* Image() const { return m_pImage; }
    // What the view says when a texture cannot be drawn, in the interface language.
    void SetFailureText(const QString& text);
    void UpdateBackground();
    void Draw();

    uint32_t Options() const { return m_dwOptions; }
    void SetOptions(uint32_t options);
    void SetOption(uint32_t option, bool on);
    uint32_t BackgroundColor() const { return m_dwColor; } // ARGB
    void SetBackgroundColor(uint32_t argb);
    const QImage* BackgroundImage() const { return m_pBackground.get(); }

    // 1 is the natural size; steps double or halve, from 1/8 to 32.
    double Zoom() const { return m_fZoom; }
    void SetZoom(double zoom);
    void ZoomIn() { SetZoom(m_fZoom * 2); }
    void ZoomOut() { SetZoom(m_fZoom / 2); }

    // What the view shows now, as drawn on screen.
    QImage Snapshot();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void UpdateScrollBars();
    void UpdateStatic();

    float m_rStretch[4] = {0, 0, 0, 0}; // x, y, width, height
    const Bitmap32* m_pImage = nullptr;
    QImage m_Wrapped; // m_pImage's pixels, not copied
    std::unique_ptr<QImage> m_pBackground;
    uint32_t m_dwOptions = RENDER_CACHED;
    uint32_t m_dwColor = 0xFF808080;
    double m_fZoom = 1.0;
    QLabel* m_pStatic = nullptr;
    QLabel* m_pText = nullptr;
};
