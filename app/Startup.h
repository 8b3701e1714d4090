// Start-up steps of the program that main() calls in order.
#pragma once

namespace pit {

// A window needs a display. Without one, --version and --help still work
// (offscreen); anything else gets a plain message and false.
bool EnsureDisplay(int argc, char* argv[]);

// Services of the window build that code below the windows reaches through the platform layer.
void StartWindowBuild();

} // namespace pit
