// A panel without widgets: every control of the panel as a row of a table, starting with its
// initial caption and colour. Used by the headless runner and the tests.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "panel/surface.hpp"

namespace kv74 {

class TableControl final : public Control {
 public:
  TableControl(std::string caption, std::uint32_t colour)
      : caption_(std::move(caption)), colour_(colour) {}
  void SetCaption(const std::string& text) override { caption_ = text; }
  std::string Caption() const override { return caption_; }
  void SetColour(std::uint32_t bgr) override { colour_ = bgr; }
  std::uint32_t Colour() const override { return colour_; }
  bool IsDown() const override { return down_; }
  void SetDown(bool down) override { down_ = down; }

 private:
  std::string caption_;
  std::uint32_t colour_;
  bool down_ = false;
};

class TableSurface final : public ControlSurface {
 public:
  TableSurface();
  Control* Find(std::string_view name) override;

 private:
  std::map<std::string, TableControl, std::less<>> controls_;
};

}  // namespace kv74
