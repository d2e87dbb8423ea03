#pragma once
#include <string>
#include <vector>

namespace vekctl {

struct Point3 {
    double x = 0, y = 0, z = 0;
};

// A picture of a run: the paths as commanded (one polyline per generated
// trajectory) and the positions the axes actually took, in mm, seen from
// above (X-Y) and from the front (X-Z).
class SvgPicture {
public:
    void addCommanded(std::vector<Point3> trajectory) { commanded_.push_back(std::move(trajectory)); }
    void addActual(const Point3& p) { actual_.push_back(p); }
    std::size_t commandedCount() const { return commanded_.size(); }
    std::size_t actualCount() const { return actual_.size(); }
    // The whole document; empty panels when nothing was recorded.
    std::string render(const std::string& title) const;
    // False when the file cannot be written.
    bool write(const std::string& fileName, const std::string& title) const;

private:
    std::vector<std::vector<Point3>> commanded_;
    std::vector<Point3> actual_;
};

}  // namespace vekctl
