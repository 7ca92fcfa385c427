#include "debug/snapshot.hpp"

#include <array>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <map>

#include "board/read_file.hpp"
#include "board/shown.hpp"
#include "debug/checkpoint.hpp"
#include "debug/engine.hpp"
#include "debug/machine_codec.hpp"
#include "debug/reports.hpp"
#include "tools/common/output.hpp"

namespace kv74::debug {
namespace {

constexpr std::array<char, 8> kMagic = {'K', 'V', '7', '4', 'S', 'N', 'A', 'P'};
constexpr std::size_t kHeader = 8 + 4 + 4 + 4;
constexpr std::size_t kMaxClickName = 64;

void Section(ByteWriter& w, const char* tag, const std::vector<std::uint8_t>& body) {
  for (int i = 0; i < 4; ++i) w.U8(static_cast<std::uint8_t>(tag[i]));
  w.U32(static_cast<std::uint32_t>(body.size()));
  w.Bytes(body);
}

}  // namespace

std::vector<std::uint8_t> WriteSnapshot(const BoardState& m, const SnapshotData& d) {
  ByteWriter payload;
  ByteWriter mach;
  EncodeMachine(mach, m);
  Section(payload, "MACH", mach.Data());
  ByteWriter run;
  run.U64(d.steps);
  Section(payload, "RUN_", run.Data());
  ByteWriter clik;
  clik.U64(d.schedulePosition);
  clik.U32(static_cast<std::uint32_t>(d.clicks.size()));
  for (const ClickEvent& c : d.clicks) {
    clik.U64(c.step);
    clik.String(c.name);
  }
  Section(payload, "CLIK", clik.Data());
  Section(payload, "PANL", d.panel);

  ByteWriter w;
  for (char c : kMagic) w.U8(static_cast<std::uint8_t>(c));
  w.U32(SNAPSHOT_VERSION);
  w.U32(static_cast<std::uint32_t>(payload.Size()));
  w.U32(Crc32(payload.Data()));
  w.Bytes(payload.Data());
  return std::move(w.Data());
}

void ReadSnapshot(std::span<const std::uint8_t> bytes, BoardState& m, SnapshotData& d) {
  ByteReader head(bytes, "snapshot");
  if (bytes.size() < kMagic.size() ||
      std::memcmp(bytes.data(), kMagic.data(), kMagic.size()) != 0) {
    head.Fail("not a snapshot file");
  }
  head.Bytes(kMagic.size());
  const std::uint32_t version = head.U32();
  if (version != SNAPSHOT_VERSION) {
    head.Fail("format version " + std::to_string(version) + ", this program reads version " +
              std::to_string(SNAPSHOT_VERSION));
  }
  const std::uint32_t length = head.U32();
  const std::uint32_t crc = head.U32();
  if (head.Left() < length) head.Fail("truncated");
  if (head.Left() > length) head.Fail("trailing bytes after the sections");
  const auto payload = bytes.subspan(kHeader);
  if (Crc32(payload) != crc) head.Fail("checksum mismatch (the file is corrupt)");

  ByteReader r(payload, "snapshot");
  std::map<std::string, std::span<const std::uint8_t>> sections;
  while (!r.AtEnd()) {
    auto tag = r.Bytes(4);
    const std::uint32_t n = r.U32();
    sections[std::string(tag.begin(), tag.end())] = r.Bytes(n);
  }
  auto need = [&](const char* tag) {
    auto it = sections.find(tag);
    if (it == sections.end()) r.Fail(std::string("section ") + tag + " missing");
    return it->second;
  };
  ByteReader mach(need("MACH"), "snapshot section MACH");
  DecodeMachine(mach, m);
  if (!mach.AtEnd()) mach.Fail("trailing bytes");
  ByteReader run(need("RUN_"), "snapshot section RUN_");
  d.steps = run.U64();
  if (d.steps > static_cast<std::uint64_t>(INT64_MAX)) run.Fail("bad step count");
  if (!run.AtEnd()) run.Fail("trailing bytes");
  ByteReader clik(need("CLIK"), "snapshot section CLIK");
  d.schedulePosition = clik.U64();
  const std::uint32_t count = clik.U32();
  if (count > clik.Left() / 12) clik.Fail("bad click count");
  d.clicks.clear();
  for (std::uint32_t i = 0; i < count; ++i) {
    ClickEvent c;
    c.step = clik.U64();
    c.name = clik.String();
    if (c.step > d.steps || c.name.size() > kMaxClickName ||
        (!d.clicks.empty() && c.step < d.clicks.back().step)) {
      clik.Fail("bad click log");
    }
    d.clicks.push_back(std::move(c));
  }
  if (!clik.AtEnd()) clik.Fail("trailing bytes");
  auto panel = need("PANL");
  d.panel.assign(panel.begin(), panel.end());
}

std::vector<std::uint8_t> Engine::SaveSnapshot() {
  Arrive(false);
  SnapshotData d;
  d.steps = steps_;
  d.schedulePosition = clicks_.SchedulePosition();
  for (const ClickEvent& c : clicks_.Log()) {
    if (c.step <= steps_) d.clicks.push_back(c);
  }
  d.panel = target_.SavePanel();
  return WriteSnapshot(m_, d);
}

void Engine::LoadSnapshot(std::span<const std::uint8_t> bytes) {
  auto scratch = std::make_unique<BoardState>();
  SnapshotData d;
  ReadSnapshot(bytes, *scratch, d);
  for (const ClickEvent& c : d.clicks)
    if (!target_.IsClickable(c.name))
      throw SnapshotError("snapshot section CLIK: bad click log: no control " + Shown(c.name));
  target_.RestorePanel(d.panel);  // checks first; the last thing that may fail
  CopyMachine(m_, *scratch);
  steps_ = d.steps;
  arrivedAt_ = steps_;
  frontier_ = steps_;
  recorded_ = true;
  clicks_.SetLog(std::move(d.clicks));
  clicks_.SetSchedulePosition(static_cast<std::size_t>(d.schedulePosition));
  checkpoints_.clear();
  history_.Clear();
  historyTo_ = FOREVER;
  calls_.Clear();
  if (options_.reverse) TakeCheckpoint();
}

void Engine::SaveSnapshotFile(const std::filesystem::path& file) {
  const std::vector<std::uint8_t> bytes = SaveSnapshot();
  std::string error;
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  if (!fileio::WriteFile("snapshot", file.string(), text, error)) throw std::runtime_error(error);
}

void Engine::LoadSnapshotFile(const std::filesystem::path& file) {
  // Far more than any snapshot: the machine and a run-length coded picture.
  const FileBytes read = ReadRegularFile(file, input_limit::kSnapshot);
  if (!read.ok()) throw std::runtime_error("cannot read " + file.string() + ": " + read.error);
  const std::vector<std::uint8_t> bytes(read.bytes.begin(), read.bytes.end());
  try {
    LoadSnapshot(bytes);
  } catch (const SnapshotError& e) {
    throw SnapshotError(file.string() + ": " + e.what());
  }
}

}  // namespace kv74::debug
