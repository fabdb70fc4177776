#pragma once

namespace vek {

// The client's start-up, message loop and teardown; returns the process's exit code.
int runClient(int argc, char** argv);

} // namespace vek
