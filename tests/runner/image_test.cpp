#include "board/image.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <array>
#include <memory>

#include "temp_dir.hpp"

namespace kv74::test {
namespace {

TEST(ImageTest, NamesMatchWithoutRegardToCase) {
  struct Case {
    const char* file;
    const char* requested;
  };
  const Case cases[] = {{"V4", "v4"}, {"v4", "V4"}, {"Amt", "amt"}, {"ram", "RAM"}};
  for (const Case& c : cases) {
    TempDir dir;
    WriteWords(dir / c.file, std::vector<std::uint16_t>{0x1234});
    EXPECT_EQ(FindImage(dir.path(), c.requested), dir / c.file) << c.requested;
  }
}

TEST(ImageTest, ExactNameWinsOverOtherCases) {
  TempDir dir;
  for (const char* f : {"RAM", "Ram", "ram"}) WriteWords(dir / f, std::vector<std::uint16_t>{1});
  EXPECT_EQ(FindImage(dir.path(), "ram"), dir / "ram");
  EXPECT_EQ(FindImage(dir.path(), "rAm"), dir / "RAM");  // no exact one: first in name order
}

TEST(ImageTest, MissingImageNamesTheRequestedName) {
  TempDir dir;
  std::filesystem::create_directory(dir / "v4");  // a directory is not an image
  for (const char* name : {"v4", "amt", "ram"}) {
    try {
      FindImage(dir.path(), name);
      ADD_FAILURE() << name;
    } catch (const ImageError& e) {
      EXPECT_EQ(e.kind(), ImageError::Kind::NotFound);
      EXPECT_EQ(std::string(e.what()), "Resource " + std::string(name) + " not found");
    }
  }
}

TEST(ImageTest, UnreadableDirectoryIsNotAMissingImage) {
  TempDir dir;
  try {
    FindImage(dir / "nowhere", "v4");
    ADD_FAILURE();
  } catch (const ImageError& e) {
    EXPECT_EQ(e.kind(), ImageError::Kind::Unreadable);
    EXPECT_NE(std::string(e.what()).find("nowhere"), std::string::npos);
  }
}

TEST(ImageTest, CopiesLittleEndianUpToTheShorterLengthAndWarnsOfOtherSizes) {
  struct Case {
    std::vector<std::uint8_t> bytes;
    std::array<std::uint16_t, 4> expected;  // area preset to 0xAAAA
    const char* warning;                    // fragment; "" for none
  };
  const Case cases[] = {
      {{}, {0xAAAA, 0xAAAA, 0xAAAA, 0xAAAA}, "img is empty (0 bytes, the area holds 8)"},
      {{0x34, 0x12}, {0x1234, 0xAAAA, 0xAAAA, 0xAAAA}, "img is short (2 bytes, the area holds 8)"},
      {{0x34, 0x12, 0x78}, {0x1234, 0xAA78, 0xAAAA, 0xAAAA}, "is short (3 bytes"},  // low byte only
      {{1, 0, 2, 0, 3, 0, 4, 0}, {1, 2, 3, 4}, ""},
      {{1, 0, 2, 0, 3, 0, 4, 0, 5, 0, 6, 0}, {1, 2, 3, 4}, "img is oversized (12 bytes, the area"},
  };
  for (const Case& c : cases) {
    TempDir dir;
    WriteBytes(dir / "img", c.bytes);
    std::array<std::uint16_t, 4> area;
    area.fill(0xAAAA);
    const ImageWarnings warnings = LoadImage(dir.path(), "IMG", area);
    EXPECT_EQ(area, c.expected) << c.bytes.size() << " bytes";
    ASSERT_EQ(warnings.size(), *c.warning ? 1u : 0u) << c.bytes.size() << " bytes";
    if (*c.warning) {
      EXPECT_NE(warnings[0].find(c.warning), std::string::npos) << warnings[0];
    }
  }
}

TEST(ImageTest, OnlyARegularFileIsAnImage) {
  TempDir dir;
  ASSERT_EQ(mkfifo((dir / "v4").c_str(), 0644), 0);  // would block a plain open for ever
  std::array<std::uint16_t, 4> area{};
  try {
    LoadImage(dir.path(), "V4", area);
    ADD_FAILURE() << "a FIFO was read";
  } catch (const ImageError& e) {
    EXPECT_EQ(e.kind(), ImageError::Kind::Unreadable);
    EXPECT_NE(std::string(e.what()).find("not a regular file"), std::string::npos) << e.what();
  }
}

TEST(ImageTest, LoadImagesFillsTheThreeAreas) {
  TempDir dir;
  std::vector<std::uint16_t> program(PROGRAM_WORDS + 10, 0x1111);
  program[0] = 0xE350;
  WriteWords(dir / "V4", program);
  WriteWords(dir / "AMT", std::vector<std::uint16_t>{0x013E, 0x023C});
  WriteWords(dir / "RAM", std::vector<std::uint16_t>(DATA_WORDS, 0x0707));
  auto m = std::make_unique<BoardState>();
  LoadImages(*m, dir.path());
  EXPECT_EQ(m->ProgramMemory[0], 0xE350);
  EXPECT_EQ(m->ProgramMemory[PROGRAM_WORDS - 1], 0x1111);
  EXPECT_EQ(m->TableMemory[1], 0x023C);
  EXPECT_EQ(m->TableMemory[2], 0);
  EXPECT_EQ(m->DataMemory[DATA_WORDS - 1], 0x0707);
}

TEST(ImageTest, FailedLoadLeavesTheMachineUntouched) {
  TempDir dir;
  WriteWords(dir / "V4", std::vector<std::uint16_t>{0xE350});
  WriteWords(dir / "AMT", std::vector<std::uint16_t>{0x013E});
  auto m = std::make_unique<BoardState>();
  EXPECT_THROW(LoadImages(*m, dir.path()), ImageError);  // no RAM image
  EXPECT_EQ(m->ProgramMemory[0], 0);
  EXPECT_EQ(m->TableMemory[0], 0);
}

TEST(ImageTest, DefaultDirectoryHoldsTheBundledImages) {
  const auto dir = DefaultImageDir();
  for (const char* name : {"v4", "amt", "ram", "V0", "v2", "v3"}) {
    EXPECT_NO_THROW(FindImage(dir, name)) << dir << " " << name;
  }
}

TEST(ImageTest, BundledRamHoldsTheWatchedCellsInitialValues) {
  auto m = std::make_unique<BoardState>();
  LoadImages(*m, DefaultImageDir());
  EXPECT_EQ(m->DataMemory[cell::POSITION_X_LO - DATA_BASE], 7200);
  EXPECT_EQ(m->DataMemory[cell::POSITION_Z_LO - DATA_BASE], 22000);
  EXPECT_EQ(m->DataMemory[0x4040 - DATA_BASE], cell::BLOCK_TABLE);
  EXPECT_EQ(m->ProgramMemory[0], 0xE350);
}

}  // namespace
}  // namespace kv74::test
