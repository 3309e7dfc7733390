#pragma once

// A paint device that records what is painted on it, page by page, as the plainest QPainter calls that
// paint the same again: text runs at their baselines in their fonts, paths, polygons, pictures, with the
// pen, brush, transform and clip they had. Replayed on a QPdfWriter it gives what writing the same
// drawing costs without any layout of our own: the floor a renderer's time is measured against.

#include <QImage>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>
#include <QTextItem>
#include <functional>
#include <vector>

namespace bench {

using Page = std::vector<std::function<void(QPainter&)>>;

class RecordingEngine : public QPaintEngine {
  public:
    RecordingEngine() : QPaintEngine(QPaintEngine::AllFeatures) {}
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    Type type() const override { return QPaintEngine::User; }

    void newPage() { pages.emplace_back(); }
    void updateState(const QPaintEngineState& state) override {
        const auto dirty = state.state();
        if (dirty & DirtyPen) record([pen = state.pen()](QPainter& p) { p.setPen(pen); });
        if (dirty & DirtyBrush) record([brush = state.brush()](QPainter& p) { p.setBrush(brush); });
        if (dirty & DirtyBackground)
            record([brush = state.backgroundBrush()](QPainter& p) { p.setBackground(brush); });
        if (dirty & DirtyBackgroundMode)
            record([mode = state.backgroundMode()](QPainter& p) { p.setBackgroundMode(mode); });
        if (dirty & DirtyTransform)
            record([transform = state.transform()](QPainter& p) { p.setTransform(transform); });
        if (dirty & DirtyClipEnabled)
            record([enabled = state.isClipEnabled()](QPainter& p) { p.setClipping(enabled); });
        if (dirty & DirtyClipRegion)
            record([region = state.clipRegion(), how = state.clipOperation()](QPainter& p) {
                p.setClipRegion(region, how);
            });
        if (dirty & DirtyClipPath)
            record([path = state.clipPath(), how = state.clipOperation()](QPainter& p) {
                p.setClipPath(path, how);
            });
        if (dirty & DirtyHints) record([hints = state.renderHints()](QPainter& p) { p.setRenderHints(hints, true); });
        if (dirty & DirtyOpacity) record([opacity = state.opacity()](QPainter& p) { p.setOpacity(opacity); });
    }
    void drawTextItem(const QPointF& at, const QTextItem& text) override {
        record([at, font = text.font(), run = text.text()](QPainter& p) {
            p.setFont(font);
            p.drawText(at, run);
        });
    }
    void drawPath(const QPainterPath& path) override {
        record([path](QPainter& p) { p.drawPath(path); });
    }
    void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override {
        record([polygon = QPolygonF(QList<QPointF>(points, points + count)), mode](QPainter& p) {
            if (mode == PolylineMode)
                p.drawPolyline(polygon);
            else
                p.drawPolygon(polygon, mode == WindingMode ? Qt::WindingFill : Qt::OddEvenFill);
        });
    }
    void drawPixmap(const QRectF& target, const QPixmap& pixmap, const QRectF& source) override {
        record([target, pixmap, source](QPainter& p) { p.drawPixmap(target, pixmap, source); });
    }
    void drawImage(const QRectF& target, const QImage& image, const QRectF& source,
                   Qt::ImageConversionFlags flags) override {
        record([target, image, source, flags](QPainter& p) { p.drawImage(target, image, source, flags); });
    }

    std::vector<Page> pages{1};

  private:
    template <typename Call>
    void record(Call call) {
        pages.back().emplace_back(std::move(call));
    }
};

// Pages of one size at a resolution, recorded.
class DrawingRecorder : public QPaintDevice {
  public:
    DrawingRecorder(QSizeF pageInches, int dotsPerInch) : size_(pageInches), dpi_(dotsPerInch) {}
    QPaintEngine* paintEngine() const override { return &engine_; }
    void newPage() { engine_.newPage(); }
    std::vector<Page>& pages() { return engine_.pages; }

  protected:
    int metric(PaintDeviceMetric metric) const override {
        switch (metric) {
            case PdmWidth:
                return static_cast<int>(size_.width() * dpi_);
            case PdmHeight:
                return static_cast<int>(size_.height() * dpi_);
            case PdmWidthMM:
                return static_cast<int>(size_.width() * 25.4);
            case PdmHeightMM:
                return static_cast<int>(size_.height() * 25.4);
            case PdmDpiX:
            case PdmDpiY:
            case PdmPhysicalDpiX:
            case PdmPhysicalDpiY:
                return dpi_;
            case PdmDevicePixelRatio:
                return 1;
            case PdmDevicePixelRatioScaled:
                return static_cast<int>(devicePixelRatioFScale());
            default:
                return 32;  // colours: depth and count
        }
    }

  private:
    QSizeF size_;
    int dpi_;
    mutable RecordingEngine engine_;
};

// The recorded pages painted again on a device that starts a new page with newPage.
template <typename PagedDevice>
void replay(const std::vector<Page>& pages, PagedDevice& device) {
    QPainter painter(&device);
    for (std::size_t i = 0; i < pages.size(); ++i) {
        if (i > 0) device.newPage();
        for (const auto& call : pages[i]) call(painter);
    }
}

}  // namespace bench
