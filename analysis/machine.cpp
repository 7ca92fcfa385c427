#include "analysis/machine.hpp"

#include <memory>

#include "analysis/analysis.hpp"
#include "analysis/debug_info.hpp"

namespace kv74::ana {

dbg::DebugInfo AnalyseMachine(const BoardState& m) {
  auto memory = std::make_unique<Memory>();
  memory->Load(0, {m.ProgramMemory.begin(), m.ProgramMemory.end()});
  memory->Load(DATA_BASE, {m.DataMemory.begin(), m.DataMemory.end()});
  memory->Load(TABLE_BASE, {m.TableMemory.begin(), m.TableMemory.end()});
  const auto result = std::make_unique<Result>(Analyze(*memory, {}));
  return ToDebugInfo(*memory, *result, {});
}

}  // namespace kv74::ana
