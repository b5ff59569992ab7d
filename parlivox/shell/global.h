#pragma once

/// The editor's start-up procedure: registers the help file, initialises the
/// common controls, loads and shows the main window, and runs until the last
/// window is unloaded. Returns the process's exit code.
int Main(int argc, char* argv[]);
