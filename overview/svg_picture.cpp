#include "overview/svg_picture.h"

#include <cstdio>

#include "overview/picture_style.h"

namespace overview {

namespace {

std::string num(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", v);
    return text;
}

std::string colour(const Rgb& c) {
    char text[16];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", c.r, c.g, c.b);
    return text;
}

std::string escaped(const std::string& s) {
    std::string out;
    for (const char c : s) {
        if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else if (c == '&')
            out += "&amp;";
        else
            out += c;
    }
    return out;
}

std::string text(const TextAt& t) {
    const char* anchor = t.align == TextAt::Align::Left     ? "start"
                         : t.align == TextAt::Align::Centre ? "middle"
                                                            : "end";
    return "<text x=\"" + num(t.at.x) + "\" y=\"" + num(t.at.y) + "\" text-anchor=\"" + anchor +
           "\">" + escaped(t.text) + "</text>\n";
}

std::string polyline(const std::vector<Pixel>& points, const Rgb& c, double width) {
    std::string out = "<polyline fill=\"none\" stroke=\"" + colour(c) + "\" stroke-width=\"" +
                      num(width) + "\" stroke-linejoin=\"round\" points=\"";
    for (const Pixel& p : points) out += num(p.x) + "," + num(p.y) + " ";
    return out + "\"/>\n";
}

std::string circle(const Pixel& p, double r, const Rgb& c) {
    return "<circle cx=\"" + num(p.x) + "\" cy=\"" + num(p.y) + "\" r=\"" + num(r) + "\" fill=\"" +
           colour(c) + "\"/>\n";
}

std::string line(double x1, double y1, double x2, double y2, const Rgb& c, double width) {
    return "<line x1=\"" + num(x1) + "\" y1=\"" + num(y1) + "\" x2=\"" + num(x2) + "\" y2=\"" +
           num(y2) + "\" stroke=\"" + colour(c) + "\" stroke-width=\"" + num(width) + "\"/>\n";
}

}  // namespace

std::string svgPicture(const Picture& pic) {
    std::string out =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" "
        "width=\"" +
        std::to_string(pic.width) + "\" height=\"" + std::to_string(pic.height) +
        "\" font-family=\"sans-serif\" font-size=\"" + std::to_string(style::kFontPixels) + "\">\n";
    out += "<rect width=\"100%\" height=\"100%\" fill=\"" + colour(style::kBackground) + "\"/>\n";
    const Rect& m = pic.map;
    for (const GridLine& g : pic.grid) {
        out += g.vertical ? line(g.at, m.top, g.at, m.bottom, style::kGrid, 1)
                          : line(m.left, g.at, m.right, g.at, style::kGrid, 1);
    }
    out += "<g fill=\"" + colour(style::kText) + "\">\n";
    for (const GridLine& g : pic.grid)
        if (g.label) out += text(*g.label);
    out += "</g>\n";
    for (std::size_t i = 0; i < pic.segments.size(); ++i) {
        const Rgb& c = style::kSegments[i % style::kSegmentColours];
        out += pic.segments[i].size() == 1 ? circle(pic.segments[i][0], style::kLineWidth, c)
                                           : polyline(pic.segments[i], c, style::kLineWidth);
    }
    for (const Pixel& p : pic.kept) out += circle(p, style::kKeptRadius, style::kKept);
    if (pic.start) out += circle(*pic.start, style::kMarkerRadius, style::kStart);
    if (pic.end) out += circle(*pic.end, style::kMarkerRadius, style::kEnd);
    out += line(pic.scaleFrom.x, pic.scaleFrom.y, pic.scaleTo.x, pic.scaleTo.y, style::kText, 2);
    out += "<g fill=\"" + colour(style::kText) + "\">\n" + text(pic.scaleLabel);
    if (pic.keptText) out += text(*pic.keptText);
    for (const TextAt& t : pic.profileLabels) out += text(t);
    out += "</g>\n";
    if (pic.profileArea) out += polyline(pic.profile, style::kProfile, 1.5);
    return out + "</svg>\n";
}

}  // namespace overview
