// The process-wide uniform random generator: L'Ecuyer's combined
// multiplicative congruential generator with fixed starting seeds. The
// triangle search draws its start nodes from it and the test file generator
// its nodes, from one shared sequence.
#pragma once

namespace seabed {

/// Next value r = float(d) * 4.656613E-10f of the shared sequence, in (0, 1]
/// (float rounding can give exactly 1). Each draw is atomic across threads.
[[nodiscard]] float random_uniform();

/// Back to the seeds of process start (tests).
void reset_random_for_tests();

}  // namespace seabed
