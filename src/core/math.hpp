// Small exchange and plane-vector helpers shared by the triangulation and the
// surface queries. Arrays are 1-based in their index arguments.
#pragma once

#include <cstdint>
#include <utility>

namespace seabed {

/// Exchanges a(i) and a(j) of an integer array of n entries (n only sizes it).
inline void swap1i(std::int32_t /*n*/, std::int32_t i, std::int32_t j, std::int32_t* a) {
    std::swap(a[i - 1], a[j - 1]);
}

/// Exchanges a(i) and a(j) of a float array of n entries (n only sizes it).
inline void swap1r(std::int32_t /*n*/, std::int32_t i, std::int32_t j, float* a) {
    std::swap(a[i - 1], a[j - 1]);
}

/// Cross product p*s - q*r of (p, q) and (r, s); positive when (r, s) lies
/// counter-clockwise of (p, q).
inline float cross2(float p, float q, float r, float s) { return p * s - q * r; }
inline double cross2(double p, double q, double r, double s) { return p * s - q * r; }

/// Dot product p*r + q*s of (p, q) and (r, s).
inline float dot2(float p, float q, float r, float s) { return p * r + q * s; }
inline double dot2(double p, double q, double r, double s) { return p * r + q * s; }

}  // namespace seabed
