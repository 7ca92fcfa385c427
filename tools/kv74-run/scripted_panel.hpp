// What the runner drives in place of the panel window: the hand-over after a notifying step,
// the clicks of the input script, and extra members of the JSON result.
#pragma once

#include <string_view>

#include "board/handover.hpp"
#include "json_writer.hpp"

namespace kv74 {

class ScriptedPanel : public HandoverReceiver {
 public:
  // Whether a script may click the control of this binding name.
  virtual bool IsClickable(std::string_view name) const = 0;
  // A click on a clickable control, between two steps.
  virtual void Click(std::string_view name) = 0;
  // Members the panel adds to the result object (none by default).
  virtual void WriteJsonMembers(JsonWriter&) const {}
};

}  // namespace kv74
