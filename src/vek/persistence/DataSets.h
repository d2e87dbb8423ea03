#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "vek/foundation/Collection.h"
#include "vek/persistence/DataSet.h"

namespace vek {

using DataSetCollection = Collection<std::shared_ptr<DataSet>>;

// Every dataset of the database with its paths and points, loaded once at
// construction and kept in step with the store by the operations here and
// in DataSet.
//
// Start-up: the façade's database step constructs the process's DataSets on
// the database it opened, which loads everything.
//
// Finding things: getDatasetByName("Part A") or getDataSets()->item("2");
// then DataSet::getPathByName("outline") or paths()->item("<key>").
//
// Storing a new path with its points, all or nothing:
//   auto ds = dataSets->getDatasetByName("Global");
//   auto path = std::make_shared<NodePath>();
//   path->setPathType(PathConstants::LINEAR_PATH);
//   path->setName("demo");                   // check isValidPathName first
//   for (auto& n : corners) path->addNode(n);
//   ds->storePath(path);                     // null when nothing was stored
// (insertPath, then insertNode point by point, commits each point on its
// own: a process killed in between leaves part of the path.)
//
// Breadcrumbs name a path as "<pathKey>path.<any>.<datasetKey>" and a
// dataset's loose points as "<any>nodes.<datasetKey>".
class DataSets {
public:
    // Loads every dataset, path and point of `database`. A failed load is
    // logged and stops at the failing table.
    explicit DataSets(std::shared_ptr<Database> database);
    ~DataSets();
    DataSets(const DataSets&) = delete;
    DataSets& operator=(const DataSets&) = delete;

    // The dataset with key 1 (error 5 when there is none).
    std::shared_ptr<DataSet> GLOBAL_DATASET() const;
    std::shared_ptr<NodeCollection> getNodesFromBreadCrumb(const std::string& tmpBreadCrumb) const;
    std::shared_ptr<DataSet> getDatasetFromBreadCrumb(const std::string& tmpBreadCrumb) const;
    std::shared_ptr<NodePath> getPathFromBreadCrumb(const std::string& tmpBreadCrumb) const;
    std::shared_ptr<DataSet> getDatasetByName(const std::string& datasetName) const;
    // Stores a new dataset named "Dataset" + key. Null on failure.
    std::shared_ptr<DataSet> insertDataset(const std::shared_ptr<DataSet>& tmpDataset);
    void updateDataset(const std::shared_ptr<DataSet>& tmpDataset);
    // Deletes the dataset with all its paths and points.
    bool deleteDataset(std::shared_ptr<DataSet> tmpDataset);
    void removeDatasetInMemory(const std::shared_ptr<DataSet>& tmpDataset);
    const std::shared_ptr<DataSetCollection>& getDataSets() const { return dataSets_; }
    // Chains a clone of secondPath behind the last path of firstPath's
    // chain (without secondPath: cuts firstPath's chain). Null when both are
    // the same stored path.
    std::shared_ptr<NodePath> AppendPaths(const std::shared_ptr<NodePath>& firstPath,
                                          const std::shared_ptr<NodePath>& secondPath = nullptr);
    bool isValidDatasetName(const std::string& datasetName) const;

    // False when one of the three loads failed (the migration's renumbering
    // must not walk a partial image).
    bool loadedCompletely() const { return loadedCompletely_; }
    const DatasetColumns& columns() const { return columns_; }

private:
    bool loadDatasets();
    bool loadPaths();
    bool loadNodes();
    Database& database() const;
    std::shared_ptr<DataSet> datasetFor(int32_t datasetKey) const;

    std::shared_ptr<Database> database_;
    DatasetColumns columns_;
    std::shared_ptr<DataSetCollection> dataSets_ = std::make_shared<DataSetCollection>();
    bool loadedCompletely_ = true;
};

}  // namespace vek
