// A stand-in for a program built on the runtime, run by runtime_test.cc
// as a subprocess. Its arguments are the calls to make, in order:
//
//   begin | begin=N            VisBegin(0) / VisBegin(N)
//   load=FILE                  VisLoad(FILE)
//   link=LAYER.VAR@SLOT        VisLink(LAYER, VAR, &slot[SLOT])
//   exec=NAME                  VisExec(NAME)
//   mouse | mouse*K            VisMouse once / K times; prints "X Y B" lines
//   mouse-forever              VisMouse until the runtime ends the process
//   end                        VisEnd()
//   exit                       std::exit(0) at once, without VisEnd
//   i16@SLOT=V  i32@SLOT=V  f32@SLOT=V  pt@SLOT=X,Y  txt@SLOT=STRING
//   poly@SLOT=N                writes a slot: N is the count, point k is (k, -k)
//
// Slots are 88-byte cells, zero at the start.
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "vismo/vismo.h"

namespace {

struct alignas(8) Slot {
  std::array<unsigned char, 88> bytes{};
};
std::array<Slot, 16> slots{};

unsigned char* slot(std::string_view number) {
  return slots.at(std::stoul(std::string(number))).bytes.data();
}

template <typename T>
void store(unsigned char* at, T value) {
  std::memcpy(at, &value, sizeof value);
}

void print_mouse() {
  std::int32_t x = 0;
  std::int32_t y = 0;
  std::int32_t buttons = 0;
  VisMouse(-1, &x, &y, &buttons);
  std::printf("%d %d %d\n", x, y, buttons);
}

void write_slot(std::string_view kind, unsigned char* at, std::string_view value) {
  const std::string text(value);
  if (kind == "i16") {
    store(at, static_cast<std::int16_t>(std::stoi(text)));
  } else if (kind == "i32") {
    store(at, static_cast<std::int32_t>(std::stol(text)));
  } else if (kind == "f32") {
    store(at, std::stof(text));
  } else if (kind == "pt") {
    const std::size_t comma = text.find(',');
    store(at, std::stof(text.substr(0, comma)));
    store(at + 4, std::stof(text.substr(comma + 1)));
  } else if (kind == "txt") {
    at[0] = static_cast<unsigned char>(text.size());
    std::memcpy(at + 1, text.data(), text.size());
    at[1 + text.size()] = 0;
  } else if (kind == "poly") {
    const auto count = static_cast<std::int16_t>(std::stoi(text));
    store(at, count);
    for (std::size_t k = 0; k < 10; ++k) {
      store(at + 8 + 8 * k, static_cast<float>(k));
      store(at + 12 + 8 * k, -static_cast<float>(k));
    }
  } else {
    std::fprintf(stderr, "fake_program: unknown slot kind %s\n", std::string(kind).c_str());
    std::exit(99);
  }
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const std::size_t equals = arg.find('=');
    const std::string_view verb = arg.substr(0, equals);
    const std::string value = equals == std::string_view::npos ? "" : std::string(arg.substr(equals + 1));
    if (verb == "begin") {
      VisBegin(value.empty() ? 0 : std::stoi(value));
    } else if (verb == "load") {
      VisLoad(value.c_str());
    } else if (verb == "link") {
      const std::size_t dot = value.find('.');
      const std::size_t at = value.find('@');
      const std::string layer = value.substr(0, dot);
      const std::string variable = value.substr(dot + 1, at - dot - 1);
      VisLink(layer.c_str(), variable.c_str(), slot(value.substr(at + 1)));
    } else if (verb == "exec") {
      VisExec(value.c_str());
    } else if (verb == "mouse") {
      print_mouse();
    } else if (verb.substr(0, 6) == "mouse*") {
      for (long k = std::stol(std::string(verb.substr(6))); k > 0; --k) print_mouse();
    } else if (verb == "mouse-forever") {
      for (;;) print_mouse();
    } else if (verb == "end") {
      VisEnd();
    } else if (verb == "exit") {
      std::exit(0);
    } else if (const std::size_t at = verb.find('@'); at != std::string_view::npos) {
      write_slot(verb.substr(0, at), slot(verb.substr(at + 1)), value);
    } else {
      std::fprintf(stderr, "fake_program: unknown argument %s\n", argv[i]);
      return 99;
    }
  }
  return 0;
}
