// The door to the operating system.
//
// The programs were written against three calls of their host system and
// keep those names: the process entry `WinMain`, which hands the program
// its show code (the launch code), `WinExec`, which starts another program
// with a show code, and `SetCurrentDirectoryA`. This header declares them;
// one whole source file per host implements them (posix.cc here), chosen
// by CMake. Nothing in this layer knows about lifts or scenes.
#pragma once

// Provided by each program, called once by the process entry
// (entry_posix.cc) with the show code taken from the environment variable
// CMDSHOW (decimal; 10 when unset, as a start without a show value gives).
// Only `show_code` carries information; the other arguments are kept for
// the shape of the call. The process exits with the returned value.
int WinMain(void* instance, void* previous_instance, char* command_line, int show_code);

// Starts a program and returns at once, never waiting for it.
// The first word of `command_line` names the program, the rest are its
// arguments (double quotes group a word). A name without a directory is
// searched in the directory of the running executable, then the current
// directory, then PATH. The started program finds `show_code` in CMDSHOW.
// No zombie is left behind. Returns a value above 31 when the program was
// started, 0 when it could not be; the programs of this system ignore it.
unsigned WinExec(const char* command_line, unsigned show_code);

// Changes the working directory. Returns nonzero on success.
int SetCurrentDirectoryA(const char* path);
