// Runs the real liftsim (or starter) program headless, driven by a mouse
// script, in a sandbox directory, and reads back its trace.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace session {

// A scratch directory tree: ROOT/parent holds the tab program's stand-in,
// ROOT/parent/work is where the simulation runs (with LIFT.ANM and the
// display tool's stand-in). Both stand-ins append a line to ROOT/started:
// "NAME ARGS|CMDSHOW|DIRECTORY|PID".
class Sandbox {
 public:
  Sandbox();
  ~Sandbox();
  Sandbox(const Sandbox&) = delete;
  Sandbox& operator=(const Sandbox&) = delete;

  const std::filesystem::path& root() const { return root_; }
  std::filesystem::path parent() const { return root_ / "parent"; }
  std::filesystem::path work() const { return root_ / "parent" / "work"; }
  // Installs a stand-in program `name` in `dir`.
  void install_stand_in(const std::filesystem::path& dir, const std::string& name) const;
  // The lines of ROOT/started, waiting up to `seconds` for `count` lines.
  std::vector<std::string> started(std::size_t count, double seconds = 5.0) const;

 private:
  std::filesystem::path root_;
};

struct Result {
  int exit_status = -1;
  std::vector<std::string> trace;
  std::string errors;  // what the program wrote on stderr
};

// Runs `program` in `directory` with the mouse `script`; `cmdshow` is the
// text of the launch code in the environment, or none for a start without
// one.
Result run(const std::string& program, const std::filesystem::path& directory, const std::string& script,
           const std::optional<std::string>& cmdshow, const std::string& path_env = "");

// Reading a trace.
struct Trace {
  const std::vector<std::string>& lines;

  // The names of the commands played, in order.
  std::vector<std::string> execs() const;
  // Every value listed for `variable`, in order.
  std::vector<std::string> values(const std::string& variable) const;
  // The value a variable had when `nth` (0-based) play of `command` ran.
  std::string value_at(const std::string& variable, const std::string& command, int nth = 0) const;
};

}  // namespace session
