#pragma once

/// The updater's start-up procedure: initialises the common controls, shows
/// page 1 and runs until the last page has gone. Returns the exit code.
int Main(int argc, char* argv[]);
