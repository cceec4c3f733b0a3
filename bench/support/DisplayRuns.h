#pragma once
// Runs a flood benchmark the way users see the program: once offscreen and
// once on an X server, each in a process of its own (a process has one
// window system). The X server is the one DISPLAY names; without one the
// benchmark starts its own Xvfb, when it is installed, and stops it after.
//
// RunOnEveryDisplay is called from main with the benchmark's arguments. In
// the parent it starts the two runs (the same program with "--run" and the
// platform in its environment) and returns their combined exit status: 1 if
// a run missed a bar or failed, 0 otherwise. In a run it returns -1 and the
// caller measures.

#include <string>

namespace bench {

[[nodiscard]] int RunOnEveryDisplay(int argc, char** argv);

// In a run: a line that says which window system it measures.
[[nodiscard]] std::string DisplayDescription();

}  // namespace bench
