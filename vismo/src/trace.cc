// The trace writer and the change listing; see trace.h. The runtime core
// calls these from the C interface functions, so they run once per call
// of the program's main loop: a play compares each watched variable's
// bytes with a snapshot, nothing more.
#include "trace.h"

#include <cstring>

#include "backend.h"

namespace vismo {

namespace {
// The trace is written in big blocks; flushes come from the runtime.
constexpr std::size_t trace_buffer_size = 1 << 16;
}  // namespace

bool Trace::open(const std::string& path) {
  file_.reset(std::fopen(path.c_str(), "w"));
  if (!file_) return false;
  // With a null buffer the C library allocates and frees its own.
  std::setvbuf(file_.get(), nullptr, _IOFBF, trace_buffer_size);
  return true;
}

void Trace::write(std::string_view line) {
  if (!file_) return;
  std::fwrite(line.data(), 1, line.size(), file_.get());
  std::fputc('\n', file_.get());
}

void Trace::flush() {
  if (file_) std::fflush(file_.get());
}

std::string trace_name(std::string_view name) {
  constexpr std::string_view hex = "0123456789abcdef";
  std::string out;
  out.reserve(name.size());
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte > 0x20 && byte < 0x7f) {
      out += c;
    } else {
      out += "\\x";
      out += hex[byte >> 4U];
      out += hex[byte & 0xfU];
    }
  }
  return out;
}

bool WatchList::add(std::string name, VarType type, const void* address) {
  if (!addresses_.insert(address).second) return false;
  entries_.push_back({std::move(name), type, address});
  return true;
}

void WatchList::collect_changes(std::string& out) {
  for (Entry& entry : entries_) {
    const std::size_t size = type_size(entry.type);
    if (entry.seen && std::memcmp(entry.snapshot.data(), entry.address, size) == 0) continue;
    std::memcpy(entry.snapshot.data(), entry.address, size);
    entry.seen = true;
    out += "= ";
    out += entry.name;
    out += ' ';
    out += format_value(entry.type, entry.snapshot.data());
    out += '\n';
  }
}

void WatchList::clear() {
  entries_.clear();
  addresses_.clear();
}

}  // namespace vismo
