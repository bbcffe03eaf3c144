// Test cases that carry a `name` print as that name, so that parameterised
// tests read "Launch/code_1234" rather than a dump of bytes.
#pragma once

#include <ostream>

namespace named_case {

template <typename Case>
  requires requires(const Case& c) { *static_cast<std::ostream*>(nullptr) << c.name; }
void PrintTo(const Case& c, std::ostream* os) {
  *os << c.name;
}

}  // namespace named_case
