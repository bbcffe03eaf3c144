// vismo: a small scene runtime.
//
// THE BINDING MODEL
//
// A program does not draw. It owns plain variables, tells the runtime once
// where they live, and from then on only changes them and asks for named
// commands to be played.
//
// A scene file (see docs/scene-format.md) declares layers; each layer
// declares variables, each with a scene type, and the file declares
// commands, each a list of drawing operations that may read variables.
// The program binds its own variables to the scene's with VisLink(layer,
// name, address): no type or size crosses the call, the scene's
// declaration alone says how many bytes are read and how they are decoded.
// A binding is an address, not a copy: whenever a command is played, the
// runtime reads the variable's bytes as they stand at that moment. The
// program never announces a change; it writes the variable and plays the
// command that shows it. A variable must therefore keep its address for
// the whole run, and a wrong declaration in the scene reads the wrong
// number of bytes.
//
// Memory formats of the scene types, as the program must lay them out:
//   int16    2 bytes, signed          int32    4 bytes, signed
//   float    4 bytes, IEEE single     colour   4 bytes, signed palette index
//   point    8 bytes: float x, float y (scene coordinates, y grows upward)
//   scale    8 bytes: float x, float y (1.0 drawn size, 0 hides, < 0 flips)
//   text    80 bytes: byte 0 the length n, bytes 1..n the characters, a NUL
//   polyline 88 bytes: int16 count at offset 0, bytes 2..7 zero, from
//            offset 8 up to ten points of two floats x, y
//
// Order of calls: VisBegin, VisLoad, any number of VisLink, then VisExec
// and VisMouse in any mix, VisEnd last. Results are 0 on success and
// nonzero on failure, but a program may ignore them: every failure is
// also reported on stderr (a scene file that does not load:
// FILE:LINE:COL: message) and the runtime keeps going without it.
//
// Backends. By default the runtime opens a window. With VISMO_SCRIPT=FILE
// in the environment it runs headless: no window, no pacing, and every
// VisMouse call takes the next mouse state from FILE. With
// VISMO_TRACE=FILE it writes a trace of every call and of every bound
// variable that changed between plays, with either backend. The script
// and trace formats are described in docs/scene-format.md.
#pragma once

#include <stdint.h>  // NOLINT(modernize-deprecated-headers): also a C header

#ifdef __cplusplus
extern "C" {
#endif

// Starts the runtime. `mode` is reserved and must be 0.
int32_t VisBegin(int32_t mode);

// Loads the scene file `file_name`, relative to the working directory.
int32_t VisLoad(const char* file_name);

// Binds the program variable at `address` to variable `variable` of layer
// `layer`. Binding the same variable twice with the same address is
// harmless.
int32_t VisLink(const char* layer, const char* variable, void* address);

// Plays the command `command`: its drawing operations are painted over
// what the canvas holds, reading the bound variables as they are now.
int32_t VisExec(const char* command);

// Reports the live mouse: pointer position in scene coordinates and the
// buttons (0 none, 1 left, 2 right). `device` is reserved and must be -1.
int32_t VisMouse(int32_t device, int32_t* x, int32_t* y, int32_t* buttons);

// Ends the runtime: closes the window and flushes the trace.
int32_t VisEnd(void);

#ifdef __cplusplus
}
#endif
