// Builds the panel's widgets from the layout table and the control table.
#pragma once

#include <functional>
#include <map>
#include <string>

class QWidget;

namespace kv74::qt {

struct BuiltPanel {
  std::map<std::string, QWidget*, std::less<>> widgets;  // every named widget
};

// Creates every widget of the layout under `form`. Throws std::logic_error when the tables
// disagree (a name placed twice, a parent placed after its child, a name of no known kind).
BuiltPanel BuildPanel(QWidget* form);

}  // namespace kv74::qt
