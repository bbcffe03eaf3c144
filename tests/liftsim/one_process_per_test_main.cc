// The simulation keeps its state in program-wide variables that are zero
// only at program load, so every test must start in a fresh process. This
// main runs each test that the filter selects in a child process of its
// own, so the binary can be run by hand as well as by ctest.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace {

// Glob match with '*' and '?', as test filters use them.
bool glob_match(std::string_view pattern, std::string_view name) {
  if (pattern.empty()) return name.empty();
  if (pattern[0] == '*') {
    for (std::size_t skip = 0; skip <= name.size(); ++skip) {
      if (glob_match(pattern.substr(1), name.substr(skip))) return true;
    }
    return false;
  }
  return !name.empty() && (pattern[0] == '?' || pattern[0] == name[0]) &&
         glob_match(pattern.substr(1), name.substr(1));
}

bool any_match(std::string_view patterns, std::string_view name) {
  while (true) {
    const auto colon = patterns.find(':');
    if (glob_match(patterns.substr(0, colon), name)) return true;
    if (colon == std::string_view::npos) return false;
    patterns.remove_prefix(colon + 1);
  }
}

// A filter is POSITIVE[-NEGATIVE], each a ':'-separated list of globs.
bool filter_selects(std::string_view filter, std::string_view name) {
  const auto dash = filter.find('-');
  std::string_view positive = filter.substr(0, dash);
  if (positive.empty()) positive = "*";
  if (!any_match(positive, name)) return false;
  return dash == std::string_view::npos || !any_match(filter.substr(dash + 1), name);
}

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
  const std::string filter = GTEST_FLAG_GET(filter);

  std::vector<std::string> names;
  const auto& unit = *testing::UnitTest::GetInstance();
  for (int i = 0; i < unit.total_test_suite_count(); ++i) {
    const auto& suite = *unit.GetTestSuite(i);
    for (int j = 0; j < suite.total_test_count(); ++j) {
      std::string name = std::string(suite.name()) + "." + suite.GetTestInfo(j)->name();
      if (filter_selects(filter, name)) names.push_back(std::move(name));
    }
  }
  std::vector<std::string> failed;
  for (const auto& name : names) {
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) {
      GTEST_FLAG_SET(filter, name);
      GTEST_FLAG_SET(brief, names.size() > 1);
      _exit(RUN_ALL_TESTS());
    }
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) failed.push_back(name);
  }
  if (names.size() > 1) {
    std::printf("\n%zu tests, each in a process of its own: %zu failed\n", names.size(), failed.size());
    for (const auto& name : failed) std::printf("  FAILED %s\n", name.c_str());
  }
  return failed.empty() ? 0 : 1;
}
