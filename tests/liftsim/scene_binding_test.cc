// The real scene file against the program: every variable the program
// binds is declared in LIFT.ANM, in the layer it is bound in, with a type
// whose size is the size of the program's variable; and every command the
// program plays exists. The runtime reads a bound variable with the size
// the scene declares, so a mismatch would read past the variable.
#include <map>
#include <set>

#include "lift_fixture.h"
#include "scene.h"

namespace {

struct Bound {
  const char* name;
  std::size_t size;
};

#define BOUND(v) {static_cast<const void*>(&(v)), Bound{#v, sizeof(v)}}

const std::map<const void*, Bound>& bound_variables() {
  static const std::map<const void*, Bound> table = {
      BOUND(colvis0), BOUND(colvis1), BOUND(colvis2), BOUND(colvis3), BOUND(colvis4), BOUND(colvis5),
      BOUND(colvis6), BOUND(colvis10), BOUND(colvis11), BOUND(colvis12), BOUND(colvis13), BOUND(colvis20),
      BOUND(colvis21), BOUND(colvis22), BOUND(colvis23), BOUND(colvis30), BOUND(colvis31), BOUND(colvis32),
      BOUND(colvis33), BOUND(colvis40), BOUND(colvis41), BOUND(colvis42), BOUND(colvis43), BOUND(colvis50),
      BOUND(colvis51), BOUND(colf1), BOUND(coln1), BOUND(colt1), BOUND(KL), BOUND(POSMANT), BOUND(POSPNTT),
      BOUND(POSPNTR), BOUND(POSPNTP), BOUND(ROTROU), BOUND(GODROUE), BOUND(CONCABLM), BOUND(CONCABLD),
      BOUND(CONTAXEL), BOUND(TALCAISS), BOUND(TALKONTP), BOUND(GODLAMP), BOUND(POSCAB), BOUND(POSKONTP),
      BOUND(TALMOT), BOUND(TALFROT), BOUND(TALPOIDT), BOUND(POSPOID), BOUND(TALKPOID), BOUND(ETATP),
      BOUND(MASSP), BOUND(MASKP), BOUND(AXELP), BOUND(FROTP), BOUND(A1), BOUND(A2), BOUND(A3), BOUND(A4),
      BOUND(A5), BOUND(A6), BOUND(A7), BOUND(TALNUM), BOUND(A8), BOUND(A9), BOUND(TOTOP), BOUND(B1),
      BOUND(B2), BOUND(B3), BOUND(B4), BOUND(B5), BOUND(B6), BOUND(B7), BOUND(B8), BOUND(C0), BOUND(C1),
      BOUND(C2), BOUND(C3), BOUND(C4), BOUND(ROTAIGU)};
  return table;
}

#undef BOUND

vismo::Scene load_lift_scene() {
  std::vector<vismo::Diagnostic> diagnostics;
  auto scene = vismo::load_scene_file(LIFT_SCENE_PATH, diagnostics);
  for (const auto& d : diagnostics) ADD_FAILURE() << d.to_string();
  if (!scene) throw std::runtime_error("LIFT.ANM does not load");
  return std::move(*scene);
}

TEST_F(Lift, EveryBindingIsDeclaredWithTheSizeOfItsVariable) {
  const vismo::Scene scene = load_lift_scene();
  start_up(1000);
  ASSERT_EQ(rt.links.size(), 86U);
  std::set<const void*> addresses;
  std::set<std::pair<std::string, std::string>> bindings;
  for (const auto& link : rt.links) {
    addresses.insert(link.address);
    bindings.insert({link.layer, link.variable});
    const auto bound = bound_variables().find(link.address);
    ASSERT_NE(bound, bound_variables().end()) << link.variable;
    EXPECT_EQ(link.variable, bound->second.name);
    const int index = scene.find_variable(link.layer, link.variable);
    ASSERT_GE(index, 0) << link.layer << " " << link.variable << " is not declared";
    EXPECT_EQ(vismo::type_size(scene.variables[static_cast<std::size_t>(index)].type), bound->second.size)
        << link.layer << " " << link.variable;
  }
  // A1 to A7 are bound twice; TOTOP is one variable bound in two layers.
  EXPECT_EQ(bindings.size(), 79U);
  EXPECT_EQ(addresses.size(), 78U);
}

TEST(Scene, DeclaresEveryCommandTheProgramPlays) {
  const vismo::Scene scene = load_lift_scene();
  for (const char* name : {"INLIFT", "LIFT",  "DECOR", "ECHELON",  "TRAPEZE", "CHGE",    "NOCHGE",  "CADRVAL",
                           "AXES",   "MANETE", "CLOCK", "STOP",     "BANDO",   "USE",     "FONC",    "REM",
                           "EFAC",   "MENUVISU", "SYMBOLS", "RESETON", "RESETOF", "NORMAL", "ISOL", "TRACE"}) {
    EXPECT_NE(scene.find_command(name), nullptr) << name;
  }
}

}  // namespace
