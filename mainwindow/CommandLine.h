#pragma once

// The program's command line. With no argument the program opens its main
// window; with any, it does what the arguments say without a window or a
// display and returns the exit status: 0 done, 1 failed, 2 a usage error.
int RunCommandLine(int argc, char** argv);
