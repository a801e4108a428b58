#include "process/process.h"

namespace process {

uint32_t GuestEntry = 0;
uint32_t BreakBase = 0;
GuestStartTables GuestStart;
uint32_t GuestCanary = 0;

int32_t StdinUsedWord;
uint32_t GuestOptindAddress, GuestOptargAddress, GuestOptoptAddress,
    GuestOpterrAddress;

int32_t GuestArgc;
char** GuestArgv;
char** GuestEnvp;
UserRecord* UserTable;
uint32_t UserCount;

}  // namespace process
