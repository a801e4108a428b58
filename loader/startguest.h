// Guest start: argument vector, environment, user record, the trap, the
// Linux process start stack, and the jump to the entry point.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Never returns.
[[noreturn]] void StartGuest();

// The start stack image from the lowest address up (argc, argv..., 0,
// envp..., 0), as a pure function for the tests.
std::vector<uint32_t> BuildStartStack(int32_t argc, char* const* argv,
                                      char* const* envp);

// Entry 0 of the guest's argument vector: the ELF path made absolute.
std::string GuestProgramPath(const std::string& elfPath);
