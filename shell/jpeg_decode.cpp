#include "shell/jpeg_decode.hpp"

// clang-format off
#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>
// clang-format on

namespace kv74::shell {
namespace {

struct ErrorManager {
  jpeg_error_mgr pub;  // first, so that libjpeg's pointer is also ours
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void ErrorExit(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, err->message);
  std::longjmp(err->jump, 1);
}

void SilentOutput(j_common_ptr) {}

// Larger pictures are refused rather than allocated.
constexpr JDIMENSION kMaxSide = 4096;

// Holds no object with a destructor between setjmp and the calls that may jump back, so the
// jump skips nothing that needs cleaning up.
bool Decode(jpeg_decompress_struct* cinfo, ErrorManager* err, const std::uint8_t* data,
            unsigned long size, RgbPicture* out) {
  if (setjmp(err->jump) != 0) {
    jpeg_destroy_decompress(cinfo);
    return false;
  }
  jpeg_create_decompress(cinfo);
  jpeg_mem_src(cinfo, data, size);
  jpeg_read_header(cinfo, TRUE);
  cinfo->out_color_space = JCS_RGB;
  jpeg_start_decompress(cinfo);
  if (cinfo->output_components != 3 || cinfo->output_width > kMaxSide ||
      cinfo->output_height > kMaxSide) {
    std::snprintf(err->message, sizeof err->message, "unexpected picture: %u x %u, %d components",
                  cinfo->output_width, cinfo->output_height, cinfo->output_components);
    jpeg_destroy_decompress(cinfo);
    return false;
  }
  out->width = static_cast<int>(cinfo->output_width);
  out->height = static_cast<int>(cinfo->output_height);
  const std::size_t stride = std::size_t{cinfo->output_width} * 3;
  out->rgb.assign(stride * cinfo->output_height, 0);
  while (cinfo->output_scanline < cinfo->output_height) {
    JSAMPROW row = out->rgb.data() + stride * cinfo->output_scanline;
    jpeg_read_scanlines(cinfo, &row, 1);
  }
  jpeg_finish_decompress(cinfo);
  jpeg_destroy_decompress(cinfo);
  return true;
}

}  // namespace

bool DecodeJpeg(std::span<const std::uint8_t> data, RgbPicture* out, std::string* error) {
  *out = RgbPicture{};
  if (data.empty()) {
    if (error) *error = "empty picture";
    return false;
  }
  jpeg_decompress_struct cinfo{};
  ErrorManager err{};
  cinfo.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = ErrorExit;
  err.pub.output_message = SilentOutput;
  if (Decode(&cinfo, &err, data.data(), static_cast<unsigned long>(data.size()), out)) return true;
  if (error) *error = err.message;
  *out = RgbPicture{};
  return false;
}

}  // namespace kv74::shell
