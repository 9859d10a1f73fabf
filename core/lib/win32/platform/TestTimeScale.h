// Long waits of the system (minutes-long time-outs, 2 s retries) keep their
// real values. A test build lets end-to-end tests shorten them: the variable
// HV_TEST_TIME_SCALE (a factor above 0 and at most 1, for example 0.01)
// multiplies every wait that goes through ScaledMs. A build without the test
// suites ignores the variable, so an installed system never runs faster
// than specified.
#pragma once

namespace portlib::platform {

inline constexpr const char* kTestTimeScaleVar = "HV_TEST_TIME_SCALE";

// The factor in force: 1 unless this is a test build and the variable holds
// a number in (0, 1]; anything else (empty, not a number, out of range) is 1.
// Read once per process.
double TestTimeScale();

// ms times the factor, rounded up, never below 1 when ms is above 0.
unsigned ScaledMs(unsigned ms);

}  // namespace portlib::platform
