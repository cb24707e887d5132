// Status codes, their 63-character messages, and the record of a status in a
// seabed file (records 9 and 10).
#pragma once

#include <array>
#include <cstdint>

#include "core/fp_guard.hpp"

namespace seabed {

class RecordFile;

/// Outcome of an operation: 0 success, 1..45 failures. Codes 20..43 are named
/// after the place that raises them, so a failing test points at a site.
enum class Status : std::int32_t {
    Ok = 0,
    Unused1 = 1,
    FileMissing = 2,
    FileOpen = 3,
    FileClose = 4,
    FileRead = 5,
    FileWrite = 6,
    BadMagic = 7,
    BadVersion = 8,
    NotSeabed = 9,
    Not2D = 10,
    Not3D = 11,
    NoMemory = 12,
    BadInterpolationType = 13,
    YNotIncreasing = 14,
    NoConvergence = 15,
    TooFewNodes = 16,
    ExtentTooSmall = 17,
    NodesTooClose = 18,
    Collinear = 19,
    AllocSortPermutation = 20,
    AllocIperm = 21,
    AllocDistanceKeys = 22,
    AllocReorderCopy = 23,
    AllocNodeLists = 24,
    AllocBoundaryCopy = 25,
    AllocIadj = 26,
    AllocItri = 27,
    AllocNodeArrays = 28,
    SubnodeGridTooLarge = 29,
    AllocSubnodeArrays = 30,
    BoundaryTooLong = 31,
    ChainEmpty = 32,
    BoundaryNotClosed = 33,
    InsertZero = 34,
    InsertRefMissing = 35,
    DeleteZero = 36,
    DeleteMissing = 37,
    TriangleCount = 38,
    PackedLength = 39,
    NoTriangles = 40,
    HullEdgeTooShort = 41,
    WalkNodeOutOfRange = 42,
    WalkFarNodeOutOfRange = 43,
    SmallTriangle = 44,
    BadNodeCount = 45,
};

inline constexpr int kMessageLength = 63;
using Text63 = std::array<char, kMessageLength>;

[[nodiscard]] constexpr std::int32_t code(Status s) { return static_cast<std::int32_t>(s); }

/// Fills text with the blank-padded message of code. Returns false, leaving
/// text exactly as it was, for a code outside 0..45.
bool seabed_error_message(std::int32_t code, Text63& text);

/// Records code and its message in records 9 and 10 of an open seabed file,
/// composing through the library-wide message buffer. Returns code, or
/// FileWrite when a record cannot be written (no message is stored for that).
[[nodiscard]] Status write_error(RecordFile& file, Status code);

}  // namespace seabed
