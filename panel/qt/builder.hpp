// Builds the panel's widgets from the panel's description (panel/controls.hpp).
#pragma once

#include <functional>
#include <map>
#include <string>

class QWidget;

namespace kv74::qt {

struct BuiltPanel {
  std::map<std::string, QWidget*, std::less<>> widgets;  // every named widget
};

// Creates every item of the description under `form`. Throws std::logic_error when the table
// is inconsistent (a name placed twice, a parent that is never placed).
BuiltPanel BuildPanel(QWidget* form);

}  // namespace kv74::qt
