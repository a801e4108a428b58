/* Thread-local storage in the program and two libraries: each variable
   starts from its image or from zero, keeps its alignment, and is one
   object whichever module's code reaches it. */
#include <stdint.h>
#include <stdio.h>

extern __thread int lib_tls_counter;
extern __thread char lib_tls_zero[100];
extern __thread double lib_tls_aligned;
extern __thread long long second_tls;
extern int lib_tls_bump(void);
extern int *lib_tls_counter_address(void);
extern int lib_tls_zero_sum(void);
extern int lib_tls_aligned_ok(void);
extern long long second_tls_get(void);
extern void second_tls_set(short v);

static __thread int own = 5;
static __thread char own_big[1 << 16];
static __thread int own_aligned __attribute__((aligned(64))) = 64;
__thread int own_zero;

int main(void)
{
    int i, sum = 0;
    char *tp;
    __asm__("movl %%gs:0, %0" : "=r"(tp));
    for (i = 0; i < (int)sizeof own_big; i++)
        sum += own_big[i];
    printf("own: %d %d %d, big sum %d\n", own, own_aligned, own_zero, sum);
    own_big[sizeof own_big - 1] = 1;
    own_zero = own + own_aligned;
    printf("own after: %d %d\n", own_zero, own_big[sizeof own_big - 1]);
    printf("own aligned: %s, below the thread pointer: %s, distinct: %s\n",
           ((uintptr_t)&own_aligned & 63) == 0 ? "yes" : "no",
           (char *)&own_big[sizeof own_big] <= tp && (char *)(&own + 1) <= tp ? "yes" : "no",
           (void *)&own != (void *)&own_zero && (void *)&own_aligned != (void *)own_big
               ? "yes" : "no");
    printf("thread pointer points to itself: %s\n", *(char **)tp == tp ? "yes" : "no");

    printf("library's: %d %.2f, zero sum %d\n", lib_tls_counter, lib_tls_aligned,
           lib_tls_zero_sum());
    printf("bump: %d\n", lib_tls_bump());
    lib_tls_counter += 100;
    printf("bump after the program's write: %d, counter %d, zero[99] %c\n",
           lib_tls_bump(), lib_tls_counter, lib_tls_zero[99]);
    printf("one counter: %s, library's aligned: %s\n",
           lib_tls_counter_address() == &lib_tls_counter ? "yes" : "no",
           lib_tls_aligned_ok() ? "yes" : "no");
    printf("second: %llx\n", second_tls_get());
    second_tls_set(0x11);
    second_tls += 1;
    printf("second after: %llx\n", second_tls_get());
    return 0;
}
