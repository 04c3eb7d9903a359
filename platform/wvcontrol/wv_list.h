// The wavelength-list editor's model: the entries of "Wv.ini" and the entry to select, read and
// written in the file's own format (a 2000-byte header of ten 100-byte slots holding
// "NUMBER OF WV    =<count>" and "CURRENT_SELECT  =<index>", then 24-byte little-endian records
// from offset 2000). Header slots that name neither key, and the two uninterpreted 4-byte fields
// of each record, are kept as they were read.
//
// Threads: a plain value; one thread at a time.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace helx::wvcontrol {

struct WvRecord {
  float wavelength = 0.0f;                // angstrom
  std::array<std::uint8_t, 4> unused1{};  // kept unchanged
  std::int32_t step = 0;                  // grating position, controller steps
  std::array<std::uint8_t, 4> unused2{};  // kept unchanged
  double angle = 0.0;                     // grating angle, degrees
  bool operator==(const WvRecord&) const = default;
};

class WvList {
 public:
  static constexpr int kCapacity = 50;
  static constexpr int kHeaderSize = 2000;
  static constexpr int kSlotSize = 100;
  static constexpr int kRecordSize = 24;

  // Reads a file; a count outside 0..50, a selection outside the list and a short file are
  // clamped to what is there. nullopt when the file cannot be opened.
  static std::optional<WvList> read(const std::string& path);
  static WvList parse(const std::string& bytes);
  std::string serialise() const;
  // Writes to a temporary file beside `path` and renames it into place; false on failure.
  bool write(const std::string& path) const;

  const std::vector<WvRecord>& entries() const { return entries_; }
  int selected() const { return selected_; }  // -1 only when the list is empty

  // Editing. Each returns false (nothing changed) when the index is outside the list or the
  // list is full.
  bool add(const WvRecord& record, int at = -1);  // at -1: at the end
  bool remove(int index);
  bool move(int from, int to);
  bool select(int index);
  bool set(int index, const WvRecord& record);

  bool operator==(const WvList&) const = default;

 private:
  void clampSelection();

  std::vector<WvRecord> entries_;
  int selected_ = -1;
  std::array<char, kHeaderSize> header_{};  // slots other than the two keys, as read
};

}  // namespace helx::wvcontrol
