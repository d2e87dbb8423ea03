// Breadcrumbs as program data hands them to the dataset lookups
// ("3path.any.1", "anynodes.2"): the three lookups of one text must agree
// with each other on a store of two datasets with paths and points.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "FuzzSupport.h"
#include "vek/geometry/Node.h"
#include "vek/geometry/NodePath.h"
#include "vek/motion/Runtime.h"
#include "vek/persistence/DataSets.h"

namespace {

using namespace vek;

std::shared_ptr<DataSets> store() {
    fuzz::startVek();
    auto dataSets = std::make_shared<DataSets>(fuzz::openDatabase());
    auto second = dataSets->insertDataset(std::make_shared<DataSet>());
    for (const auto& dataset : {dataSets->GLOBAL_DATASET(), second}) {
        for (int p = 0; p < 2; ++p) {
            auto path = dataset->insertPath(std::make_shared<NodePath>());
            for (int32_t n = 0; n < 3; ++n) {
                auto node = std::make_shared<Node>();
                node->setAxis(1, 100 * n);
                dataset->insertNode(node, path->key());
            }
        }
        dataset->insertNode(std::make_shared<Node>());
    }
    return dataSets;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    static const std::shared_ptr<DataSets> dataSets = store();
    const std::string breadCrumb(reinterpret_cast<const char*>(data), size);
    const auto nodes = dataSets->getNodesFromBreadCrumb(breadCrumb);
    const auto dataset = dataSets->getDatasetFromBreadCrumb(breadCrumb);
    const auto path = dataSets->getPathFromBreadCrumb(breadCrumb);
    if (path) {
        if (!dataset || !dataset->paths()->contains(std::to_string(path->key())) ||
            dataset->paths()->item(std::to_string(path->key())) != path)
            fuzz::fail("a breadcrumb's path is not a path of its dataset");
        if (nodes != path->nodes()) fuzz::fail("a path breadcrumb's points are not its path's points");
    } else if (nodes && dataset && nodes != dataset->nodes()) {
        fuzz::fail("a points breadcrumb's points are not its dataset's points");
    }
    return 0;
}
