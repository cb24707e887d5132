// Doubles as text, the tool's hottest output path: a query writes six of them
// a point. The text is fmt's "{}" to the byte, written without fmt's general
// machinery (specifications, padding, locale grouping), which costs twice the
// digit search itself.
#pragma once

#include <cstddef>

namespace cli {

/// Room a caller leaves at `out` for shortest_double: the longest text
/// ("-1.2345678901234567e-308") and the spare bytes the layout may scribble
/// past the end of what it returns.
inline constexpr std::size_t kDoubleTextRoom = 48;

/// Writes v as fmt::format("{}", v) does and returns the end: the shortest
/// digits that read back as v, in fixed notation for decimal exponents -4 to
/// 15 and as d.ddde+XX otherwise; "inf" and "nan" with their sign. Bytes
/// between the returned end and out + kDoubleTextRoom may be overwritten.
char* shortest_double(char* out, double v);

}  // namespace cli
