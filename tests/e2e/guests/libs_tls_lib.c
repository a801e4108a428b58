/* Thread-local variables of a library, reached from its own code through
   __tls_get_addr (general and local dynamic) and from the program's
   through fixed offsets from the thread pointer. */
#include <stdint.h>

__thread int lib_tls_counter = 40;
__thread char lib_tls_zero[100];
__thread double lib_tls_aligned __attribute__((aligned(32))) = 2.5;
static __thread int lib_tls_private = 9;

int lib_tls_bump(void)
{
    lib_tls_private += 2;
    lib_tls_zero[99] = 'z';
    return ++lib_tls_counter + lib_tls_private;
}

int *lib_tls_counter_address(void) { return &lib_tls_counter; }
int lib_tls_zero_sum(void)
{
    int sum = 0, i;
    for (i = 0; i < 100; i++)
        sum += lib_tls_zero[i];
    return sum;
}
int lib_tls_aligned_ok(void) { return ((uintptr_t)&lib_tls_aligned & 31) == 0; }
