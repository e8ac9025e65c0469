#ifndef CANVAS_H
#define CANVAS_H

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPolygonF>
#include <QString>

#include <memory>

// The companions' pictures are drawn once and written as SVG (for documents and the web)
// or PNG (to look at): a drawing goes to a Canvas, which either writes SVG text or paints
// pixels, so that the drawing code never asks which.

struct Stroke
{
    QColor colour = Qt::black;
    double width = 1; // pixels
    bool dashed = false;
};

enum class TextAnchor { Start, Middle, End };

class Canvas
{
public:
    virtual ~Canvas() = default;
    virtual void line(QPointF from, QPointF to, const Stroke &stroke) = 0;
    virtual void polyline(const QPolygonF &points, const Stroke &stroke) = 0;
    // A circle, outlined with `stroke` (none when its width is 0) and filled with `fill`
    // (none when transparent).
    virtual void circle(QPointF centre, double radius, const Stroke &stroke, QColor fill) = 0;
    // Text in the plots' font, its baseline at `at`.
    virtual void text(QPointF at, const QString &text, QColor colour,
        TextAnchor anchor = TextAnchor::Start, bool bold = false)
        = 0;
    // The canvas clips what follows to a rectangle until `unclip`.
    virtual void clip(const QRectF &rectangle) = 0;
    virtual void unclip() = 0;
    // The picture as the bytes of its file.
    virtual QByteArray bytes() = 0;
};

// The font of every plot: 12 pixels of the platform's sans-serif (DejaVu Sans on Debian).
constexpr int kPlotFontPixels = 12;

enum class PictureFormat { Svg, Png };

// A canvas of `width` × `height` pixels on a white ground.
std::unique_ptr<Canvas> makeCanvas(PictureFormat format, int width, int height);

#endif // CANVAS_H
