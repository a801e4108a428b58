/* Processor faults as signals: a handler sees the fault's siginfo and
   context, leaves by siglongjmp or returns after mending the context, and
   runs on the alternate stack when asked to. */
#define _GNU_SOURCE
#include <limits.h>
#include <setjmp.h>
#include <signal.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <ucontext.h>

static sigjmp_buf env;
static volatile int got_signo, got_code, got_addr_ok, handled, masked_inside;
static volatile uintptr_t expected_addr;
static char altstack[65536];
static volatile int on_alt, depth, alt_flags;

static void jump_out(int signo, siginfo_t *info, void *uc) {
  sigset_t now;
  (void)uc;
  sigprocmask(SIG_BLOCK, NULL, &now);
  masked_inside = sigismember(&now, signo);
  got_signo = info->si_signo;
  got_code = info->si_code;
  got_addr_ok = (uintptr_t)info->si_addr == expected_addr;
  siglongjmp(env, 1);
}

static void install(int signo, void (*fn)(int, siginfo_t *, void *), int flags) {
  struct sigaction sa;
  memset(&sa, 0, sizeof sa);
  sa.sa_sigaction = fn;
  sa.sa_flags = SA_SIGINFO | flags;
  sigemptyset(&sa.sa_mask);
  sigaction(signo, &sa, NULL);
}

static void report(const char *what) {
  sigset_t now;
  sigprocmask(SIG_BLOCK, NULL, &now);
  printf("%s: signo=%d code=%d addr_ok=%d masked_inside=%d segv_blocked=%d fpe_blocked=%d\n",
         what, got_signo, got_code, got_addr_ok, masked_inside, sigismember(&now, SIGSEGV),
         sigismember(&now, SIGFPE));
}

static void null_write(void) {
  volatile int *p = NULL;
  expected_addr = 0;
  install(SIGSEGV, jump_out, 0);
  if (sigsetjmp(env, 1) == 0) {
    *p = 42;
    puts("null write: no fault");
  } else {
    report("null write");
  }
}

static void read_only_write(void) {
  static const char text[] = "constant";
  expected_addr = (uintptr_t)text;
  install(SIGSEGV, jump_out, 0);
  if (sigsetjmp(env, 1) == 0) {
    *(volatile char *)text = 'x';
    puts("read-only write: no fault");
  } else {
    report("read-only write");
  }
}

static void division(int numerator, int denominator, const char *what) {
  volatile int n = numerator, d = denominator;
  expected_addr = 0;
  install(SIGFPE, jump_out, 0);
  if (sigsetjmp(env, 1) == 0) {
    volatile int q = n / d;
    printf("%s: no fault (%d)\n", what, q);
  } else {
    got_addr_ok = 1; /* si_addr is the instruction's address: not known here */
    report(what);
  }
}

/* Returns after pointing the faulting load's base register at good memory:
   the load runs again and succeeds. */
static int good_word = 1234;
static void mend(int signo, siginfo_t *info, void *raw) {
  ucontext_t *uc = raw;
  (void)signo;
  (void)info;
  ++handled;
  if (uc->uc_mcontext.gregs[REG_EAX] == 0)
    uc->uc_mcontext.gregs[REG_EAX] = (greg_t)(uintptr_t)&good_word;
}

static void mended_load(void) {
  int value;
  install(SIGSEGV, mend, 0);
  __asm__ volatile("xorl %%eax, %%eax\n\tmovl (%%eax), %0" : "=r"(value) : : "eax");
  printf("mended load: value=%d handled=%d\n", value, handled);
}

/* A handler that returns: EIP moved past a ud2. */
static void skip_ud2(int signo, siginfo_t *info, void *raw) {
  ucontext_t *uc = raw;
  sigset_t now;
  sigprocmask(SIG_BLOCK, NULL, &now);
  masked_inside = sigismember(&now, signo);
  got_signo = signo;
  got_code = info->si_code;
  got_addr_ok = (uintptr_t)info->si_addr == (uintptr_t)uc->uc_mcontext.gregs[REG_EIP];
  uc->uc_mcontext.gregs[REG_EIP] += 2;
}

static void illegal(void) {
  install(SIGILL, skip_ud2, 0);
  __asm__ volatile("ud2");
  report("ud2 skipped");
}

static void on_overflow(int signo, siginfo_t *info, void *uc) {
  char here;
  (void)info;
  (void)uc;
  got_signo = signo;
  stack_t now;
  on_alt = &here >= altstack && &here < altstack + sizeof altstack;
  sigaltstack(NULL, &now);
  alt_flags = now.ss_flags;
  siglongjmp(env, 1);
}

static int recurse(int n) {
  volatile char pad[512];
  pad[0] = (char)n;
  ++depth;
  return recurse(n + 1) + pad[0];
}

static void overflow(void) {
  stack_t ss, old;
  ss.ss_sp = altstack;
  ss.ss_size = sizeof altstack;
  ss.ss_flags = 0;
  printf("sigaltstack: %d\n", sigaltstack(&ss, NULL));
  sigaltstack(NULL, &old);
  printf("sigaltstack back: same=%d flags=%d\n",
         old.ss_sp == altstack && old.ss_size == sizeof altstack, old.ss_flags);
  install(SIGSEGV, on_overflow, SA_ONSTACK);
  if (sigsetjmp(env, 1) == 0) {
    recurse(0);
  } else {
    printf("stack overflow: signo=%d on_alt=%d flags_inside=%d deep=%d\n",
           got_signo, on_alt, alt_flags, depth > 1000);
  }
}

/* One shot, not masked while it runs. */
static void once(void) {
  struct sigaction old;
  install(SIGSEGV, jump_out, SA_RESETHAND | SA_NODEFER);
  expected_addr = 0;
  if (sigsetjmp(env, 1) == 0) {
    *(volatile int *)0 = 1;
  } else {
    report("one shot");
    sigaction(SIGSEGV, NULL, &old);
    printf("one shot: back to default=%d\n", old.sa_handler == SIG_DFL);
  }
}

/* A breakpoint: the handler's return goes on after the int3. */
static void trap_handler(int signo, siginfo_t *info, void *raw) {
  (void)raw;
  got_signo = signo;
  got_code = info->si_code;
  ++handled;
}

static void breakpoint(void) {
  handled = 0;
  install(SIGTRAP, trap_handler, 0);
  __asm__ volatile("int3");
  printf("int3: signo=%d code=%d handled=%d\n", got_signo, got_code, handled);
}

int main(void) {
  setvbuf(stdout, NULL, _IONBF, 0);
  null_write();
  read_only_write();
  division(7, 0, "divide by zero");
  division(INT_MIN, -1, "INT_MIN / -1");
  mended_load();
  illegal();
  breakpoint();
  overflow();
  null_write();
  once();
  return 0;
}
