#include "session.h"

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace fs = std::filesystem;

namespace session {

namespace {

std::vector<std::string> read_lines(const fs::path& path) {
  std::vector<std::string> lines;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string read_all(const fs::path& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace

Sandbox::Sandbox() {
  std::string pattern = (fs::temp_directory_path() / "liftsim-session-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  root_ = pattern;
  fs::create_directories(work());
  fs::copy_file(LIFT_SCENE_PATH, work() / "LIFT.ANM");
  install_stand_in(parent(), "Tabora.exe");
  install_stand_in(work(), "Scrnfix.exe");
}

Sandbox::~Sandbox() {
  std::error_code ec;
  fs::remove_all(root_, ec);
}

void Sandbox::install_stand_in(const fs::path& dir, const std::string& name) const {
  const fs::path program = dir / name;
  std::ofstream out(program);
  out << "#!/bin/sh\n"
      << "echo \"" << name << " $*|$CMDSHOW|$(pwd)|$$\" >> '" << (root_ / "started").string() << "'\n";
  out.close();
  fs::permissions(program, fs::perms::owner_all);
}

std::vector<std::string> Sandbox::started(std::size_t count, double seconds) const {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (true) {
    auto lines = read_lines(root_ / "started");
    if (lines.size() >= count || std::chrono::steady_clock::now() > deadline) return lines;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

Result run(const std::string& program, const fs::path& directory, const std::string& script,
           const std::optional<std::string>& cmdshow, const std::string& path_env) {
  const fs::path script_file = directory / "session.script";
  const fs::path trace_file = directory / "session.trace";
  const fs::path error_file = directory / "session.stderr";
  std::ofstream(script_file) << script;
  fs::remove(trace_file);

  const pid_t child = fork();
  if (child == 0) {
    if (chdir(directory.c_str()) != 0) _exit(126);
    setenv("VISMO_SCRIPT", script_file.c_str(), 1);
    setenv("VISMO_TRACE", trace_file.c_str(), 1);
    if (cmdshow) {
      setenv("CMDSHOW", cmdshow->c_str(), 1);
    } else {
      unsetenv("CMDSHOW");
    }
    if (!path_env.empty()) setenv("PATH", path_env.c_str(), 1);
    if (freopen(error_file.c_str(), "w", stderr) == nullptr) _exit(126);
    execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  waitpid(child, &status, 0);
  Result r;
  r.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  r.trace = read_lines(trace_file);
  r.errors = read_all(error_file);
  return r;
}

std::vector<std::string> Trace::execs() const {
  std::vector<std::string> names;
  for (const auto& l : lines) {
    if (l.starts_with("exec ")) names.push_back(l.substr(5));
  }
  return names;
}

std::vector<std::string> Trace::values(const std::string& variable) const {
  const std::string prefix = "= " + variable + " ";
  std::vector<std::string> found;
  for (const auto& l : lines) {
    if (l.starts_with(prefix)) found.push_back(l.substr(prefix.size()));
  }
  return found;
}

std::string Trace::value_at(const std::string& variable, const std::string& command, int nth) const {
  const std::string prefix = "= " + variable + " ";
  std::string current;
  int seen = -1;
  bool in_target = false;
  for (const auto& l : lines) {
    if (l.starts_with("exec ")) {
      if (in_target) return current;
      in_target = l == "exec " + command && ++seen == nth;
    } else if (l.starts_with(prefix)) {
      current = l.substr(prefix.size());
    } else if (in_target && !l.starts_with("= ")) {
      return current;
    }
  }
  return in_target ? current : std::string("<not played>");
}

}  // namespace session
