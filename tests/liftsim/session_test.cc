// Whole sessions of the real program, headless: start-up, travels, every
// display, and the quit to the tab program with its return code.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "session.h"
#include "named_case.h"

namespace {

using named_case::PrintTo;

using session::Trace;

// The 86 bindings, in order, as the scene expects them.
std::vector<std::string> expected_links() {
  std::vector<std::string> links;
  auto add = [&](const std::string& layer, std::initializer_list<std::string> names) {
    for (const auto& n : names) links.push_back("link " + layer + " " + n);
  };
  for (const char* n : {"colvis0", "colvis1", "colvis2", "colvis3", "colvis4", "colvis5", "colvis6", "colvis10",
                        "colvis11", "colvis12", "colvis13", "colvis20", "colvis21", "colvis22", "colvis23",
                        "colvis30", "colvis31", "colvis32", "colvis33", "colvis40", "colvis41", "colvis42",
                        "colvis43", "colvis50", "colvis51", "colf1", "coln1", "colt1"}) {
    add("DECBS1A", {n});
  }
  add("LIFT", {"KL"});
  add("LIFTBASE", {"POSMANT"});
  add("LIFT", {"POSPNTT", "POSPNTR", "POSPNTP", "ROTROU", "GODROUE", "CONCABLM", "CONCABLD", "CONTAXEL",
               "TALCAISS", "TALKONTP", "GODLAMP", "POSCAB", "POSKONTP", "TALMOT", "TALFROT", "TALPOIDT", "POSPOID",
               "TALKPOID", "ETATP", "MASSP", "MASKP", "AXELP", "FROTP", "A1", "A2", "A3", "A4", "A5", "A6", "A7",
               "TALNUM", "A1", "A2", "A3", "A4", "A5", "A6", "A7", "A8", "A9", "TOTOP"});
  add("LIFTIV", {"TOTOP", "B1", "B2", "B3", "B4", "B5", "B6", "B7", "B8", "C0", "C1", "C2", "C3", "C4"});
  add("CLOCK", {"ROTAIGU"});
  return links;
}

// Mouse script pieces.
std::string click(int x, int y) {
  return std::to_string(x) + " " + std::to_string(y) + " 1\n" + std::to_string(x) + " " + std::to_string(y) +
         " 0\n";
}
std::string idle(int passes) {
  return "300 300 0 *" + std::to_string(passes) + "\n";
}
const std::string lever_up = click(772, 158);
const std::string lever_down = click(672, 158);
const std::string quit = click(778, 579);
const std::string slower = click(733, 79);
const std::string trapeze = click(768, 529);

class Session : public ::testing::Test {
 protected:
  session::Sandbox box;
  session::Result run(const std::string& script, std::optional<std::string> cmdshow = "1000") {
    return session::run(LIFTSIM_BINARY, box.work(), script, cmdshow);
  }
};

TEST_F(Session, StartUpBindsTheSceneAndRedrawsOnEveryPassAtRest) {
  const auto r = run(idle(3), std::nullopt);
  EXPECT_EQ(r.exit_status, 0);
  EXPECT_EQ(r.errors, "");
  const auto& t = r.trace;
  ASSERT_GE(t.size(), 90U);
  EXPECT_EQ(t[0], "begin 0");
  EXPECT_EQ(t[1], "load LIFT.ANM");
  EXPECT_EQ(std::vector<std::string>(t.begin() + 2, t.begin() + 88), expected_links());
  EXPECT_EQ(t[88], "exec INLIFT");
  EXPECT_EQ(Trace{t}.execs(), (std::vector<std::string>{"INLIFT", "NORMAL", "LIFT", "LIFT", "LIFT"}));
  EXPECT_EQ(t.back(), "end-of-script");

  // Start values, as the opening picture shows them (launch code 10).
  const Trace trace{t};
  const std::pair<const char*, const char*> start_values[] = {
      {"POSCAB", "170 70"},     {"POSKONTP", "285 470"},
      {"POSPOID", "170 37"},    {"CONCABLM", "2 170 139 170 524"},
      {"CONCABLD", "2 285 520 285 470"}, {"TALCAISS", "1 0.5"},
      {"TALKONTP", "1 1"},      {"GODROUE", "45"},
      {"ROTAIGU", "22.5"},      {"KL", "0"},
      {"POSMANT", "0"},         {"POSPNTP", "250 0"},
      {"ROTROU", "0"},          {"TALNUM", "0 0"},
      {"colvis0", "3"},         {"colvis10", "4"},
      {"colvis20", "4"},        {"colvis21", "3"},
      {"colvis30", "4"},        {"colvis40", "4"},
      {"colvis50", "4"},        {"colvis51", "3"},
      {"MASSP", "\"\""},        {"B5", "\"\""}};
  for (const auto& [variable, value] : start_values) {
    EXPECT_EQ(trace.value_at(variable, "INLIFT"), value) << variable;
  }
  // The first pass writes the setting texts and hides both curves.
  const std::pair<const char*, const char*> first_pass[] = {{"AXELP", "\"1.0\""}, {"MASSP", "\"100\""},
                                                            {"MASKP", "\"200\""}, {"FROTP", "\"500\""},
                                                            {"POSPNTR", "250 -200"}, {"POSPNTP", "250 -200"}};
  for (const auto& [variable, value] : first_pass) {
    EXPECT_EQ(trace.value_at(variable, "LIFT"), value) << variable;
  }
}

// Launch code in, return code out, and the programs started at quit.
struct LaunchCase {
  const char* name;
  std::optional<std::string> code;  // CMDSHOW as written in the environment
  std::string before_quit;
  int return_code;
  bool restores_display;
};

class Launch : public Session, public ::testing::WithParamInterface<LaunchCase> {};

TEST_P(Launch, QuitStartsTheTabProgramWithTheReturnCode) {
  const LaunchCase& c = GetParam();
  const auto r = run(c.before_quit + quit, c.code);
  EXPECT_EQ(r.exit_status, 0);
  // Only an unreadable code is remarked on.
  const bool readable = !c.code || c.code->find_first_not_of("0123456789") == std::string::npos;
  EXPECT_EQ(r.errors.find("CMDSHOW") == std::string::npos, readable) << r.errors;
  // The pass that quits still runs to its end, then the runtime ends.
  ASSERT_FALSE(r.trace.empty());
  EXPECT_EQ(r.trace.back(), "end");
  EXPECT_EQ(Trace{r.trace}.execs().back(), "LIFT");

  const auto started = box.started(c.restores_display ? 2 : 1);
  ASSERT_EQ(started.size(), c.restores_display ? 2U : 1U);
  const std::string tabora = "Tabora.exe |" + std::to_string(c.return_code) + "|" + box.parent().string() + "|";
  const auto tabora_line = std::find_if(started.begin(), started.end(), [&](const auto& l) { return l.starts_with(tabora); });
  EXPECT_NE(tabora_line, started.end()) << started[0];
  if (c.restores_display) {
    const std::string scrnfix = "Scrnfix.exe /RESTORE|5|" + box.work().string() + "|";
    const auto scrnfix_line =
        std::find_if(started.begin(), started.end(), [&](const auto& l) { return l.starts_with(scrnfix); });
    ASSERT_NE(scrnfix_line, started.end());
    ASSERT_NE(tabora_line, started.end());
    // Started first: the display tool's process is the older one.
    auto pid = [](const std::string& l) { return std::stol(l.substr(l.rfind('|') + 1)); };
    EXPECT_LT(pid(*scrnfix_line), pid(*tabora_line));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Session, Launch,
    ::testing::Values(LaunchCase{"code_1234", "1234", "", 1234, false},
                      LaunchCase{"code_1234_two_levels_slower", "1234", slower + slower, 1254, false},
                      LaunchCase{"code_1009_restores_the_display", "1009", "", 1000, true},
                      LaunchCase{"code_1090_level_nine", "1090", "", 1090, false},
                      LaunchCase{"code_26000", "26000", "", 1000, false},
                      LaunchCase{"no_code_given", std::nullopt, "", 1010, false},
                      LaunchCase{"code_65535", "65535", "", 1535, false},
                      // The host carries 16 bits: 70000 arrives as 4464.
                      LaunchCase{"code_above_16_bits", "70000", "", 1464, false},
                      LaunchCase{"unreadable_code_is_like_none", "12a", "", 1010, false}),
    [](const auto& info) { return std::string(info.param.name); });

// Full travels, up then down, with each profile: the trace shows the
// installation moving and each travel ending exactly on its landing.
struct TravelCase {
  const char* name;
  std::string settings;
};

class Travels : public Session, public ::testing::WithParamInterface<TravelCase> {};

TEST_P(Travels, UpAndDownEndOnTheLandings) {
  const auto r = run(GetParam().settings + lever_up + idle(6000) + lever_down + idle(6000));
  ASSERT_EQ(r.exit_status, 0);
  const Trace t{r.trace};
  const auto execs = t.execs();
  EXPECT_EQ(std::count(execs.begin(), execs.end(), "NOCHGE"), 2);
  EXPECT_EQ(std::count(execs.begin(), execs.end(), "CHGE"), 2);

  const auto cabin = t.values("POSCAB");
  ASSERT_FALSE(cabin.empty());
  EXPECT_NE(std::find(cabin.begin(), cabin.end(), "170 370"), cabin.end());
  EXPECT_EQ(cabin.back(), "170 70");
  const auto counterweight = t.values("POSKONTP");
  EXPECT_NE(std::find(counterweight.begin(), counterweight.end(), "285 170"), counterweight.end());
  EXPECT_EQ(counterweight.back(), "285 470");
  EXPECT_EQ(t.values("CONCABLM").back(), "2 170 139 170 524");
  EXPECT_EQ(t.values("CONCABLD").back(), "2 285 520 285 470");
  EXPECT_GT(t.values("ROTROU").size(), 100U);
  const auto phases = t.values("GODROUE");
  for (const char* phase : {"43", "44", "45"}) {
    EXPECT_NE(std::find(phases.begin(), phases.end(), phase), phases.end()) << phase;
  }
  EXPECT_EQ(phases.back(), "45");
  const auto lever = t.values("POSMANT");
  EXPECT_EQ(lever, (std::vector<std::string>{"0", "70", "0"}));
}

INSTANTIATE_TEST_SUITE_P(Session, Travels,
                         ::testing::Values(TravelCase{"steps", ""}, TravelCase{"ramps", trapeze}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Session, EveryDisplayOnDuringAnUpAndADownTravel) {
  // The options dialog: the four vectors, the table, both curves; then a
  // right press closes it.
  std::string dialog = "690 80 1\n";
  for (const char* box_at : {"587 465", "587 435", "587 405", "587 375", "587 315", "509 235", "509 205"}) {
    dialog += std::string(box_at) + " 1\n";
  }
  dialog += "300 300 2\n300 300 0\n";
  const auto r = run(dialog + lever_up + idle(5100) + lever_down + idle(5100));
  ASSERT_EQ(r.exit_status, 0);
  const Trace t{r.trace};
  const auto execs = t.execs();
  // Both the plot and its view bring up the plot once.
  EXPECT_EQ(std::count(execs.begin(), execs.end(), "TRACE"), 2);
  // The table's frame comes with the table's refresh and again with the plot's.
  EXPECT_EQ(std::count(execs.begin(), execs.end(), "CADRVAL"), 2);
  EXPECT_EQ(std::count(execs.begin(), execs.end(), "AXES"), 1);
  EXPECT_EQ(t.value_at("TALPOIDT", "LIFT"), "0.5886 0.5886");
  EXPECT_EQ(t.value_at("TALKPOID", "LIFT"), "0.3924 0.3924");
  EXPECT_EQ(t.value_at("TALNUM", "LIFT"), "1 1");
  EXPECT_EQ(t.value_at("B3", "LIFT"), "\"2943\"");
  EXPECT_EQ(t.value_at("B4", "LIFT"), "\"1962\"");
  // Up: the motor pulls (positive arrow); at rest after it, the friction
  // arrow has no width but keeps its upward length.
  const auto motor = t.values("TALMOT");
  EXPECT_NE(std::find(motor.begin(), motor.end(), "0.2962 0.2962"), motor.end());  // 1481 N cruising up
  EXPECT_NE(std::find(motor.begin(), motor.end(), "0.0962 0.0962"), motor.end());  // -481 N cruising down, turned over
  const auto friction = t.values("TALFROT");
  EXPECT_NE(std::find(friction.begin(), friction.end(), "0 0.1"), friction.end());
  EXPECT_NE(std::find(friction.begin(), friction.end(), "-0.1 -0.1"), friction.end());
  // The table ends with the down travel's time of 5 s and a motor at rest.
  EXPECT_EQ(t.values("B1").back(), "\"5.00\"");
  EXPECT_EQ(t.values("B2").back(), "\"  0\"");
  // The pens: both curves start at the zero line and climb.
  EXPECT_EQ(t.value_at("POSPNTR", "LIFT"), "250 51");
  const auto braking = t.values("POSPNTP");
  EXPECT_NE(std::find(braking.begin(), braking.end(), "250 51"), braking.end());
  for (const auto& v : t.values("POSPNTT")) EXPECT_EQ(v.substr(v.find(' ') + 1), "0");
}

TEST_F(Session, MissingSceneIsReportedAndTheProgramRunsOn) {
  std::filesystem::remove(box.work() / "LIFT.ANM");
  const auto r = run(idle(2) + quit);
  EXPECT_EQ(r.exit_status, 0);
  EXPECT_NE(r.errors.find("LIFT.ANM"), std::string::npos) << r.errors;
  EXPECT_EQ(r.trace.back(), "end");
  EXPECT_EQ(box.started(1).size(), 1U);
}

// The starter starts the tab program with 26000, found as a bare name.
TEST(Starter, StartsTheTabProgramWith26000) {
  session::Sandbox box;
  const auto r = session::run(STARTER_BINARY, box.root(), "", "1234", box.parent().string() + ":/usr/bin:/bin");
  EXPECT_EQ(r.exit_status, 0);
  const auto started = box.started(1);
  ASSERT_EQ(started.size(), 1U);
  EXPECT_TRUE(started[0].starts_with("Tabora.exe |26000|")) << started[0];
}

TEST(Starter, EndsAtOnceWithoutATabProgram) {
  session::Sandbox box;
  const auto r = session::run(STARTER_BINARY, box.root(), "", std::nullopt, "/nonexistent");
  EXPECT_EQ(r.exit_status, 0);
  EXPECT_TRUE(box.started(0, 0.2).empty());
}

}  // namespace
