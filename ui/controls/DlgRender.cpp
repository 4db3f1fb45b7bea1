#include "ui/controls/DlgRender.h"

#include "app/Log.h"
#include "raster/QtImage.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>

CDlgRender::CDlgRender(QWidget* parent) : QAbstractScrollArea(parent) {
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::StrongFocus);
    m_pText = new QLabel(tr("Texture cannot be rendered."), viewport());
    m_pText->setAlignment(Qt::AlignCenter);
    m_pText->hide();
    m_pStatic = new QLabel(viewport());
    m_pStatic->setObjectName("1042");
    m_pStatic->hide();
    viewport()->setAutoFillBackground(false);
}

CDlgRender::~CDlgRender() = default;

void CDlgRender::SetFailureText(const QString& text) {
    m_pText->setText(text);
}

void CDlgRender::SetImage(const Bitmap32* image) {
    LogPrintA("CDlgRender: Updating m_pImage %d x %d (0x%08x)...\n",
              image ? static_cast<int>(image->Width()) : 0,
              image ? static_cast<int>(image->Height()) : 0,
              static_cast<unsigned>(reinterpret_cast<uintptr_t>(image)));
    m_pImage = image;
    m_Wrapped = image ? QtImage::Wrap(*image) : QImage();
    if (m_dwOptions & RENDER_BACKGROUND)
        UpdateBackground();
    UpdateScrollBars();
    Draw();
}

void CDlgRender::UpdateBackground() {
    int width = 1024, height = 1024;
    if (m_pImage && !(m_dwOptions & RENDER_FIXED_BG)) {
        width = static_cast<int>(m_pImage->Width());
        height = static_cast<int>(m_pImage->Height());
    }
    if (!(m_dwOptions & RENDER_CHECKER))
        return;
    if (m_pBackground && m_pBackground->width() == width && m_pBackground->height() == height)
        return;
    m_pBackground.reset();
    LogPrintA("CDlgRender: Generating background image...\n");
    auto background = std::make_unique<QImage>(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(background->scanLine(y));
        for (int x = 0; x < width; ++x)
            row[x] = ((x / 8) + (y / 8)) % 2 == 0 ? 0xFFFFFFFF : 0xFFC0C0C0;
    }
    m_pBackground = std::move(background);
}

void CDlgRender::Draw() {
    UpdateStatic();
    viewport()->update();
}

void CDlgRender::SetOptions(uint32_t options) {
    m_dwOptions = options;
    if (m_dwOptions & RENDER_BACKGROUND)
        UpdateBackground();
    UpdateScrollBars();
    Draw();
}

void CDlgRender::SetOption(uint32_t option, bool on) {
    SetOptions(on ? (m_dwOptions | option) : (m_dwOptions & ~option));
}

void CDlgRender::SetBackgroundColor(uint32_t argb) {
    m_dwColor = argb;
    Draw();
}

void CDlgRender::SetZoom(double zoom) {
    m_fZoom = std::clamp(zoom, 1.0 / 8, 32.0);
    UpdateScrollBars();
    Draw();
}

void CDlgRender::UpdateStatic() {
    // The picture control: the texture over white, no background, no stretching.
    if (!(m_dwOptions & RENDER_STATIC)) {
        m_pStatic->hide();
        return;
    }
    if (m_pImage) {
        QImage flat(m_Wrapped.size(), QImage::Format_RGB32);
        flat.fill(Qt::white);
        QPainter painter(&flat);
        painter.drawImage(0, 0, m_Wrapped);
        painter.end();
        LogPrintA("CDlgRender: Drawing texture via CStatic::SetBitmap( hBmp)...\n");
        m_pStatic->setPixmap(QPixmap::fromImage(flat));
        m_pStatic->resize(flat.size());
    } else {
        m_pStatic->clear();
    }
    m_pStatic->move(0, 0);
    m_pStatic->show();
}

void CDlgRender::UpdateScrollBars() {
    QSize content(0, 0);
    if (m_pImage && !(m_dwOptions & (RENDER_STRETCH | RENDER_STATIC)))
        content = QSize(int(m_pImage->Width() * m_fZoom), int(m_pImage->Height() * m_fZoom));
    const QSize view = viewport()->size();
    horizontalScrollBar()->setRange(0, std::max(0, content.width() - view.width()));
    verticalScrollBar()->setRange(0, std::max(0, content.height() - view.height()));
    horizontalScrollBar()->setPageStep(view.width());
    verticalScrollBar()->setPageStep(view.height());
}

void CDlgRender::paintEvent(QPaintEvent*) {
    if (m_dwOptions & RENDER_STATIC)
        return;
    QPainter painter(viewport());
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false); // sharp texels
    const QRect all = viewport()->rect();
    painter.fillRect(all, Qt::white);
    const bool stretch = m_dwOptions & RENDER_STRETCH;
    // Unstretched, background and image scroll and zoom together.
    if (!stretch) {
        painter.translate(-horizontalScrollBar()->value(), -verticalScrollBar()->value());
        painter.scale(m_fZoom, m_fZoom);
    }
    if (m_dwOptions & RENDER_BACKGROUND) {
        if (m_dwOptions & RENDER_CHECKER) {
            if (m_pBackground)
                painter.drawImage(0, 0, *m_pBackground);
        } else {
            painter.save();
            painter.resetTransform();
            painter.fillRect(all, QColor::fromRgba(m_dwColor));
            painter.restore();
        }
    }
    if (!m_pImage)
        return;
    if (stretch) {
        painter.drawImage(QRectF(m_rStretch[0], m_rStretch[1], m_rStretch[2], m_rStretch[3]),
                          m_Wrapped);
    } else {
        LogPrintA("CDlgRender: Drawing Gdiplus::CachedBitmap...\n");
        painter.drawImage(0, 0, m_Wrapped);
    }
}

void CDlgRender::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    m_rStretch[2] = static_cast<float>(viewport()->width());
    m_rStretch[3] = static_cast<float>(viewport()->height());
    m_pText->resize(viewport()->size());
    UpdateScrollBars();
}

void CDlgRender::wheelEvent(QWheelEvent* event) {
    if (event->modifiers() & Qt::ControlModifier) {
        if (event->angleDelta().y() > 0)
            ZoomIn();
        else if (event->angleDelta().y() < 0)
            ZoomOut();
        event->accept();
        return;
    }
    QAbstractScrollArea::wheelEvent(event);
}

void CDlgRender::keyPressEvent(QKeyEvent* event) {
    if (event->modifiers() & Qt::ControlModifier) {
        switch (event->key()) {
        case Qt::Key_Plus:
        case Qt::Key_Equal:
            ZoomIn();
            return;
        case Qt::Key_Minus:
            ZoomOut();
            return;
        case Qt::Key_0:
            SetZoom(1);
            return;
        }
    }
    QAbstractScrollArea::keyPressEvent(event);
}

void CDlgRender::scrollContentsBy(int, int) {
    viewport()->update();
}

QImage CDlgRender::Snapshot() {
    return viewport()->grab().toImage().convertToFormat(QImage::Format_ARGB32);
}
