#include "platform/wvcontrol/wv_list.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

namespace helx::wvcontrol {

namespace {
constexpr char kCountKey[] = "NUMBER OF WV    =";
constexpr char kSelectKey[] = "CURRENT_SELECT  =";
constexpr int kKeyLength = 17;

bool slotIs(const char* slot, const char* key) { return std::memcmp(slot, key, kKeyLength) == 0; }

long slotValue(const char* slot) {
  std::string text(slot + kKeyLength, WvList::kSlotSize - kKeyLength);
  return std::strtol(text.c_str(), nullptr, 10);
}

void putSlot(std::array<char, WvList::kHeaderSize>& header, int slot, const char* key, int value) {
  char* s = header.data() + slot * WvList::kSlotSize;
  std::memset(s, 0, WvList::kSlotSize);
  std::snprintf(s, WvList::kSlotSize, "%s%d", key, value);
}
}  // namespace

WvList WvList::parse(const std::string& bytes) {
  WvList list;
  std::size_t headerBytes = std::min<std::size_t>(bytes.size(), kHeaderSize);
  std::memcpy(list.header_.data(), bytes.data(), headerBytes);
  long count = 0, select = 0;
  int countSlot = -1, selectSlot = -1;
  for (int slot = 0; slot < kHeaderSize / kSlotSize; slot++) {
    const char* s = list.header_.data() + slot * kSlotSize;
    if (slotIs(s, kCountKey)) {
      count = slotValue(s), countSlot = slot;
    } else if (slotIs(s, kSelectKey)) {
      select = slotValue(s), selectSlot = slot;
    }
  }
  // The keys are rewritten on every write; only the other slots are kept.
  if (countSlot >= 0) std::memset(list.header_.data() + countSlot * kSlotSize, 0, kSlotSize);
  if (selectSlot >= 0) std::memset(list.header_.data() + selectSlot * kSlotSize, 0, kSlotSize);

  count = std::clamp<long>(count, 0, kCapacity);
  std::size_t available =
      bytes.size() > kHeaderSize ? (bytes.size() - kHeaderSize) / kRecordSize : 0;
  count = std::min<long>(count, static_cast<long>(available));
  for (long i = 0; i < count; i++) {
    const char* r = bytes.data() + kHeaderSize + i * kRecordSize;
    WvRecord rec;
    std::memcpy(&rec.wavelength, r, 4);
    std::memcpy(rec.unused1.data(), r + 4, 4);
    std::memcpy(&rec.step, r + 8, 4);
    std::memcpy(rec.unused2.data(), r + 12, 4);
    std::memcpy(&rec.angle, r + 16, 8);
    list.entries_.push_back(rec);
  }
  list.selected_ = static_cast<int>(std::clamp<long>(select, -1, kCapacity));
  list.clampSelection();
  return list;
}

std::optional<WvList> WvList::read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return parse(bytes.str());
}

std::string WvList::serialise() const {
  auto header = header_;
  // The two keys go into the first two slots; a kept slot there moves to a free slot if any.
  for (int slot = 0; slot < 2; slot++) {
    char* s = header.data() + slot * kSlotSize;
    if (std::all_of(s, s + kSlotSize, [](char c) { return c == 0; })) continue;
    for (int free = 2; free < kHeaderSize / kSlotSize; free++) {
      char* f = header.data() + free * kSlotSize;
      if (std::all_of(f, f + kSlotSize, [](char c) { return c == 0; })) {
        std::memcpy(f, s, kSlotSize);
        break;
      }
    }
  }
  putSlot(header, 0, kCountKey, static_cast<int>(entries_.size()));
  putSlot(header, 1, kSelectKey, std::max(selected_, 0));
  std::string out(header.data(), header.size());
  for (const auto& rec : entries_) {
    char r[kRecordSize];
    std::memcpy(r, &rec.wavelength, 4);
    std::memcpy(r + 4, rec.unused1.data(), 4);
    std::memcpy(r + 8, &rec.step, 4);
    std::memcpy(r + 12, rec.unused2.data(), 4);
    std::memcpy(r + 16, &rec.angle, 8);
    out.append(r, kRecordSize);
  }
  return out;
}

bool WvList::write(const std::string& path) const {
  std::string temp = path + ".tmp" + std::to_string(::getpid());
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    std::string bytes = serialise();
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.flush();
    if (!out) {
      std::remove(temp.c_str());
      return false;
    }
  }
  // The program reads the list right after the editor returns: it sees the old file or the
  // new one, never half of one.
  if (std::rename(temp.c_str(), path.c_str()) != 0) {
    std::remove(temp.c_str());
    return false;
  }
  return true;
}

void WvList::clampSelection() {
  int n = static_cast<int>(entries_.size());
  if (n == 0)
    selected_ = -1;
  else
    selected_ = std::clamp(selected_, 0, n - 1);
}

bool WvList::add(const WvRecord& record, int at) {
  int n = static_cast<int>(entries_.size());
  if (n >= kCapacity) return false;
  if (at < 0) at = n;
  if (at > n) return false;
  entries_.insert(entries_.begin() + at, record);
  if (selected_ >= at) selected_++;
  clampSelection();
  return true;
}

bool WvList::remove(int index) {
  if (index < 0 || index >= static_cast<int>(entries_.size())) return false;
  entries_.erase(entries_.begin() + index);
  if (selected_ > index) selected_--;
  clampSelection();
  return true;
}

bool WvList::move(int from, int to) {
  int n = static_cast<int>(entries_.size());
  if (from < 0 || from >= n || to < 0 || to >= n) return false;
  WvRecord rec = entries_[from];
  entries_.erase(entries_.begin() + from);
  entries_.insert(entries_.begin() + to, rec);
  // The selection follows its entry.
  if (selected_ == from)
    selected_ = to;
  else if (from < selected_ && to >= selected_)
    selected_--;
  else if (from > selected_ && to <= selected_)
    selected_++;
  return true;
}

bool WvList::select(int index) {
  if (index < 0 || index >= static_cast<int>(entries_.size())) return false;
  selected_ = index;
  return true;
}

bool WvList::set(int index, const WvRecord& record) {
  if (index < 0 || index >= static_cast<int>(entries_.size())) return false;
  entries_[index] = record;
  return true;
}

}  // namespace helx::wvcontrol
