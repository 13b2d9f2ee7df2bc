#pragma once

struct CommandLine;

// Resizes the given images and folders without any window: the same collection, registration,
// job and writing as a drop, with progress on stderr and the output folder on stdout. Returns the
// exit status: 0 when every image was written, 1 when any was skipped, 2 for a refused request.
int runCommandLine(int &argc, char **argv, const CommandLine &command);
