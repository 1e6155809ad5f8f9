#pragma once

#include "common/Edition.h"

// The host of one deliverable: reads the host options, sets up the platform and the books,
// runs the application object once, and exits with its run result (0 completed, 1 cancelled,
// 2 failed).
int RunHost(int argc, char** argv, const Edition& edition);
