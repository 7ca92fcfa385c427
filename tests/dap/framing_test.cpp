// The adapter's framing and encodings: messages split or run together in any way come out whole,
// and a bad header costs only itself.
#include <gtest/gtest.h>

#include <optional>

#include "framing.hpp"
#include "protocol.hpp"

namespace kv74::dap {
namespace {

// Every message and error the reader gives for `input` fed in pieces of `piece` bytes.
std::vector<std::string> Read(const std::string& input, std::size_t piece) {
  FrameReader r;
  std::vector<std::string> out;
  for (std::size_t i = 0; i < input.size(); i += piece) {
    r.Feed(std::string_view(input).substr(i, piece));
    while (auto f = r.Next()) out.push_back(f->ok ? f->body : "error: " + f->error);
  }
  return out;
}

TEST(Framing, MessagesComeOutWholeHoweverTheBytesArrive) {
  const std::string two = Framed("{\"a\":1}") + Framed("{}");
  struct Case {
    std::string input;
    std::vector<std::string> want;
  } cases[] = {
      {two, {"{\"a\":1}", "{}"}},
      {"content-length:  2 \r\nX-Other: y\r\n\r\n{}", {"{}"}},
      {"X-Other: y\r\nContent-Length: 2\r\n\r\n{}", {"{}"}},
      {"Content-Length: " + std::to_string(kMaxContent + 1) + "\r\n\r\n" + Framed("1"),
       {"error: Content-Length too large", "1"}},
      {"Content-Type: a\r\n\r\n" + Framed("{}"), {"error: header without Content-Length", "{}"}},
      {"Content-Length: 2x\r\n\r\n" + Framed("[]"), {"error: bad Content-Length", "[]"}},
      {"Content-Length: -1\r\n\r\n" + Framed("[]"), {"error: bad Content-Length", "[]"}},
      {"Content-Length: 99999999999\r\n\r\n" + Framed("1"),
       {"error: Content-Length too large", "1"}},
      {"Content-Length: 1\r\nContent-Length: 2\r\n\r\n" + Framed("2"),
       {"error: conflicting Content-Length headers", "2"}},
      {"junk\r\n\r\n" + Framed("3"), {"error: bad header line (no colon)", "3"}},
      {"Content-Length: 0\r\n\r\n", {""}},
  };
  for (const Case& c : cases) {
    for (std::size_t piece : {std::size_t{1}, std::size_t{7}, c.input.size()}) {
      EXPECT_EQ(Read(c.input, piece), c.want) << c.input << " in pieces of " << piece;
    }
  }
}

TEST(Framing, AHeaderWithoutEndIsDroppedAndTheReaderStaysBounded) {
  FrameReader r;
  r.Feed(std::string(kMaxHeader + 10, 'x'));
  const auto f = r.Next();
  ASSERT_TRUE(f);
  EXPECT_FALSE(f->ok);
  EXPECT_LE(r.Pending(), 3u);
  r.Feed("\r\n\r\n" + Framed("{}"));  // the rest of the bad header ends; then a good message
  std::vector<bool> ok;
  while (auto g = r.Next()) ok.push_back(g->ok);
  EXPECT_EQ(ok, (std::vector<bool>{false, true}));
  // The end of the bad header split at the bound: its first three bytes are kept.
  r.Feed(std::string(kMaxHeader + 10, 'x') + "\r\n\r");
  ASSERT_TRUE(r.Next());
  r.Feed("\n" + Framed("{}"));
  ok.clear();
  while (auto g = r.Next()) ok.push_back(g->ok);
  EXPECT_EQ(ok, (std::vector<bool>{false, true}));
}

TEST(Encodings, Base64RoundTripsAndRejectsWhatIsNotBase64) {
  EXPECT_EQ(Base64Encode({'M', 'a', 'n'}), "TWFu");
  EXPECT_EQ(Base64Encode({'M', 'a'}), "TWE=");
  EXPECT_EQ(Base64Encode({'M'}), "TQ==");
  std::vector<std::uint8_t> bytes;
  for (int n = 0; n < 8; ++n) {
    EXPECT_EQ(Base64Decode(Base64Encode(bytes)), bytes);
    bytes.push_back(static_cast<std::uint8_t>(0xF0 + n * 3));
  }
  for (const char* bad : {"TWF", "TW=u", "T===", "TWFu!A==", "=AAA", "TQ==TWFu"}) {
    EXPECT_THROW(Base64Decode(bad), RequestError) << bad;
  }
}

TEST(Encodings, MemoryReferencesAreWordAddresses) {
  EXPECT_EQ(ParseAddress("0x425F"), 0x425F);
  EXPECT_EQ(ParseAddress("256"), 256);
  EXPECT_EQ(ParseAddress("0xFFFF"), 0xFFFF);
  EXPECT_EQ(ParseAddress("0X4000"), 0x4000);
  for (const char* bad : {"", "0x", "0x10000", "65536", "-1", "12a", "0x 1"}) {
    EXPECT_THROW(ParseAddress(bad), RequestError) << bad;
  }
  EXPECT_EQ(AddressText(0x42), "0x0042");
}

TEST(Arguments, AnIntegerOutsideTheSignedRangeIsRefusedNotWrapped) {
  struct Case {
    const char* json;
    std::optional<std::int64_t> want;  // none: refused
  } cases[] = {
      {R"({"n": -5})", -5},
      {R"({"n": 9223372036854775807})", INT64_MAX},
      {R"({"n": 9223372036854775808})", std::nullopt},
      {R"({"n": 18446744073709551614})", std::nullopt},
      {R"({"n": 1.5})", std::nullopt},
  };
  for (const Case& c : cases) {
    const Json j = Json::parse(c.json);
    if (c.want) {
      EXPECT_EQ(Args(j).Int("n"), c.want) << c.json;
    } else {
      EXPECT_THROW(Args(j).Int("n"), RequestError) << c.json;
    }
  }
}

}  // namespace
}  // namespace kv74::dap
