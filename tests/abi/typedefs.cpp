// Compiled only: each function-pointer type of seabed.h is exactly the type
// of its operation, so a host that loads by name through the typedefs calls
// what the library defines.
#include <type_traits>

#include "seabed.h"

#define SEABED_SAME_TYPE(name) \
    static_assert(std::is_same_v<name##_fn, decltype(&name)>, #name "_fn differs from " #name)

SEABED_SAME_TYPE(seabed_generate);
SEABED_SAME_TYPE(open_seabed_file);
SEABED_SAME_TYPE(load_seabed_2d);
SEABED_SAME_TYPE(load_seabed_3d);
SEABED_SAME_TYPE(free_seabed_2d);
SEABED_SAME_TYPE(free_seabed_3d);
SEABED_SAME_TYPE(seabed_create_test_file);
SEABED_SAME_TYPE(find_segment);
SEABED_SAME_TYPE(interpolate_2d_linear);
SEABED_SAME_TYPE(interpolate_2d_cubic);
SEABED_SAME_TYPE(find_triangle);
SEABED_SAME_TYPE(interpolate_3d_linear);
SEABED_SAME_TYPE(interpolate_3d_cubic);
