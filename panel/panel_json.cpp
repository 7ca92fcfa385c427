#include "panel/panel_json.hpp"

#include <cstdio>

#include "panel/lamps.hpp"

namespace kv74 {
namespace {

constexpr std::string_view kFields[] = {"n", "kom", "m", "t", "f", "s", "x", "z"};

void Member(std::string& out, bool& first, std::string_view name, const std::string& value) {
  if (!first) out += ',';
  first = false;
  out += JsonString(name);
  out += ':';
  out += value;
}

}  // namespace

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  for (char ch : text) {
    const auto byte = static_cast<unsigned char>(ch);
    switch (ch) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (byte < 0x20 || byte == 0x7F) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", byte);
          out += buf;
        } else {
          out += ch;
        }
    }
  }
  out += '"';
  return out;
}

std::string PanelJson(ControlSurface& s, const PanelLogic& panel) {
  std::string captions = "{";
  bool first = true;
  for (const auto& group : INDICATOR_NAMES) {
    for (std::string_view name : group) {
      if (name.empty()) continue;
      if (Control* c = s.Find(name)) Member(captions, first, name, JsonString(c->Caption()));
    }
  }
  for (std::string_view name : kFields) {
    if (Control* c = s.Find(name)) Member(captions, first, name, JsonString(c->Caption()));
  }
  captions += '}';

  std::string colours = "{";
  first = true;
  for (const LampRow& row : LAMP_ROWS) {
    for (int i = row.first; i < 16; ++i) {
      const std::string name = LampName(row, i);
      if (Control* c = s.Find(name)) Member(colours, first, name, std::to_string(c->Colour()));
    }
  }
  colours += '}';

  std::string out = "{";
  first = true;
  Member(out, first, "captions", captions);
  Member(out, first, "colours", colours);
  Member(out, first, "LampPatternFlag", panel.LampPatternFlag() ? "true" : "false");
  Member(out, first, "TraceGate", std::to_string(panel.TraceGate()));
  Member(out, first, "ScaleFactor", std::to_string(panel.ScaleFactor()));
  const PlotPoint p = panel.PreviousPoint();
  Member(out, first, "previousPoint",
         "[" + std::to_string(p.row) + "," + std::to_string(p.column) + "]");
  out += '}';
  return out;
}

}  // namespace kv74
