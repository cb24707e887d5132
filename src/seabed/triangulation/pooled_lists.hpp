// Neighbour lists of a triangulation under construction, all in one pool:
// the same operations as a list per node (IntList), without an allocation
// per node or per growth. A list starts with room for kRoom entries; one
// that outgrows its room moves to the end of the pool with twice the room.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "core/try_resize.hpp"

namespace seabed {

class PooledLists {
public:
    /// Most nodes of a triangulation have six neighbours; a hull node's list
    /// holds one more entry, its closing 0.
    static constexpr std::int32_t kRoom = 8;

    /// Per node: where its list stands, its length and room, and the two
    /// per-node values of the insertion that live beside it (the hull links
    /// and the sweep's mark), so one allocation serves them all.
    struct Slot {
        std::int64_t at = 0;
        std::int32_t length = 0, room = 0;
        std::int32_t next = 0, prev = 0, mark = 0;
    };

    /// n empty lists; false when memory runs out.
    [[nodiscard]] bool create(std::int32_t n) {
        if (!try_resize(slots_, static_cast<std::int64_t>(n) + 1)) return false;
        // spare room for the lists that move (about a fifth of a Delaunay
        // triangulation's nodes have eight or more entries)
        const std::int64_t entries = static_cast<std::int64_t>(kRoom + 4) * n + 256;
        if (!try_resize(pool_, entries)) return false;
        for (std::int32_t v = 0; v < n; ++v)
            slots_[static_cast<std::size_t>(v)] = Slot{static_cast<std::int64_t>(kRoom) * v, 0, kRoom, 0, 0, 0};
        used_ = static_cast<std::int64_t>(kRoom) * n;
        return true;
    }

    Slot& slot(std::int32_t node) { return slots_[static_cast<std::size_t>(node - 1)]; }

    /// One node's list, 1-based like IntList.
    class View {
    public:
        View(PooledLists* owner, std::size_t index) : o_(owner), s_(&owner->slots_[index]) {}
        std::int32_t length() const { return s_->length; }
        std::int32_t at(std::int32_t i) const { return data()[i - 1]; }
        const std::int32_t* data() const { return o_->pool_.data() + s_->at; }
        std::int32_t index_of(std::int32_t value) const {
            const std::int32_t* d = data();
            for (std::int32_t k = 0; k < s_->length; ++k)
                if (d[k] == value) return k + 1;
            return -1;
        }
        /// Stores value at position index, moving the entries from there up.
        [[nodiscard]] bool insert(std::int32_t value, std::int32_t index) {
            if (s_->length == s_->room && !o_->move_up(*s_)) return false;
            std::int32_t* d = o_->pool_.data() + s_->at;
            // lists are short: a plain loop beats a call to memmove
            for (std::int32_t k = s_->length; k >= index; --k) d[k] = d[k - 1];
            d[index - 1] = value;
            ++s_->length;
            return true;
        }
        [[nodiscard]] bool append_data(std::int32_t value) { return insert(value, s_->length + 1); }
        void remove(std::int32_t index) {
            std::int32_t* d = o_->pool_.data() + s_->at;
            for (std::int32_t k = index; k < s_->length; ++k) d[k - 1] = d[k];
            --s_->length;
        }

    private:
        PooledLists* o_;
        Slot* s_;
    };

    View operator[](std::size_t index) { return View(this, index); }
    // the const view only reads; it shares the class to keep one list interface
    View operator[](std::size_t index) const { return View(const_cast<PooledLists*>(this), index); }

private:
    /// Moves a full list to the end of the pool with twice its room.
    bool move_up(Slot& s) {
        const std::int64_t room = 2 * static_cast<std::int64_t>(s.room);
        if (room > INT32_MAX) return false;
        if (used_ + room > static_cast<std::int64_t>(pool_.size()) &&
            !try_resize(pool_, std::max<std::int64_t>(used_ + room, static_cast<std::int64_t>(pool_.size()) * 3 / 2)))
            return false;
        std::copy(pool_.data() + s.at, pool_.data() + s.at + s.length, pool_.data() + used_);
        s.at = used_;
        s.room = static_cast<std::int32_t>(room);
        used_ += room;
        return true;
    }

    std::vector<Slot> slots_;
    std::vector<std::int32_t> pool_;
    std::int64_t used_ = 0;
};

}  // namespace seabed
