#include "splitter/engine/plan.h"

namespace brindlecut {
// Placeholder until planning lands.
Plan planSplit(const PlanInput&) { return Plan{"not built yet", false, {}, {}, 0, {}}; }
std::optional<double> parseSize(const std::string&) { return std::nullopt; }
}  // namespace brindlecut
