// Growable list of 32-bit integers with exact equality: the neighbour lists
// of a triangulation under construction.
#pragma once

#include <cstdint>

#include "core/list_inc.hpp"

namespace seabed {

struct IntEqual {
    bool operator()(std::int32_t a, std::int32_t b) const { return a == b; }
};

class IntList : public List<std::int32_t, IntEqual> {
public:
    using List::List;
    /// Largest of values 1..length; chosen: 0 for an empty list.
    virtual std::int32_t maximum() const;
    /// Smallest of values 1..length; chosen: 0 for an empty list.
    virtual std::int32_t minimum() const;
    /// Exchange sort of values 1..length; a given direction is remembered
    /// library-wide and used by later calls that give none.
    virtual void sort(const bool* ascending = nullptr);
    void sort(bool ascending) { sort(&ascending); }
};

}  // namespace seabed
