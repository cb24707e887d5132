#include "core/int_list.hpp"

#include "core/library_state.hpp"

namespace seabed {

std::int32_t IntList::maximum() const {
    if (length_ < 1) return 0;
    std::int32_t best = data_[0];
    for (std::int32_t i = 1; i < length_; ++i)
        if (!(data_[i] < best)) best = data_[i];
    return best;
}

std::int32_t IntList::minimum() const {
    if (length_ < 1) return 0;
    std::int32_t best = data_[0];
    for (std::int32_t i = 1; i < length_; ++i)
        if (data_[i] < best) best = data_[i];
    return best;
}

void IntList::sort(const bool* ascending) {
    if (ascending) library_state().sort_ascending = *ascending;
    const bool up = library_state().sort_ascending;
    const std::int32_t n = length_;
    for (std::int32_t i = 1; i <= n - 1; ++i) {
        for (std::int32_t j = i + 1; j <= n; ++j) {
            const std::int32_t ei = data_[i - 1], ej = data_[j - 1];
            if (up ? ej < ei : ei <= ej) swap(i, j);
        }
    }
}

}  // namespace seabed
