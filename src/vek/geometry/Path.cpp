#include "vek/geometry/Path.h"

#include "vek/foundation/Convert.h"
#include "vek/foundation/NumberedError.h"
#include "vek/geometry/Point.h"

namespace vek {

Path::Path() : nodePath_(std::make_shared<NodePath>()) {}

void Path::addPoint(const std::shared_ptr<Point>& tmpPoint, const std::string& whichPoint) {
    if (pathType() == PathConstants::LINEAR_PATH) {
        if (!equalsIgnoreCase(whichPoint, "end")) raiseInvalidArgument("For Linear path only valid value is 'end'");
        nodePath_->addNode(tmpPoint->getNode());
    } else if (pathType() == PathConstants::ARC_PATH) {
        bool valid = false;
        for (const char* allowed : {"start", "end", "center", "direction"})
            valid = valid || equalsIgnoreCase(whichPoint, allowed);
        if (!valid)
            raiseInvalidArgument(std::string("For Arc path only valid values are ") +
                                 "('start','center',end','direction')");
        tmpPoint->setName(whichPoint);
        nodePath_->addNode(tmpPoint->getNode());
    }
}

void Path::setPathType(int16_t value) {
    nodePath_->setPathType(value);
    if (value != PathConstants::ARC_PATH) return;
    auto pitch = std::make_shared<Node>();
    pitch->setName("pitch");
    pitch->setAxis(1, 0);
    nodePath_->addNode(pitch);
    auto rotations = std::make_shared<Node>();
    rotations->setName("rotations");
    rotations->setAxis(1, 1);
    nodePath_->addNode(rotations);
}

}  // namespace vek
