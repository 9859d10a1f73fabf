// One step of removing an application or a type (its instances, its
// types): a step that finds nothing there (code 7) is no failure, and the
// thread's error record keeps the first report that matters.
#pragma once

#include <functional>

namespace cfgstore {

// Runs step. 0 when it succeeded or found nothing, the record then as it
// was before; -1 when it failed, the record then holding the step's report
// unless it held one already.
int RemovalStep(const std::function<int()>& step);

}  // namespace cfgstore
