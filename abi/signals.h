// The Linux i386 C library's layouts and numbers for signals, non-local
// jumps and the process queries (sysconf, limits, usage), as the guest sees
// them. The host's <signal.h> and <unistd.h> values differ on Windows and
// stay out of here.
#pragma once

#include <cstddef>
#include <cstdint>

namespace linux {

// ---- Signal numbers ---------------------------------------------------------
constexpr int32_t kSIGHUP = 1, kSIGINT = 2, kSIGQUIT = 3, kSIGILL = 4,
                  kSIGTRAP = 5, kSIGABRT = 6, kSIGBUS = 7, kSIGFPE = 8,
                  kSIGKILL = 9, kSIGUSR1 = 10, kSIGSEGV = 11, kSIGUSR2 = 12,
                  kSIGPIPE = 13, kSIGALRM = 14, kSIGTERM = 15,
                  kSIGSTKFLT = 16, kSIGCHLD = 17, kSIGCONT = 18,
                  kSIGSTOP = 19, kSIGTSTP = 20, kSIGTTIN = 21, kSIGTTOU = 22,
                  kSIGURG = 23, kSIGXCPU = 24, kSIGXFSZ = 25,
                  kSIGVTALRM = 26, kSIGPROF = 27, kSIGWINCH = 28,
                  kSIGIO = 29, kSIGPWR = 30, kSIGSYS = 31;
constexpr int32_t kNSIG = 65;  // numbers 1..64
// The C library keeps two real-time signals for its threads; a program
// can neither catch nor block them.
constexpr int32_t kSIGCANCEL = 32, kSIGSETXID = 33;

constexpr uint32_t kSIG_DFL = 0, kSIG_IGN = 1, kSIG_ERR = 0xFFFFFFFF;

constexpr uint32_t kSA_NOCLDSTOP = 1, kSA_NOCLDWAIT = 2, kSA_SIGINFO = 4,
                   kSA_ONSTACK = 0x08000000, kSA_RESTART = 0x10000000,
                   kSA_NODEFER = 0x40000000, kSA_RESETHAND = 0x80000000;

constexpr int32_t kSIG_BLOCK = 0, kSIG_UNBLOCK = 1, kSIG_SETMASK = 2;

constexpr uint32_t kSA_RESTORER = 0x04000000;

// si_code values.
constexpr int32_t kSI_USER = 0, kSI_KERNEL = 0x80, kSI_QUEUE = -1, kSI_TIMER = -2,
                  kSI_ASYNCIO = -4, kSI_TKILL = -6;
constexpr int32_t kSEGV_MAPERR = 1, kSEGV_ACCERR = 2;
constexpr int32_t kBUS_ADRERR = 2;
constexpr int32_t kILL_ILLOPN = 2;
constexpr int32_t kFPE_INTDIV = 1, kFPE_INTOVF = 2;

constexpr int32_t kSS_ONSTACK = 1, kSS_DISABLE = 2;
constexpr uint32_t kMINSIGSTKSZ = 2048;

// sigset_t: 1024 bits, of which the kernel keeps the first 64.
struct SigSet {
  uint32_t words[32];
};
static_assert(sizeof(SigSet) == 128);

// struct sigaction.
struct SigAction {
  uint32_t handler;  // sa_handler or sa_sigaction
  SigSet mask;
  uint32_t flags;
  uint32_t restorer;
};
static_assert(sizeof(SigAction) == 140);
static_assert(offsetof(SigAction, flags) == 132);

// siginfo_t as a signal sent by kill or raise fills it, or a fault (whose
// address takes the sender's place).
struct SigInfo {
  int32_t signo;
  int32_t error;
  int32_t code;
  union {
    int32_t pid;
    uint32_t addr;
  };
  uint32_t uid;
  uint32_t rest[27];
};
static_assert(sizeof(SigInfo) == 128);
static_assert(offsetof(SigInfo, pid) == 12 && offsetof(SigInfo, addr) == 12);
// A POSIX timer's signal fills the same words as si_timerid, si_overrun
// and si_value.
constexpr size_t kSigInfoTimerId = 12, kSigInfoOverrun = 16, kSigInfoValue = 20;
static_assert(offsetof(SigInfo, uid) == kSigInfoOverrun &&
              offsetof(SigInfo, rest) == kSigInfoValue);

// stack_t.
struct StackT {
  uint32_t sp;
  int32_t flags;
  uint32_t size;
};
static_assert(sizeof(StackT) == 12);

// mcontext_t's general registers, by their REG_ index; then the pointer to
// the floating-point state, the old mask's first word and cr2.
enum : uint32_t {
  kREG_GS, kREG_FS, kREG_ES, kREG_DS, kREG_EDI, kREG_ESI, kREG_EBP,
  kREG_ESP, kREG_EBX, kREG_EDX, kREG_ECX, kREG_EAX, kREG_TRAPNO,
  kREG_ERR, kREG_EIP, kREG_CS, kREG_EFL, kREG_UESP, kREG_SS,
  kMcontextFpregs, kMcontextOldmask, kMcontextCr2
};

// ucontext_t: a handler of a raised signal sees only the saved mask; one
// of a fault sees the registers too.
struct UContext {
  uint32_t flags;
  uint32_t link;
  StackT stack;
  uint32_t mcontext[22];
  SigSet sigmask;
  uint32_t fpregs[28];
  uint32_t ssp[4];
};
static_assert(sizeof(UContext) == 364);
static_assert(offsetof(UContext, sigmask) == 108);
static_assert(kMcontextCr2 == 21);

// The frame the kernel stacks for an SA_SIGINFO-style handler: the return
// address (the restorer), the three arguments, then what they point at.
struct SignalFrame {
  uint32_t restorer;
  int32_t signo;
  uint32_t info, context;
  SigInfo siginfo;
  UContext ucontext;
};
static_assert(offsetof(SignalFrame, siginfo) == 16 &&
              offsetof(SignalFrame, ucontext) == 144);

// ---- Non-local jumps ----------------------------------------------------------
//
// struct __jmp_buf_tag: EBX ESI EDI EBP ESP EIP, then whether the mask was
// saved and the mask. jumps.S knows these offsets.
struct JmpBuf {
  uint32_t ebx, esi, edi, ebp, esp, eip;
  int32_t maskWasSaved;
  SigSet mask;
};
static_assert(sizeof(JmpBuf) == 156);
static_assert(offsetof(JmpBuf, esp) == 16 && offsetof(JmpBuf, mask) == 28);

// ---- Process ------------------------------------------------------------------

// struct rlimit (32-bit limits) and struct rlimit64.
struct RLimit {
  uint32_t cur, max;
};
struct RLimit64 {
  uint64_t cur, max;
};
static_assert(sizeof(RLimit) == 8 && sizeof(RLimit64) == 16);
constexpr uint32_t kRLIM_INFINITY = 0xFFFFFFFF;
constexpr uint64_t kRLIM64_INFINITY = ~uint64_t{0};
constexpr int32_t kRLIMIT_NLIMITS = 16;

// struct rusage: two timevals, then fourteen longs.
struct RUsage {
  int32_t utimeSec, utimeUsec, stimeSec, stimeUsec;
  int32_t maxrss, ixrss, idrss, isrss, minflt, majflt, nswap, inblock,
      oublock, msgsnd, msgrcv, nsignals, nvcsw, nivcsw;
};
static_assert(sizeof(RUsage) == 72);
// The same under _TIME_BITS=64: two 16-byte timevals (seconds, microseconds,
// padding), then the fourteen longs.
#pragma pack(push, 4)
struct RUsage64 {
  int64_t utimeSec;
  int32_t utimeUsec, pad1;
  int64_t stimeSec;
  int32_t stimeUsec, pad2;
  int32_t maxrss, ixrss, idrss, isrss, minflt, majflt, nswap, inblock,
      oublock, msgsnd, msgrcv, nsignals, nvcsw, nivcsw;
};
#pragma pack(pop)
static_assert(sizeof(RUsage64) == 88 && offsetof(RUsage64, stimeSec) == 16 &&
              offsetof(RUsage64, maxrss) == 32);
constexpr int32_t kRUSAGE_SELF = 0, kRUSAGE_CHILDREN = -1,
                  kRUSAGE_THREAD = 1;

// struct group.
struct Group {
  uint32_t name, passwd, gid, members;
};
static_assert(sizeof(Group) == 16);

}  // namespace linux
