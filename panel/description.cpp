#include "panel/description.hpp"

#include <array>
#include <cstdio>

#include "panel/appearance.hpp"
#include "panel/click.hpp"
#include "panel/faces.hpp"
#include "panel/panel_json.hpp"

namespace kv74 {
namespace {

constexpr std::array<std::string_view, static_cast<std::size_t>(ControlKind::Picture) + 1>
    kKindNames{"Key",       "JogToggle",  "Toggle",      "Indicator",    "SignalLamp",
               "FrameLamp", "OutputLamp", "InputLamp",   "Field",        "Button",
               "Label",     "GroupBox",   "RaisedPanel", "LoweredPanel", "Picture"};

// Members of one object, comma-separated.
class Object {
 public:
  Object& Raw(std::string_view key, const std::string& value) {
    out_ += first_ ? "{" : ",";
    first_ = false;
    out_ += JsonString(key);
    out_ += ':';
    out_ += value;
    return *this;
  }
  Object& Str(std::string_view key, std::string_view value) { return Raw(key, JsonString(value)); }
  Object& Int(std::string_view key, long long value) { return Raw(key, std::to_string(value)); }
  Object& Bool(std::string_view key, bool value) { return Raw(key, value ? "true" : "false"); }
  Object& Num(std::string_view key, double value) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.10g", value);
    return Raw(key, buf);
  }
  std::string Take() {
    out_ += first_ ? "{}" : "}";
    return std::move(out_);
  }

 private:
  std::string out_;
  bool first_ = true;
};

std::string Css(std::uint32_t bgr) {
  if (bgr == NO_COLOUR) return "none";
  char buf[8];
  std::snprintf(buf, sizeof buf, "#%02x%02x%02x", bgr & 0xFF, (bgr >> 8) & 0xFF,
                (bgr >> 16) & 0xFF);
  return buf;
}

std::string LayerJson(const FaceLayer& l) {
  Object o;
  if (!l.text.empty()) {
    return o.Str("text", l.text)
        .Num("x", l.x)
        .Num("y", l.y)
        .Num("w", l.w)
        .Num("h", l.h)
        .Int("pixels", l.pixels)
        .Bool("bold", l.bold)
        .Str("fill", Css(l.fill))
        .Take();
  }
  return o.Str("d", l.path)
      .Str("fill", Css(l.fill))
      .Str("stroke", Css(l.stroke))
      .Num("width", l.width)
      .Str("join", l.miter ? "miter" : "round")
      .Take();
}

std::string FacesJson() {
  Object faces;
  for (KeyPicture picture : AllPictures()) {
    const Face& face = FaceOf(picture);
    std::string layers = "[";
    for (const FaceLayer& l : face.layers) {
      if (layers.size() > 1) layers += ',';
      layers += LayerJson(l);
    }
    layers += ']';
    faces.Raw(
        PictureName(picture),
        Object().Num("width", face.width).Num("height", face.height).Raw("layers", layers).Take());
  }
  return faces.Take();
}

std::string ItemJson(const ControlInfo& item) {
  Object o;
  o.Str("name", item.name)
      .Str("parent", item.place.parent)
      .Str("kind", ControlKindName(item.kind))
      .Int("x", item.place.x)
      .Int("y", item.place.y)
      .Int("w", item.place.w)
      .Int("h", item.place.h)
      .Str("caption", item.caption);
  switch (item.kind) {
    case ControlKind::SignalLamp:
    case ControlKind::FrameLamp:
    case ControlKind::OutputLamp:
    case ControlKind::InputLamp: o.Int("colour", item.colour); break;
    default: break;
  }
  const TextStyle style = TextStyleOf(item);
  o.Raw("font", Object()
                    .Int("pixels", style.pixels)
                    .Bool("bold", style.bold)
                    .Str("align", style.align == Align::Left ? "left" : "centre")
                    .Take());
  o.Bool("clickable", !IsContainer(item.kind) && IsClickable(item.name));
  if (item.kind == ControlKind::Key || item.kind == ControlKind::JogToggle)
    o.Int("code", KeyCodeFromName(item.name));
  if (!item.frame.empty()) o.Str("frame", item.frame);
  if (item.picture != KeyPicture::None) {
    o.Str("face", PictureName(item.picture));
    if (const int size = PictureSize(item); size != 0) o.Int("faceSize", size);
  }
  if (const int n = PortLampNumber(item); n >= 0) o.Int("number", n);
  if (IsHidden(item)) o.Bool("hidden", true);
  return o.Take();
}

}  // namespace

std::string_view ControlKindName(ControlKind kind) {
  return kKindNames.at(static_cast<std::size_t>(kind));
}

std::string PanelDescriptionJson() {
  namespace a = appearance;
  std::string items = "[";
  for (const ControlInfo& item : PanelItems()) {
    if (items.size() > 1) items += ',';
    items += ItemJson(item);
  }
  items += ']';
  return Object()
      .Int("width", PANEL_WIDTH)
      .Int("height", PANEL_HEIGHT)
      .Int("maxWidth", PANEL_MAX_WIDTH)
      .Int("maxHeight", PANEL_MAX_HEIGHT)
      .Raw("colours", Object()
                          .Int("window", a::WINDOW)
                          .Int("pu", a::PU)
                          .Int("field", a::FIELD)
                          .Int("text", a::TEXT)
                          .Int("lampBorder", a::LAMP_BORDER)
                          .Int("lampCaption", a::LAMP_CAPTION)
                          .Int("lampNumber", a::LAMP_NUMBER)
                          .Int("segmentLit", a::SEGMENT_LIT)
                          .Int("segmentDark", a::SEGMENT_DARK)
                          .Int("glass", a::DISPLAY_GLASS)
                          .Take())
      .Int("digitPixels", a::DIGIT_PIXELS)
      .Int("lampNumberPixels", a::LAMP_NUMBER_PIXELS)
      .Raw("items", items)
      .Raw("faces", FacesJson())
      .Take();
}

}  // namespace kv74
