#include "tools/kv74-dis/print.hpp"

#include <cstdio>
#include <vector>

#include "cpu/decode.hpp"

namespace kv74::dis {
namespace {

constexpr std::size_t kMinFill = 3;  // a shorter run of equal words stays in a .word list
constexpr std::size_t kListingWords = 2, kSourceWords = 8;  // words per .word line
constexpr std::size_t kCommentColumn = 48;

struct Area {
  std::uint32_t start, end;  // end exclusive
};
constexpr Area kAreas[] = {{0x0000, 0x2000}, {0x4000, 0x5000}, {0x7000, 0x8000}};

std::string Hex4(std::uint32_t v) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%04X", v & 0xFFFF);
  return buf;
}

std::string Padded(std::string text, std::size_t column) {
  if (text.size() < column) text.resize(column, ' ');
  return text;
}

struct Piece {
  enum class Kind { Code, Words, Fill };
  Kind kind;
  std::size_t index;   // first word
  std::size_t length;  // words
  std::string text;    // Code: the instruction as disassembled
};

std::size_t EqualRun(const Image& image, std::size_t i, std::size_t end) {
  std::size_t j = i + 1;
  while (j < end && image.words[j] == image.words[i]) ++j;
  return j - i;
}

// Data words [i, end) as .fill pieces for runs of equal words and .word lists between them.
void SplitData(const Image& image, std::size_t i, std::size_t end, std::size_t perLine,
               std::vector<Piece>& pieces) {
  while (i < end) {
    const std::size_t run = EqualRun(image, i, end);
    if (run >= kMinFill) {
      pieces.push_back({Piece::Kind::Fill, i, run, {}});
      i += run;
      continue;
    }
    std::size_t j = i + 1;
    while (j < end && j - i < perLine && EqualRun(image, j, end) < kMinFill) ++j;
    pieces.push_back({Piece::Kind::Words, i, j - i, {}});
    i = j;
  }
}

// The whole image as pieces. Data runs end where the range or a named place begins, so that
// each piece lies wholly inside or outside the range and labels land on a piece.
std::vector<Piece> Split(const Image& image, const Range& r, const Names& names,
                         std::size_t perLine) {
  const auto address = [&](std::size_t i) { return static_cast<std::uint16_t>(r.base + i); };
  const auto cut = [&](std::size_t i) {
    return r.base + i == r.from || r.base + i == r.to + 1 || names.Boundary(address(i));
  };
  const std::size_t n = image.words.size();
  std::vector<Piece> pieces;
  for (std::size_t i = 0; i < n;) {
    std::size_t end = i + 1;
    if (names.IsData(address(i))) {
      while (end < n && names.IsData(address(end)) && !cut(end)) ++end;
      SplitData(image, i, end, perLine, pieces);
      i = end;
      continue;
    }
    if (image.words[i] == 0 && !names.Described(address(i)))
      while (end < n && image.words[end] == 0 && !cut(end) && !names.IsData(address(end))) ++end;
    if (end - i >= kMinFill) {
      pieces.push_back({Piece::Kind::Fill, i, end - i, {}});
      i = end;
      continue;
    }
    Disassembly d = At(image, i, r.base + i);
    if (d.length == 2 && (names.Boundary(address(i + 1)) || names.IsData(address(i + 1))))
      d = {WordDirective(image.words[i]), 1};
    pieces.push_back({Piece::Kind::Code, i, static_cast<std::size_t>(d.length), d.text});
    i += static_cast<std::size_t>(d.length);
  }
  return pieces;
}

// The directive or instruction of a piece, with names where the debug information has them,
// and the comment for its line.
std::string Text(const Piece& p, const Image& image, const Range& r, Names& names,
                 std::string& comment) {
  const std::uint16_t w = image.words[p.index];
  const auto address = static_cast<std::uint16_t>(r.base + p.index);
  if (const std::string* c = names.CommentAt(address)) comment = *c;
  if (const std::string x = names.XRefs(address); !x.empty())
    comment = comment.empty() ? x : comment + "; " + x;
  // A comment is one line of text: control bytes (a NUL would end the listing) become spaces.
  for (char& c : comment)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
  if (p.kind == Piece::Kind::Fill)
    return ".fill  " + std::to_string(p.length) + (w ? ", 0x" + Hex4(w) : std::string());
  if (p.kind == Piece::Kind::Words) {
    std::string text = ".word  ";
    for (std::size_t k = 0; k < p.length; ++k)
      text += (k ? ", 0x" : "0x") + Hex4(image.words[p.index + k]);
    return text;
  }
  const std::uint16_t ext = p.index + 1 < image.words.size() ? image.words[p.index + 1] : 0;
  if (Decode(w) == Op::CallTable && r.base == 0 && FieldDD(w) < image.words.size())
    if (const auto callee = names.LabelName(image.words[FieldDD(w)]))
      comment = "calls " + *callee + (comment.empty() ? "" : "; " + comment);
  return names.Symbolic(p.text, w, ext, address);
}

}  // namespace

void PrintListing(const Image& image, const Range& r, Names& names) {
  for (const Piece& p : Split(image, r, names, kListingWords)) {
    const std::uint32_t address = (r.base + p.index) & 0xFFFF;
    if (address < r.from || address > r.to) continue;
    for (const std::string& label : names.LabelsAt(static_cast<std::uint16_t>(address)))
      std::printf("%s:\n", label.c_str());
    std::string comment;
    const std::string text = Text(p, image, r, names, comment);
    const bool two = p.kind != Piece::Kind::Fill && p.length == 2;
    std::string line = Hex4(address) + "  " + Hex4(image.words[p.index]) + " " +
                       (two ? Hex4(image.words[p.index + 1]) : std::string(4, ' ')) + "  " + text;
    if (!comment.empty()) line = Padded(line, kCommentColumn) + " ; " + comment;
    std::printf("%s\n", line.c_str());
  }
}

int PrintSource(const Image& image, const Range& r, const std::string& path, Names& names) {
  const Area* area = nullptr;
  for (const Area& a : kAreas)
    if (r.base >= a.start && r.base < a.end) area = &a;
  if (!area || r.base + image.words.size() > area->end) {
    std::fprintf(stderr,
                 "kv74-dis: %zu words from 0x%04X do not fit in ProgramMemory, DataMemory or "
                 "TableMemory\n",
                 image.words.size(), r.base);
    return 1;
  }
  std::string body;
  bool placed = false;
  for (const Piece& p : Split(image, r, names, kSourceWords)) {
    const std::uint32_t address = r.base + static_cast<std::uint32_t>(p.index);
    if (address < r.from || address > r.to) {
      placed = false;
      continue;
    }
    if (!placed) body += "        .org    0x" + Hex4(address) + "\n";
    placed = true;
    for (const std::string& label : names.LabelsAt(static_cast<std::uint16_t>(address))) {
      body += label + ":\n";
      names.Placed(label);
    }
    std::string comment;
    const std::string text = Text(p, image, r, names, comment);
    body += Padded("        " + text, kCommentColumn) + " ; " + Hex4(address) +
            (comment.empty() ? "" : " " + comment) + "\n";
  }
  std::printf("; %s, disassembled by kv74-dis\n%s", path.c_str(), names.Definitions().c_str());
  if (r.base != area->start || image.bytes != 2 * (area->end - area->start))
    std::printf("        .image  0x%04X, %zu\n", r.base, image.bytes);
  std::fputs(body.c_str(), stdout);
  return 0;
}

}  // namespace kv74::dis
