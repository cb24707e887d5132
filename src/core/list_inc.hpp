// Growable list of values, 1-based, with the operations of both list kinds of
// the library (nodes and integers). Operations are virtual and call each
// other through the table, so a derived list that overrides one changes the
// behaviour of the others; the declaration order below is the slot order.
// Only these calls go through the table: GROW -> CAPACITY, INSERT -> GROW,
// APPEND_DATA -> CREATED, CREATE, GROW, APPEND_LIST -> APPEND_DATA,
// CREATE -> DESTROY, REMOVE_DUPLICATES -> REMOVE, ASSIGN_LIST -> DESTROY,
// CREATE, FINAL_LIST -> DESTROY (and SORT -> SWAP of the integer list); every
// other read goes to the storage itself.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <new>

#include "core/try_resize.hpp"

namespace seabed {

/// Eq(a, b) decides element equality (INDEX_OF, HAS, REMOVE_DUPLICATES, COMPARE_LIST).
template <class T, class Eq>
class List {
public:
    static constexpr std::int32_t kDefaultCapacity = 8;

    List() = default;
    List(const List& other) { assign_list(other); }
    List& operator=(const List& other) {
        if (this != &other) assign_list(other);
        return *this;
    }
    virtual ~List() { final_list(); }

    /// Capacity becomes max(2 * capacity, size) when that is larger. On memory
    /// exhaustion the list is left as it was and false is returned.
    virtual bool grow(std::int32_t size) {
        const std::int32_t cap = capacity();
        const std::int64_t doubled = 2 * static_cast<std::int64_t>(cap);
        const std::int64_t target = std::max<std::int64_t>(doubled, size);
        if (target <= cap) return true;
        if (target > INT32_MAX) return false;
        std::unique_ptr<T[]> fresh(try_new_array<T>(static_cast<std::size_t>(target)));
        if (!fresh) return false;
        std::copy(data_.get(), data_.get() + length_, fresh.get());
        data_ = std::move(fresh);
        capacity_ = static_cast<std::int32_t>(target);
        return true;
    }
    /// Appends one value, creating the storage first when there is none.
    /// False (list unchanged) when the storage cannot grow.
    virtual bool append_data(const T& in) {
        const T value = in;  // in may live in the storage that growing replaces
        if (!created() && !create(kDefaultCapacity)) return false;
        if (length_ >= capacity_ && !grow(length_ + 1)) return false;
        data_[length_] = value;
        ++length_;
        return true;
    }
    /// Appends other's values 1..length(other); the count is taken first, so a
    /// list appended to itself doubles.
    virtual void append_list(const List& other) {
        const std::int32_t n = other.length_;
        for (std::int32_t i = 1; i <= n; ++i) {
            const T value = other.data_[i - 1];  // read before an append to itself can grow the storage
            append_data(value);
        }
    }
    /// New array of max(length, 0) copies (null when memory runs out).
    virtual std::unique_ptr<T[]> to_list_data_array() const {
        std::unique_ptr<T[]> out(try_new_array<T>(static_cast<std::size_t>(std::max(length_, 0))));
        if (out) std::copy(data_.get(), data_.get() + length_, out.get());
        return out;
    }
    virtual T at(std::int32_t i) const { return data_[i - 1]; }
    virtual T& ref(std::int32_t i) { return data_[i - 1]; }
    /// (Re)creates the storage with max(capacity, 0) elements; length becomes
    /// 0 even when the allocation fails. Returns the stat: true on success.
    virtual bool create(std::int32_t capacity = kDefaultCapacity) {
        if (data_) destroy();
        length_ = 0;
        const std::int32_t n = std::max(capacity, 0);
        data_.reset(try_new_array<T>(static_cast<std::size_t>(n)));
        if (!data_) return false;
        capacity_ = n;
        return true;
    }
    virtual void set(std::int32_t i, const T& value) { data_[i - 1] = value; }
    virtual void swap(std::int32_t i, std::int32_t j) { std::swap(data_[i - 1], data_[j - 1]); }
    virtual void clear() { length_ = 0; }
    virtual std::int32_t length() const { return length_; }
    /// Removes values index..index+count-1.
    virtual void remove(std::int32_t index, std::int32_t count = 1) {
        std::copy(data_.get() + index - 1 + count, data_.get() + length_, data_.get() + index - 1);
        length_ -= count;
    }
    /// Stores count copies of value at index..index+count-1. False (list
    /// unchanged) when the storage cannot grow.
    virtual bool insert(const T& in, std::int32_t index, std::int32_t count = 1) {
        const T value = in;  // in may live in the storage that growing replaces
        if (static_cast<std::int64_t>(length_) + count > capacity_) {
            if (static_cast<std::int64_t>(length_) + count > INT32_MAX || !grow(length_ + count)) return false;
        }
        std::copy_backward(data_.get() + index - 1, data_.get() + length_, data_.get() + length_ + count);
        std::fill(data_.get() + index - 1, data_.get() + index - 1 + count, value);
        length_ += count;
        return true;
    }
    virtual void destroy() {
        data_.reset();
        capacity_ = 0;  // chosen: a destroyed list reports capacity 0, like a new one
        length_ = 0;
    }
    virtual bool created() const { return data_ != nullptr; }
    virtual std::int32_t capacity() const { return capacity_; }
    /// First position from start whose value equals value; -1 when none.
    virtual std::int32_t index_of(const T& value, std::int32_t start = 1) const {
        for (std::int32_t k = std::max(start, 1); k <= length_; ++k)
            if (Eq{}(data_[k - 1], value)) return k;
        return -1;
    }
    /// Keeps the first of every group of equal values, in order.
    virtual void remove_duplicates() {
        if (length_ < 2) return;
        for (std::int32_t i = length_; i >= 2; --i) {
            for (std::int32_t j = i - 1; j >= 1; --j) {
                if (Eq{}(data_[i - 1], data_[j - 1])) {
                    remove(i);
                    break;
                }
            }
        }
    }
    virtual bool has(const T& value) const {
        for (std::int32_t k = 1; k <= length_; ++k)
            if (Eq{}(data_[k - 1], value)) return true;
        return false;
    }

    // Not in the table.
    void final_list() { destroy(); }
    /// The target drops its storage; a non-empty source is copied into fresh
    /// storage of exactly its length.
    void assign_list(const List& source) {
        destroy();
        if (source.length_ != 0 && create(source.length_)) {
            std::copy(source.data_.get(), source.data_.get() + source.length_, data_.get());
            length_ = source.length_;
        }
    }
    /// True when values 1..length(b) of a equal those of b. Chosen: false when
    /// a is shorter than b, instead of reading past a.
    friend bool compare_list(const List& a, const List& b) {
        if (a.length_ < b.length_) return false;
        for (std::int32_t i = 0; i < b.length_; ++i)
            if (!Eq{}(a.data_[i], b.data_[i])) return false;
        return true;
    }

    /// Contiguous storage of values 1..length (for bulk copies).
    const T* data() const { return data_.get(); }
    T* data() { return data_.get(); }

protected:
    std::int32_t length_ = 0;
    std::int32_t capacity_ = 0;
    std::unique_ptr<T[]> data_;
};

}  // namespace seabed
