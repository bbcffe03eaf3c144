// The trace of a run (VISMO_TRACE): what the runtime core writes for each
// call of the C interface, and the changed-variable listing after every
// play. The line formats are fixed by docs/scene-format.md; tests of the
// programs built on the runtime compare traces to the letter.
#pragma once

#include <array>
#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "scene.h"

namespace vismo {

// The trace file. Lines are buffered; the runtime flushes at VisEnd and
// when the script runs out, and a process that ends through exit() has its
// buffer written by the C library, so the trace is complete either way.
class Trace {
 public:
  // Opens (truncates) `path`; false with errno set when it cannot.
  bool open(const std::string& path);
  bool is_open() const { return file_ != nullptr; }
  // Writes `line` and a newline; nothing when no file is open.
  void write(std::string_view line);
  void flush();
  void close() { file_.reset(); }

 private:
  struct Closer {
    void operator()(std::FILE* file) const { std::fclose(file); }
  };
  std::unique_ptr<std::FILE, Closer> file_;
};

// A program-given name (layer, variable, command, file) as a trace line
// shows it: bytes outside 0x21..0x7e as \xHH, so that a line always splits
// into its fields at blanks.
std::string trace_name(std::string_view name);

// The bound variables the trace watches, one entry per distinct address,
// in the order of their first link. Used by the runtime core: `add` on
// every successful VisLink, `collect_changes` on every VisExec.
class WatchList {
 public:
  // Watches `address` as variable `name` of `type`; false (and nothing
  // changes) when the address is watched already, under whatever name.
  bool add(std::string name, VarType type, const void* address);
  // Appends "= NAME VALUE\n" for every watched variable whose bytes differ
  // from the previous call (every one not seen before), and takes a new
  // snapshot of those.
  void collect_changes(std::string& out);
  std::size_t size() const { return entries_.size(); }
  void clear();

 private:
  struct Entry {
    std::string name;
    VarType type;
    const void* address;
    bool seen = false;
    std::array<std::byte, 88> snapshot{};
  };
  std::vector<Entry> entries_;
  std::unordered_set<const void*> addresses_;
};

}  // namespace vismo
