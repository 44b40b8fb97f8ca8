#pragma once

// The program's entry: loads and shows the main window, registers the record file type and runs
// the window system's message loop until the last window is gone.
int Main(int argc, char* argv[]);
