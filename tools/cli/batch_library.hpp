// The companion library of batch queries (src/batch/seabed_batch.h), loaded
// from beside the seabed library the tool uses, as the Python package loads
// it: many points in one call, with the query code of the exports.
#pragma once

#include <string>

#include "batch/seabed_batch.h"
#include "library.hpp"

namespace cli {

class BatchLibrary {
public:
    /// SEABED_BATCH_LIBRARY, else libseabed_batch beside lib's file. Not
    /// loaded (available() false) when it is not there or lacks an operation.
    explicit BatchLibrary(const Library& lib);
    ~BatchLibrary();
    BatchLibrary(const BatchLibrary&) = delete;
    BatchLibrary& operator=(const BatchLibrary&) = delete;

    bool available() const { return handle_ != nullptr; }

    decltype(::seabed_batch_prepare_3d)* prepare_3d = nullptr;
    decltype(::seabed_batch_free_3d)* free_3d = nullptr;
    decltype(::seabed_batch_3d)* query_3d = nullptr;
    decltype(::seabed_batch_2d)* query_2d = nullptr;

private:
    void* handle_ = nullptr;
};

/// A 3D seabed prepared by the batch library, freed when it goes away.
class BatchSeabed3D {
public:
    BatchSeabed3D(const BatchLibrary& batch, seabed_batch_3d_seabed* prepared) : batch_(batch), prepared_(prepared) {}
    ~BatchSeabed3D() {
        if (prepared_) batch_.free_3d(prepared_);
    }
    BatchSeabed3D(const BatchSeabed3D&) = delete;
    BatchSeabed3D& operator=(const BatchSeabed3D&) = delete;
    seabed_batch_3d_seabed* get() const { return prepared_; }

private:
    const BatchLibrary& batch_;
    seabed_batch_3d_seabed* prepared_;
};

}  // namespace cli
