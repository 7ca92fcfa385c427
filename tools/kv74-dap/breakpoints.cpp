#include "breakpoints.hpp"

#include <algorithm>
#include <charconv>

#include "board/shown.hpp"
#include "debug/location.hpp"
#include "monitor/expr.hpp"
#include "monitor/session.hpp"

namespace kv74::dap {
namespace {

mon::SymbolLookup Lookup(const dbg::DebugInfo* info) {
  return [info](std::string_view name) -> std::optional<std::int64_t> {
    if (!info) return std::nullopt;
    if (const dbg::Symbol* s = info->Find(name)) return s->value;
    return std::nullopt;
  };
}

// The first and last word of a data breakpoint's id: "0x425F" or "0x425F:2" (two words).
std::pair<std::uint16_t, std::uint16_t> ParseDataId(const std::string& id) {
  const std::size_t colon = id.find(':');
  const std::uint16_t first = ParseAddress(id.substr(0, colon));
  std::uint32_t count = 1;
  if (colon != std::string::npos) {
    const std::string n = id.substr(colon + 1);
    const auto [end, ec] = std::from_chars(n.data(), n.data() + n.size(), count);
    if (ec != std::errc{} || end != n.data() + n.size() || count == 0 || first + count > 0x10000u)
      throw RequestError("bad data breakpoint id '" + Shown(id) + "'");
  }
  return {first, static_cast<std::uint16_t>(first + count - 1)};
}

debug::WatchKind AccessKind(const std::optional<std::string>& type) {
  if (!type || *type == "write") return debug::WatchKind::Write;
  if (*type == "read") return debug::WatchKind::Read;
  if (*type == "readWrite") return debug::WatchKind::Access;
  throw RequestError("accessType must be read, write or readWrite");
}

}  // namespace

Json BreakpointBook::Unverified(const std::string& message, Json shown) {
  shown["verified"] = false;
  shown["message"] = message;
  return shown;
}

void BreakpointBook::Drop(Kind kind, const std::string& file) {
  std::erase_if(entries_, [&](const Entry& e) {
    if (e.kind != kind || e.file != file) return false;
    for (int p : e.points) engine_.Points().Remove(p);
    return true;
  });
}

std::optional<std::string> BreakpointBook::Qualify(const std::vector<int>& points, const Args& b) {
  std::optional<mon::Expr> condition;
  if (const auto text = b.String("condition"); text && !text->empty()) {
    try {
      condition = mon::Expr::Parse(*text, Lookup(info_));
    } catch (const mon::ParseError& e) {
      return std::string("condition: ") + e.what();
    }
  }
  std::uint32_t ignore = 0;
  if (const auto text = b.String("hitCondition"); text && !text->empty()) {
    std::uint32_t n = 0;
    const auto [end, ec] = std::from_chars(text->data(), text->data() + text->size(), n);
    if (ec != std::errc{} || end != text->data() + text->size() || n == 0)
      return "hit condition must be a count N (stop at the Nth hit)";
    ignore = n - 1;
  }
  for (int id : points) {
    debug::Point* p = engine_.Points().Find(id);
    p->ignore = ignore;
    if (!condition) continue;
    p->conditionText = condition->Text();
    p->condition = session_.Condition(*condition, id);
  }
  return std::nullopt;
}

Json BreakpointBook::Add(Kind kind, const std::string& file, std::vector<int> points, Json shown) {
  const int id = nextId_++;
  entries_.push_back({id, kind, file, std::move(points)});
  shown["id"] = id;
  shown["verified"] = true;
  return shown;
}

Json BreakpointBook::SetSource(const Args& a) {
  const Args source(a.RequireObject("source"));
  std::optional<std::string> path = source.String("path");
  if (!path) path = source.String("name");
  if (!path) throw RequestError("source has neither path nor name");
  std::vector<Args> wanted;
  if (a.Has("breakpoints")) wanted = Objects(a.RequireArray("breakpoints"), "breakpoints");
  std::vector<std::int64_t> lines;
  for (const Args& b : wanted) lines.push_back(b.RequireInt("line"));  // all checked first
  Drop(Kind::Source, *path);
  Json out = Json::array();
  for (std::size_t i = 0; i < wanted.size(); ++i) {
    const Json shown = {{"line", lines[i]}, {"source", {{"path", *path}}}};
    const std::vector<std::uint16_t> at =
        info_ && lines[i] > 0 && lines[i] <= INT32_MAX
            ? info_->AddressesOf(*path, static_cast<int>(lines[i]))
            : std::vector<std::uint16_t>{};
    if (at.empty()) {
      out.push_back(
          Unverified(info_ ? "no instruction on this line" : "no debug information", shown));
      continue;
    }
    std::vector<int> points;
    for (std::uint16_t address : at)
      points.push_back(engine_.Points().AddBreak(address, *path + ":" + std::to_string(lines[i])));
    if (auto bad = Qualify(points, wanted[i])) {
      for (int p : points) engine_.Points().Remove(p);
      out.push_back(Unverified(*bad, shown));
      continue;
    }
    Json b = Add(Kind::Source, *path, std::move(points), shown);
    b["instructionReference"] = AddressText(at.front());
    out.push_back(std::move(b));
  }
  return {{"breakpoints", out}};
}

Json BreakpointBook::SetInstruction(const Args& a) {
  const std::vector<Args> wanted = Objects(a.RequireArray("breakpoints"), "breakpoints");
  std::vector<std::uint16_t> at;
  for (const Args& b : wanted) {
    const std::int64_t offset = b.Int("offset").value_or(0);
    if (offset % 2 != 0) throw RequestError("offset counts bytes, two to a word: it must be even");
    const std::int64_t address = ParseAddress(b.RequireString("instructionReference")) + offset / 2;
    if (address < 0 || address > 0xFFFF) throw RequestError("instruction address out of range");
    at.push_back(static_cast<std::uint16_t>(address));
  }
  Drop(Kind::Instruction);
  Json out = Json::array();
  for (std::size_t i = 0; i < wanted.size(); ++i) {
    const std::vector<int> points{engine_.Points().AddBreak(at[i], AddressText(at[i]))};
    const Json shown = {{"instructionReference", AddressText(at[i])}};
    if (auto bad = Qualify(points, wanted[i])) {
      engine_.Points().Remove(points.front());
      out.push_back(Unverified(*bad, shown));
    } else {
      out.push_back(Add(Kind::Instruction, {}, points, shown));
    }
  }
  return {{"breakpoints", out}};
}

Json BreakpointBook::SetFunction(const Args& a) {
  const std::vector<Args> wanted = Objects(a.RequireArray("breakpoints"), "breakpoints");
  std::vector<std::string> names;
  for (const Args& b : wanted) names.push_back(b.RequireString("name"));
  Drop(Kind::Function);
  Json out = Json::array();
  for (std::size_t i = 0; i < wanted.size(); ++i) {
    std::vector<std::uint16_t> at;
    try {
      at = debug::ResolveLocation(names[i], info_);
    } catch (const debug::LocationError& e) {
      out.push_back(Unverified(e.what()));
      continue;
    }
    std::vector<int> points;
    for (std::uint16_t address : at) points.push_back(engine_.Points().AddBreak(address, names[i]));
    if (auto bad = Qualify(points, wanted[i])) {
      for (int p : points) engine_.Points().Remove(p);
      out.push_back(Unverified(*bad));
      continue;
    }
    Json shown = {{"instructionReference", AddressText(at.front())}};
    if (info_) {
      if (const dbg::LineEntry* line = info_->LineAt(at.front()); line && line->source >= 0) {
        shown["line"] = line->line;
        shown["source"] = {{"path", info_->SourcePath(line->source).string()}};
      }
    }
    out.push_back(Add(Kind::Function, {}, std::move(points), shown));
  }
  return {{"breakpoints", out}};
}

Json BreakpointBook::DataInfo(const Args& a) const {
  const std::string name = a.RequireString("name");
  // A variable of a scope is named by its address first ("0x425F Label+1 (file.asm:9)").
  const std::string text = a.Has("variablesReference") ? name.substr(0, name.find(' ')) : name;
  std::optional<std::uint16_t> address;
  try {
    const mon::Expr e = mon::Expr::Parse(text, Lookup(info_));
    if (e.IsConstant()) {
      address = static_cast<std::uint16_t>(e.EvaluateConstant());
    } else if (e.Root().kind == mon::Node::Kind::Word &&
               e.Nodes()[e.Root().a].kind == mon::Node::Kind::Number) {
      address = static_cast<std::uint16_t>(e.Nodes()[e.Root().a].value);
    }
  } catch (const std::exception&) {
  }
  if (!address) return {{"dataId", nullptr}, {"description", name + " is not a memory cell"}};
  std::int64_t words = 1;
  if (const auto bytes = a.Int("bytes"); bytes && *bytes > 2 && *bytes <= 0x20000)
    words = std::min<std::int64_t>((*bytes + 1) / 2, 0x10000 - *address);
  std::string id = AddressText(*address);
  if (words > 1) id += ":" + std::to_string(words);
  return {{"dataId", id},
          {"description", name + " (" + id + ")"},
          {"accessTypes", {"read", "write", "readWrite"}},
          {"canPersist", true}};
}

Json BreakpointBook::SetData(const Args& a) {
  const std::vector<Args> wanted = Objects(a.RequireArray("breakpoints"), "breakpoints");
  struct Want {
    std::pair<std::uint16_t, std::uint16_t> range;
    debug::WatchKind kind;
  };
  std::vector<Want> parsed;
  for (const Args& b : wanted)
    parsed.push_back({ParseDataId(b.RequireString("dataId")), AccessKind(b.String("accessType"))});
  Drop(Kind::Data);
  Json out = Json::array();
  for (std::size_t i = 0; i < wanted.size(); ++i) {
    const auto [first, last] = parsed[i].range;
    const std::vector<int> points{
        engine_.Points().AddWatch(first, last, parsed[i].kind, AddressText(first))};
    if (auto bad = Qualify(points, wanted[i])) {
      engine_.Points().Remove(points.front());
      out.push_back(Unverified(*bad));
    } else {
      out.push_back(Add(Kind::Data, {}, points, Json::object()));
    }
  }
  return {{"breakpoints", out}};
}

Json BreakpointBook::SetExceptions(const Args& a) {
  std::vector<std::string> filters;
  for (const Json& f : a.RequireArray("filters")) {
    if (!f.is_string()) throw RequestError("every filter must be a string");
    filters.push_back(f.get<std::string>());
    if (filters.back() != "fault" && filters.back() != "request")
      throw RequestError("unknown exception filter '" + Shown(filters.back()) +
                         "' (fault, request)");
  }
  Drop(Kind::Exception);
  Json out = Json::array();
  for (const std::string& f : filters) {
    const int p = f == "fault"
                      ? engine_.Points().AddCatch(debug::CatchKind::Fault, 0xF, "fault")
                      : engine_.Points().AddCatch(debug::CatchKind::Request, 0xFF, "request");
    out.push_back(Add(Kind::Exception, {}, {p}, Json::object()));
  }
  return {{"breakpoints", out}};
}

std::optional<BreakpointBook::Owner> BreakpointBook::OwnerOf(int point) const {
  static constexpr const char* kReasons[] = {"breakpoint", "instruction breakpoint",
                                             "function breakpoint", "data breakpoint", "exception"};
  for (const Entry& e : entries_) {
    if (std::find(e.points.begin(), e.points.end(), point) != e.points.end())
      return Owner{e.id, kReasons[static_cast<int>(e.kind)]};
  }
  return std::nullopt;
}

}  // namespace kv74::dap
