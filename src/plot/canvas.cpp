#include "canvas.h"

#include <QBuffer>
#include <QFont>
#include <QVector>

#include <algorithm>

namespace {

QString number(double value)
{
    return QString::number(value, 'f', 1);
}

QString colourText(const QColor &colour)
{
    return colour.name(QColor::HexRgb);
}

class SvgCanvas : public Canvas
{
public:
    SvgCanvas(int width, int height)
    {
        m_content = QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" "
                                   "height=\"%2\" font-family=\"sans-serif\" font-size=\"%3\">\n"
                                   "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n")
                        .arg(width)
                        .arg(height)
                        .arg(kPlotFontPixels)
                        .toUtf8();
    }

    void line(QPointF from, QPointF to, const Stroke &stroke) override
    {
        append(QStringLiteral("<line x1=\"%1\" y1=\"%2\" x2=\"%3\" y2=\"%4\"%5/>")
                   .arg(number(from.x()), number(from.y()), number(to.x()), number(to.y()),
                       strokeText(stroke)));
    }

    void polyline(const QPolygonF &points, const Stroke &stroke) override
    {
        QString list;
        list.reserve(points.size() * 12);
        for (const QPointF &p : points) {
            if (!list.isEmpty()) {
                list += QLatin1Char(' ');
            }
            list += number(p.x()) + QLatin1Char(',') + number(p.y());
        }
        append(QStringLiteral("<polyline fill=\"none\"%1 points=\"%2\"/>")
                   .arg(strokeText(stroke), list));
    }

    void circle(QPointF centre, double radius, const Stroke &stroke, QColor fill) override
    {
        append(QStringLiteral("<circle cx=\"%1\" cy=\"%2\" r=\"%3\" fill=\"%4\"%5/>")
                   .arg(number(centre.x()), number(centre.y()), number(radius),
                       fill.alpha() == 0 ? QStringLiteral("none") : colourText(fill),
                       stroke.width > 0 ? strokeText(stroke) : QString()));
    }

    void text(QPointF at, const QString &text, QColor colour, TextAnchor anchor, bool bold) override
    {
        const char *anchors[] = {"start", "middle", "end"};
        append(QStringLiteral("<text x=\"%1\" y=\"%2\" fill=\"%3\"%4%5>%6</text>")
                   .arg(number(at.x()), number(at.y()), colourText(colour),
                       anchor == TextAnchor::Start ? QString()
                                                   : QStringLiteral(" text-anchor=\"%1\"")
                                                         .arg(QLatin1String(anchors[int(anchor)])),
                       bold ? QStringLiteral(" font-weight=\"bold\"") : QString(),
                       text.toHtmlEscaped()));
    }

    void clip(const QRectF &r) override
    {
        ++m_clips;
        append(QStringLiteral("<clipPath id=\"c%1\"><rect x=\"%2\" y=\"%3\" width=\"%4\" "
                              "height=\"%5\"/></clipPath>\n<g clip-path=\"url(#c%1)\">")
                   .arg(m_clips)
                   .arg(number(r.x()), number(r.y()), number(r.width()), number(r.height())));
        m_open = true;
    }

    void unclip() override
    {
        if (m_open) {
            append(QStringLiteral("</g>"));
            m_open = false;
        }
    }

    QByteArray bytes() override
    {
        unclip();
        return m_content + "</svg>\n";
    }

private:
    static QString strokeText(const Stroke &stroke)
    {
        return QStringLiteral(" stroke=\"%1\" stroke-width=\"%2\"%3")
            .arg(colourText(stroke.colour))
            .arg(stroke.width)
            .arg(stroke.dashed ? QStringLiteral(" stroke-dasharray=\"5,4\"") : QString());
    }

    void append(const QString &element)
    {
        m_content += element.toUtf8();
        m_content += '\n';
    }

    QByteArray m_content;
    int m_clips = 0;
    bool m_open = false;
};

class ImageCanvas : public Canvas
{
public:
    ImageCanvas(int width, int height)
        : m_image(width, height, QImage::Format_ARGB32_Premultiplied)
    {
        m_image.fill(Qt::white);
        m_painter.begin(&m_image);
        m_painter.setRenderHint(QPainter::Antialiasing);
        QFont font(QStringLiteral("sans-serif"));
        font.setPixelSize(kPlotFontPixels);
        m_painter.setFont(font);
    }

    void line(QPointF from, QPointF to, const Stroke &stroke) override
    {
        m_painter.setPen(pen(stroke));
        m_painter.drawLine(from, to);
    }

    void polyline(const QPolygonF &points, const Stroke &stroke) override
    {
        m_painter.setPen(pen(stroke));
        m_painter.drawPolyline(points);
    }

    void circle(QPointF centre, double radius, const Stroke &stroke, QColor fill) override
    {
        m_painter.setPen(stroke.width > 0 ? pen(stroke) : QPen(Qt::NoPen));
        if (fill.alpha() != 0) {
            remember(fill);
        }
        m_painter.setBrush(fill.alpha() == 0 ? QBrush(Qt::NoBrush) : QBrush(fill));
        m_painter.drawEllipse(centre, radius, radius);
        m_painter.setBrush(Qt::NoBrush);
    }

    void text(QPointF at, const QString &text, QColor colour, TextAnchor anchor, bool bold) override
    {
        QFont font = m_painter.font();
        font.setBold(bold);
        m_painter.setFont(font);
        remember(colour);
        m_painter.setPen(colour);
        const double width = m_painter.fontMetrics().horizontalAdvance(text);
        const double shift = anchor == TextAnchor::Start ? 0
            : anchor == TextAnchor::Middle               ? width / 2
                                                         : width;
        m_painter.drawText(QPointF(at.x() - shift, at.y()), text);
    }

    void clip(const QRectF &rectangle) override { m_painter.setClipRect(rectangle); }
    void unclip() override { m_painter.setClipping(false); }

    QByteArray bytes() override
    {
        m_painter.end();
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        const QVector<QRgb> table = palette();
        if (table.size() <= kPaletteSize) {
            m_image.convertToFormat(QImage::Format_Indexed8, table, Qt::ThresholdDither)
                .save(&buffer, "PNG");
        } else {
            m_image.save(&buffer, "PNG");
        }
        return png;
    }

private:
    // A PNG of 8-bit indices into a palette is a third the size of one of full colours, and
    // a plot needs few: the colours drawn, each blended with the white ground in steps for
    // the antialiased edges of lines and text (a step of 1/32 cannot be seen).
    static constexpr int kPaletteSize = 256;
    static constexpr int kMostBlends = 32;
    static constexpr int kLeastBlends = 8;

    QVector<QRgb> palette() const
    {
        const int blends = std::clamp(
            (kPaletteSize - 1) / std::max(1, int(m_colours.size())), kLeastBlends, kMostBlends);
        QVector<QRgb> table {qRgb(255, 255, 255)};
        for (const QRgb colour : m_colours) {
            for (int i = 1; i <= blends; ++i) {
                const auto blend = [&](int channel) {
                    return 255 - ((255 - channel) * i + blends / 2) / blends;
                };
                table.append(
                    qRgb(blend(qRed(colour)), blend(qGreen(colour)), blend(qBlue(colour))));
            }
        }
        return table;
    }

    QPen pen(const Stroke &stroke)
    {
        remember(stroke.colour);
        return QPen(stroke.colour, stroke.width, stroke.dashed ? Qt::DashLine : Qt::SolidLine);
    }

    void remember(const QColor &colour)
    {
        if (!m_colours.contains(colour.rgb())) {
            m_colours.append(colour.rgb());
        }
    }

    QImage m_image;
    QPainter m_painter;
    QVector<QRgb> m_colours; // every colour drawn with
};

} // namespace

std::unique_ptr<Canvas> makeCanvas(PictureFormat format, int width, int height)
{
    if (format == PictureFormat::Svg) {
        return std::make_unique<SvgCanvas>(width, height);
    }
    return std::make_unique<ImageCanvas>(width, height);
}
