// Every result must match to the bit, so no part of the library may be built
// with value-changing float optimisations (-ffast-math, -Ofast): the build
// stops here instead of producing numbers that differ.
#pragma once

#if defined(__FAST_MATH__)
#error "seabed must be built without -ffast-math or -Ofast: its results are defined to the bit"
#endif
