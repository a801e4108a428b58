// The loader's main routine: command line, existence and kind tests,
// loading, and the hand-over to guest start. Never returns.
#pragma once

[[noreturn]] void RunLoader();
