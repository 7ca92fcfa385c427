// The module's C interface, called by the worker (web/worker.js) and the tests through the
// module's exports. One machine at a time. Strings and bytes returned stay valid until the next
// call that returns any; a call that fails returns -1 (or null) and kv74_error() tells why.
#include <emscripten/emscripten.h>

#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "panel/description.hpp"
#include "web/core/session.hpp"

namespace {

constexpr char kImageDir[] = "/images";  // V4, AMT and RAM, written there by the caller
constexpr char kWorkDir[] = "/work";     // prog.txt

std::unique_ptr<kv74::web::Session> session;
std::string error;
std::string text;
std::vector<std::uint8_t> bytes;

// Runs f, turning an exception into -1 and the error message.
template <typename F>
int Guard(F f) {
  try {
    error.clear();
    return f();
  } catch (const std::exception& e) {
    error = e.what();
    return -1;
  }
}

const char* Text(std::string s) {
  text = std::move(s);
  return text.c_str();
}

bool Started() {
  if (session) return true;
  error = "the machine is not started";
  return false;
}

}  // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE const char* kv74_error() { return error.c_str(); }

// Power-on from the images in /images, clicking the input script (may be empty) at its steps.
// A failure keeps the machine that ran before.
EMSCRIPTEN_KEEPALIVE int kv74_start(const char* script) {
  return Guard([&] {
    // The lines the old session still holds would land in the new prog.txt when it goes.
    if (session) session->FlushProg();
    session = std::make_unique<kv74::web::Session>(kImageDir, kWorkDir, script);
    return 0;
  });
}

// Runs at most n steps (a whole number below 2^53); returns the steps run.
EMSCRIPTEN_KEEPALIVE double kv74_run(double n) {
  if (!Started()) return -1;
  std::uint64_t run = 0;
  const int status = Guard([&] {
    run = session->Run(static_cast<std::uint64_t>(n));
    return 0;
  });
  return status == 0 ? static_cast<double>(run) : -1;
}

EMSCRIPTEN_KEEPALIVE double kv74_steps() {
  return session ? static_cast<double>(session->Steps()) : 0;
}

EMSCRIPTEN_KEEPALIVE int kv74_click(const char* name) {
  if (!Started()) return -1;
  return Guard([&] {
    if (session->Click(name)) return 0;
    error = std::string("no clickable control named ") + name;
    return -1;
  });
}

// The panel's description (every control's place, kind, caption and face), for the page to build
// the panel from; no machine needed.
EMSCRIPTEN_KEEPALIVE const char* kv74_panel_description() {
  return Text(kv74::PanelDescriptionJson());
}

// kv74-run's "panel" object; with_down adds the toggles that stand down.
EMSCRIPTEN_KEEPALIVE const char* kv74_panel_json(int with_down) {
  return session ? Text(session->PanelJson(with_down != 0)) : nullptr;
}

// prog.txt written since the last call; *reset set to 1 when the file started again meanwhile.
EMSCRIPTEN_KEEPALIVE const char* kv74_prog_take(int* reset) {
  if (!session) return nullptr;
  bool r = false;
  const char* t = Text(session->TakeProgText(r));
  *reset = r ? 1 : 0;
  return t;
}

EMSCRIPTEN_KEEPALIVE const char* kv74_block() { return session ? session->Block().c_str() : ""; }

// The plot calls kept (4 words each: kind, row, column, pen), or -1 when the whole picture
// changed; *calls points at them. kv74_plot_forget() starts the next batch.
EMSCRIPTEN_KEEPALIVE int kv74_plot_calls(const void** calls) {
  if (!session) return -1;
  auto& plot = session->Plot();
  *calls = plot.Calls().data();
  return plot.PictureChanged() ? -1 : static_cast<int>(plot.Calls().size());
}

EMSCRIPTEN_KEEPALIVE void kv74_plot_forget() {
  if (session) session->Plot().Forget();
}

// The plot picture: 1024 x 768 RGB bytes, row-major.
EMSCRIPTEN_KEEPALIVE const std::uint8_t* kv74_picture() {
  return session ? session->Plot().Picture().Rgb().data() : nullptr;
}

// The bytes of the last kv74_snapshot_save or kv74_ram_save.
EMSCRIPTEN_KEEPALIVE const std::uint8_t* kv74_bytes() { return bytes.data(); }

EMSCRIPTEN_KEEPALIVE int kv74_snapshot_save() {
  if (!Started()) return -1;
  return Guard([&] {
    bytes = session->SaveSnapshot();
    return static_cast<int>(bytes.size());
  });
}

EMSCRIPTEN_KEEPALIVE int kv74_snapshot_load(const std::uint8_t* data, int size) {
  if (!Started()) return -1;
  return Guard([&] {
    session->LoadSnapshot({data, static_cast<std::size_t>(size)});
    return 0;
  });
}

EMSCRIPTEN_KEEPALIVE int kv74_ram_save() {
  if (!Started()) return -1;
  bytes = session->Ram();
  return static_cast<int>(bytes.size());
}

// The clicks since power-on as an input script.
EMSCRIPTEN_KEEPALIVE const char* kv74_script() { return session ? Text(session->Script()) : ""; }

// What went wrong writing prog.txt ("" when nothing).
EMSCRIPTEN_KEEPALIVE const char* kv74_warning() {
  return session ? session->Warning().c_str() : "";
}

}  // extern "C"
