#include "process/process.h"

namespace process {

uint32_t GuestEntry = 0;
uint32_t BreakBase = 0;
GuestStartTables GuestStart;
std::vector<GuestStartTables> LibraryStart;
std::vector<ResolvedSlot> PendingResolvers;

alignas(64) ThreadControl NoThreadLocals;
ThreadControl* Thread = &NoThreadLocals;
std::vector<ThreadSite> ThreadSites;
std::vector<CodeRange> LibraryCode;
bool (*TakeFault)(const GuestFault&, platform::Context&) = nullptr;

int32_t StdinUsedWord;
uint32_t GuestOptindAddress, GuestOptargAddress, GuestOptoptAddress,
    GuestOpterrAddress;

int32_t GuestArgc;
char** GuestArgv;
std::string ProgramPath;
char** GuestEnvp;
UserRecord* UserTable;
uint32_t UserCount;

}  // namespace process
