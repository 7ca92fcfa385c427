#include "debug/panel_target.hpp"

#include <algorithm>
#include <cstring>

#include "board/shown.hpp"
#include "debug/bytes.hpp"
#include "panel/click.hpp"
#include "panel/controls.hpp"
#include "panel/plot.hpp"

namespace kv74::debug {
namespace {

constexpr std::size_t kPictureBytes = std::size_t{PLOT_WIDTH} * PLOT_HEIGHT * 3;

// Runs of equal pixels: U32 count, then R G B.
void PutPicture(ByteWriter& w, std::span<const std::uint8_t> rgb) {
  w.U8(rgb.empty() ? 0 : 1);
  for (std::size_t i = 0; i < rgb.size();) {
    std::size_t j = i + 3;
    while (j < rgb.size() && rgb[j] == rgb[i] && rgb[j + 1] == rgb[i + 1] &&
           rgb[j + 2] == rgb[i + 2]) {
      j += 3;
    }
    w.U32(static_cast<std::uint32_t>((j - i) / 3));
    w.Bytes(rgb.subspan(i, 3));
    i = j;
  }
}

std::vector<std::uint8_t> GetPicture(ByteReader& r) {
  std::vector<std::uint8_t> rgb;
  if (r.U8() == 0) return rgb;
  rgb.resize(kPictureBytes);
  std::uint8_t* out = rgb.data();
  for (std::size_t pixels = 0; pixels < kPictureBytes / 3;) {
    const std::uint32_t run = r.U32();
    auto px = r.Bytes(3);
    if (run == 0 || run > kPictureBytes / 3 - pixels) r.Fail("bad plot picture");
    // The run's first pixel, then doubled in place: a plain picture is a few long runs.
    std::memcpy(out, px.data(), 3);
    for (std::size_t done = 3, bytes = std::size_t{run} * 3; done < bytes;) {
      const std::size_t chunk = std::min(done, bytes - done);
      std::memcpy(out + done, out, chunk);
      done += chunk;
    }
    out += std::size_t{run} * 3;
    pixels += run;
  }
  return rgb;
}

}  // namespace

PanelSnapshot CapturePanel(const PanelLogic& logic, ControlSurface& surface,
                           std::span<const std::uint8_t> picture) {
  PanelSnapshot s;
  for (const ControlInfo& info : PanelControls()) {
    if (const Control* c = surface.Find(info.name)) {
      s.controls.push_back({c->Caption(), c->Colour(), c->IsDown()});
    }
  }
  s.logic = logic.SaveState();
  s.picture.assign(picture.begin(), picture.end());
  return s;
}

void ApplyPanel(const PanelSnapshot& s, PanelLogic& logic, ControlSurface& surface) {
  std::size_t i = 0;
  for (const ControlInfo& info : PanelControls()) {
    Control* c = surface.Find(info.name);
    if (c == nullptr || i >= s.controls.size()) continue;
    const auto& cs = s.controls[i++];
    if (c->Caption() != cs.caption) c->SetCaption(cs.caption);
    if (c->Colour() != cs.colour) c->SetColour(cs.colour);
    if (c->IsDown() != cs.down) c->SetDown(cs.down);
  }
  logic.RestoreState(s.logic);
}

std::vector<std::uint8_t> EncodePanel(const PanelSnapshot& s) {
  ByteWriter w;
  w.U32(static_cast<std::uint32_t>(s.controls.size()));
  for (const auto& c : s.controls) {
    w.String(c.caption);
    w.U32(c.colour);
    w.U8(c.down ? 1 : 0);
  }
  w.U8(s.logic.lampPattern ? 1 : 0);
  w.U32(static_cast<std::uint32_t>(s.logic.traceGate));
  w.U8(static_cast<std::uint8_t>(s.logic.scale));
  w.U32(static_cast<std::uint32_t>(s.logic.previous.row));
  w.U32(static_cast<std::uint32_t>(s.logic.previous.column));
  w.U64(s.logic.traceLines);
  PutPicture(w, s.picture);
  return std::move(w.Data());
}

PanelSnapshot DecodePanel(std::span<const std::uint8_t> bytes, ControlSurface& surface) {
  ByteReader r(bytes, "panel state");
  PanelSnapshot s;
  std::size_t expected = 0;
  for (const ControlInfo& info : PanelControls()) expected += surface.Find(info.name) ? 1 : 0;
  if (r.U32() != expected) r.Fail("the panel has other controls");
  s.controls.resize(expected);
  for (auto& c : s.controls) {
    c.caption = r.String();
    c.colour = r.U32();
    const std::uint8_t down = r.U8();
    if (down > 1 || c.colour > 0xFFFFFF || !IsText(c.caption)) r.Fail("bad control state");
    c.down = down == 1;
  }
  const std::uint8_t lamp = r.U8();
  s.logic.traceGate = static_cast<std::int32_t>(r.U32());
  s.logic.scale = r.U8();
  s.logic.previous.row = static_cast<std::int32_t>(r.U32());
  s.logic.previous.column = static_cast<std::int32_t>(r.U32());
  s.logic.traceLines = r.U64();
  if (lamp > 1 || (s.logic.scale != 1 && s.logic.scale != 2)) r.Fail("bad panel logic state");
  s.logic.lampPattern = lamp == 1;
  s.picture = GetPicture(r);
  if (!r.AtEnd()) r.Fail("trailing bytes");
  return s;
}

bool PanelTarget::IsClickable(std::string_view name) const {
  return kv74::IsClickable(name) && surface_.Find(name) != nullptr;
}

void PanelTarget::Click(std::string_view name) { ClickControl(logic_, surface_, name); }

std::vector<std::uint8_t> PanelTarget::SavePanel() const {
  std::span<const std::uint8_t> picture;
  if (canvas_ != nullptr) picture = canvas_->Rgb();
  return EncodePanel(CapturePanel(logic_, surface_, picture));
}

void PanelTarget::RestorePanel(std::span<const std::uint8_t> bytes) {
  PanelSnapshot s = DecodePanel(bytes, surface_);
  if (canvas_ != nullptr && s.picture.size() != canvas_->Rgb().size()) {
    throw SnapshotError("panel state: the plot picture is missing");
  }
  ApplyPanel(s, logic_, surface_);
  if (canvas_ != nullptr) canvas_->SetRgb(std::move(s.picture));
}

}  // namespace kv74::debug
