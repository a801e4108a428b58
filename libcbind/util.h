// Module `util`: the import name registry, the reporter for C-library calls
// that nothing serves, and the pause through which every guest run ends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace util {

void Init();      // the registry starts empty
void Finalise();  // releases the registry (orderly shutdown only)

void RegisterImport(std::string_view name, uint32_t entry);
// The entry of the first registration of exactly `name`, else the address
// of the UnknownCallReporter. Never null.
uint32_t LookupImport(const char* name);

// Registry contents in registration order, for inspection.
size_t ImportCount();
std::string_view ImportName(size_t i);
uint32_t ImportEntry(size_t i);

// Address of the UnknownCallReporter's entry stub. Guest code reaches it by
// `call` from a rewritten PLT entry, with the name's address pushed.
uint32_t UnknownCallReporterAddress();

// Waits for one line of console input, then ends the process with `code`.
// What the loader's console writer holds is written out first.
[[noreturn]] void PauseAndExit(uint32_t code);

}  // namespace util
