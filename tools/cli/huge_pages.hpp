// The tool's large arrays (a point file's text, a million points and their
// answers) on huge pages where the system gives them only on request: each
// fresh 4 KiB page costs a fault, which on virtual machines is dearer than
// anything else done with the page, and scattered writes into the answers
// miss the TLB less. The advice is the library's own (core/try_resize.hpp).
#pragma once

#include "core/try_resize.hpp"

namespace cli {

using seabed::advise_huge_pages;
using seabed::large_vector;

}  // namespace cli
