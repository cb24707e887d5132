#include "core/int_list.hpp"

#include "core/library_state.hpp"

namespace seabed {

std::int32_t IntList::maximum() const {
    if (length() < 1) return 0;
    std::int32_t best = at(1);
    for (std::int32_t i = 2; i <= length(); ++i)
        if (!(at(i) < best)) best = at(i);
    return best;
}

std::int32_t IntList::minimum() const {
    if (length() < 1) return 0;
    std::int32_t best = at(1);
    for (std::int32_t i = 2; i <= length(); ++i)
        if (at(i) < best) best = at(i);
    return best;
}

void IntList::sort(const bool* ascending) {
    if (ascending) library_state().sort_ascending = *ascending;
    const bool up = library_state().sort_ascending;
    const std::int32_t n = length();
    for (std::int32_t i = 1; i <= n - 1; ++i) {
        for (std::int32_t j = i + 1; j <= n; ++j) {
            if (up ? at(j) < at(i) : at(i) <= at(j)) swap(i, j);
        }
    }
}

}  // namespace seabed
