// Opening seabed files and loading generated seabeds into host arrays.
#pragma once

#include <cstdint>
#include <string>

#include "core/descriptor.hpp"
#include "core/seabed_parameters.hpp"

namespace seabed {

/// Opens name on unit and checks the magic number: Ok (file left open on
/// unit), FileMissing, FileOpen, FileRead or BadMagic (unit closed).
[[nodiscard]] Status open_seabed_file(const std::string& name, std::int32_t unit);

/// Loads a 2D seabed: profile (n x 2: X, Y) and, for type 2 (Bessel) or 3
/// (spline), slopes (n). Arrays allocated before a failure stay attached.
[[nodiscard]] Status load_seabed_2d(const std::string& name, std::int32_t unit, std::int32_t type,
                                    std::int32_t& n, Desc<2>& profile, Desc<1>& slopes,
                                    std::int64_t& memory);

/// Loads a 3D seabed: nodes (n x 3: X, Y, Z), iadj (nadj), istart (n) and,
/// for type 1, gradients (2 x n).
[[nodiscard]] Status load_seabed_3d(const std::string& name, std::int32_t unit, std::int32_t type,
                                    std::int32_t& n, std::int32_t& nt, std::int32_t& nadj,
                                    Desc<2>& nodes, Desc<2>& gradients, Desc<1>& iadj,
                                    Desc<1>& istart, std::int64_t& memory);

void free_seabed_2d(Desc<2>& profile, Desc<1>& slopes);
void free_seabed_3d(Desc<2>& nodes, Desc<2>& gradients, Desc<1>& iadj, Desc<1>& istart);

}  // namespace seabed
