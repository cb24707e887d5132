// Every result must match to the bit, so no part of the library may be built
// with value-changing float optimisations (the compiler's relaxed float
// mode): the build stops here instead of producing numbers that differ.
#pragma once

#if defined(__FAST_MATH__)
#error "seabed must be built with strict float rules (no relaxed float mode): its results are defined to the bit"
#endif
