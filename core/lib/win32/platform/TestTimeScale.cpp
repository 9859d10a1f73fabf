#include "platform/TestTimeScale.h"

#include <cmath>
#include <cstdlib>

namespace portlib::platform {

namespace {

double ReadScale() {
#ifdef HV_TEST_BUILD
    const char* text = std::getenv(kTestTimeScaleVar);
    if (text == nullptr || *text == '\0') return 1.0;
    char* end = nullptr;
    const double f = std::strtod(text, &end);
    if (end == text || *end != '\0' || !(f > 0.0) || f > 1.0) return 1.0;
    return f;
#else
    return 1.0;
#endif
}

}  // namespace

double TestTimeScale() {
    static const double scale = ReadScale();
    return scale;
}

unsigned ScaledMs(unsigned ms) {
    const double scale = TestTimeScale();
    if (scale >= 1.0 || ms == 0) return ms;
    const double scaled = std::ceil(static_cast<double>(ms) * scale);
    return scaled < 1.0 ? 1u : static_cast<unsigned>(scaled);
}

}  // namespace portlib::platform
