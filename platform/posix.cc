// WinExec and SetCurrentDirectoryA on POSIX hosts.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace {

// Splits a command line into words; double quotes group a word.
std::vector<std::string> split_command_line(std::string_view line) {
  std::vector<std::string> words;
  std::string word;
  bool in_word = false;
  bool quoted = false;
  for (char c : line) {
    if (c == '"') {
      quoted = !quoted;
      in_word = true;
    } else if (!quoted && (c == ' ' || c == '\t')) {
      if (in_word) words.push_back(std::move(word));
      word.clear();
      in_word = false;
    } else {
      word += c;
      in_word = true;
    }
  }
  if (in_word) words.push_back(std::move(word));
  return words;
}

bool is_executable_file(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

std::string executable_directory() {
  std::error_code ec;
  const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : self.parent_path().string();
}

// Finds the program the way the host system of these programs does for a
// bare name: beside the running executable, in the current directory, then
// along PATH. A name with a directory part is taken as it stands.
std::string resolve_program(const std::string& name) {
  if (name.find('/') != std::string::npos) return is_executable_file(name) ? name : std::string();
  std::vector<std::string> dirs;
  if (auto dir = executable_directory(); !dir.empty()) dirs.push_back(dir);
  dirs.emplace_back(".");
  if (const char* path = std::getenv("PATH")) {
    std::string_view rest(path);
    while (true) {
      const auto colon = rest.find(':');
      std::string dir(rest.substr(0, colon));
      dirs.push_back(dir.empty() ? "." : dir);
      if (colon == std::string_view::npos) break;
      rest.remove_prefix(colon + 1);
    }
  }
  for (const auto& dir : dirs) {
    std::string candidate = dir;
    candidate += '/';
    candidate += name;
    if (is_executable_file(candidate)) return candidate;
  }
  return {};
}

}  // namespace

unsigned WinExec(const char* command_line, unsigned show_code) {
  if (command_line == nullptr) return 0;
  auto words = split_command_line(command_line);
  if (words.empty()) return 0;
  const std::string program = resolve_program(words[0]);
  if (program.empty()) return 0;

  // Everything the child needs is built before fork, so that the child only
  // calls async-signal-safe functions.
  std::vector<char*> argv;
  argv.reserve(words.size() + 1);
  for (auto& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  std::string show = "CMDSHOW=" + std::to_string(show_code);
  std::vector<char*> envp;
  for (char** e = environ; e != nullptr && *e != nullptr; ++e) {
    if (std::string_view(*e).starts_with("CMDSHOW=")) continue;
    envp.push_back(*e);
  }
  envp.push_back(show.data());
  envp.push_back(nullptr);

  // The pipe tells the caller whether exec succeeded: it closes on exec.
  std::array<int, 2> status_pipe{};
  if (pipe2(status_pipe.data(), O_CLOEXEC) != 0) return 0;

  // Fork twice so that the started program is adopted by init and never
  // becomes a zombie of ours; the intermediate child is reaped at once.
  const pid_t middle = fork();
  if (middle < 0) {
    close(status_pipe[0]);
    close(status_pipe[1]);
    return 0;
  }
  if (middle == 0) {
    close(status_pipe[0]);
    const pid_t grandchild = fork();
    if (grandchild == 0) {
      execve(program.c_str(), argv.data(), envp.data());
      const int err = errno;
      (void)!write(status_pipe[1], &err, sizeof err);
      _exit(127);
    }
    _exit(grandchild < 0 ? 1 : 0);
  }
  close(status_pipe[1]);
  int middle_status = 0;
  while (waitpid(middle, &middle_status, 0) < 0 && errno == EINTR) {
  }
  int exec_error = 0;
  ssize_t got = 0;
  while ((got = read(status_pipe[0], &exec_error, sizeof exec_error)) < 0 && errno == EINTR) {
  }
  close(status_pipe[0]);
  const bool started = WIFEXITED(middle_status) && WEXITSTATUS(middle_status) == 0 && got == 0;
  return started ? 33U : 0U;
}

int SetCurrentDirectoryA(const char* path) {
  return path != nullptr && chdir(path) == 0 ? 1 : 0;
}
