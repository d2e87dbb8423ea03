#include "SvgPicture.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <limits>
#include <sstream>

namespace vekctl {

namespace {

constexpr double kPanel = 420.0;  // side of one panel in SVG units
constexpr double kMargin = 40.0;  // room for the axis labels

std::string number(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2f", v);
    return buf;
}

std::string escape(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '&': out += "&amp;"; break;
            case '"': out += "&quot;"; break;
            default: out += c;
        }
    }
    return out;
}

struct Bounds {
    double minU = std::numeric_limits<double>::max(), maxU = std::numeric_limits<double>::lowest();
    double minV = std::numeric_limits<double>::max(), maxV = std::numeric_limits<double>::lowest();
    void take(double u, double v) {
        minU = std::min(minU, u);
        maxU = std::max(maxU, u);
        minV = std::min(minV, v);
        maxV = std::max(maxV, v);
    }
    bool empty() const { return minU > maxU; }
};

using Project = std::function<std::pair<double, double>(const Point3&)>;

}  // namespace

std::string SvgPicture::render(const std::string& title) const {
    const Project views[2] = {[](const Point3& p) { return std::make_pair(p.x, p.y); },
                              [](const Point3& p) { return std::make_pair(p.x, p.z); }};
    const char* names[2] = {"top view (X-Y, mm)", "front view (X-Z, mm)"};
    const double width = 2 * (kPanel + 2 * kMargin);
    const double height = kPanel + 2 * kMargin + 40;
    std::ostringstream svg;
    svg << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << number(width) << "\" height=\"" << number(height)
        << "\" viewBox=\"0 0 " << number(width) << " " << number(height) << "\">\n"
        << "<title>" << escape(title) << "</title>\n"
        << "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n"
        << "<text x=\"" << number(kMargin) << "\" y=\"24\" font-family=\"sans-serif\" font-size=\"16\">"
        << escape(title) << "</text>\n";
    for (int v = 0; v < 2; ++v) {
        Bounds b;
        for (const auto& line : commanded_)
            for (const auto& p : line) {
                auto [u, w] = views[v](p);
                b.take(u, w);
            }
        for (const auto& p : actual_) {
            auto [u, w] = views[v](p);
            b.take(u, w);
        }
        if (b.empty()) b.take(0, 0);
        // Same scale on both axes so circles stay round.
        const double span = std::max({b.maxU - b.minU, b.maxV - b.minV, 1.0});
        const double scale = kPanel / span;
        const double left = v * (kPanel + 2 * kMargin) + kMargin;
        const double top = 40 + kMargin;
        auto mapU = [&](double u) { return left + (u - b.minU) * scale; };
        auto mapV = [&](double w) { return top + kPanel - (w - b.minV) * scale; };
        svg << "<g id=\"" << (v == 0 ? "top" : "front") << "\">\n"
            << "<rect x=\"" << number(left) << "\" y=\"" << number(top) << "\" width=\"" << number(kPanel)
            << "\" height=\"" << number(kPanel) << "\" fill=\"none\" stroke=\"#bbb\"/>\n"
            << "<text x=\"" << number(left) << "\" y=\"" << number(top - 8)
            << "\" font-family=\"sans-serif\" font-size=\"12\">" << names[v] << "  [" << number(b.minU) << " .. "
            << number(b.minU + span) << "]</text>\n";
        for (const auto& line : commanded_) {
            svg << "<polyline class=\"commanded\" fill=\"none\" stroke=\"#1f5fbf\" stroke-width=\"2\" points=\"";
            for (const auto& p : line) {
                auto [u, w] = views[v](p);
                svg << number(mapU(u)) << "," << number(mapV(w)) << " ";
            }
            svg << "\"/>\n";
        }
        if (!actual_.empty()) {
            svg << "<polyline class=\"actual\" fill=\"none\" stroke=\"#d62728\" stroke-width=\"1\" "
                   "stroke-dasharray=\"3,2\" points=\"";
            for (const auto& p : actual_) {
                auto [u, w] = views[v](p);
                svg << number(mapU(u)) << "," << number(mapV(w)) << " ";
            }
            svg << "\"/>\n";
        }
        svg << "</g>\n";
    }
    const double legendY = height - 12;
    svg << "<text x=\"" << number(kMargin) << "\" y=\"" << number(legendY)
        << "\" font-family=\"sans-serif\" font-size=\"12\" fill=\"#1f5fbf\">commanded path (" << commanded_.size()
        << " trajectories)</text>\n"
        << "<text x=\"" << number(kMargin + 260) << "\" y=\"" << number(legendY)
        << "\" font-family=\"sans-serif\" font-size=\"12\" fill=\"#d62728\">positions taken (" << actual_.size()
        << " samples)</text>\n"
        << "</svg>\n";
    return svg.str();
}

bool SvgPicture::write(const std::string& fileName, const std::string& title) const {
    std::ofstream out(fileName, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out << render(title);
    return static_cast<bool>(out.flush());
}

}  // namespace vekctl
