/* Non-local jumps: out of deep recursion, out of a qsort comparator, with
   and without the signal mask, and the value 0 turned into 1. */
#include <setjmp.h>
#include <signal.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

/* What longjmp becomes in a fortified build. */
extern void __longjmp_chk(struct __jmp_buf_tag env[1], int value);

static jmp_buf env;
static sigjmp_buf senv;
static int deepest;

static int descend(int depth, int limit)
{
    volatile int here = depth * 3;
    if (depth == limit) {
        deepest = depth;
        longjmp(env, depth);
    }
    return descend(depth + 1, limit) + here;
}

static int compared;
static int compare_and_leave(const void *a, const void *b)
{
    int x = *(const int *)a, y = *(const int *)b;
    if (++compared == 5)
        longjmp(env, 77);
    return (x > y) - (x < y);
}

static int blocked(int sig)
{
    sigset_t now;
    sigprocmask(SIG_BLOCK, NULL, &now);
    return sigismember(&now, sig);
}

int main(void)
{
    volatile int kept = 11;
    volatile int round = 0;
    int marker;
    int *before = &marker;
    int r;

    /* From depth 1000. */
    r = setjmp(env);
    if (r == 0) {
        kept = 12;
        descend(1, 1000);
        printf("not reached\n");
    }
    printf("deep: r=%d deepest=%d kept=%d same-frame=%d\n", r, deepest, kept,
           before == &marker);

    /* The value 0 arrives as 1, repeatedly into the same buffer. */
    r = _setjmp(env);
    round++;
    if (round < 4)
        _longjmp(env, 0);
    printf("zero: r=%d rounds=%d\n", r, round);

    /* Out of a comparator that the C library's qsort calls. */
    {
        static int values[64];
        int i;
        for (i = 0; i < 64; i++)
            values[i] = (i * 37) % 64;
        r = setjmp(env);
        if (r == 0)
            qsort(values, 64, sizeof values[0], compare_and_leave);
        printf("qsort: r=%d compared=%d kept=%d\n", r, compared, kept);
        /* The library still works after the jump. */
        compared = -1000000;
        qsort(values, 64, sizeof values[0], compare_and_leave);
        printf("sorted again: %d %d %d\n", values[0], values[31], values[63]);
    }

    /* sigsetjmp with a mask puts the old mask back; without, not. */
    {
        sigset_t usr1;
        sigemptyset(&usr1);
        sigaddset(&usr1, SIGUSR1);
        if (sigsetjmp(senv, 1) == 0) {
            sigprocmask(SIG_BLOCK, &usr1, NULL);
            printf("mask: blocked before jump=%d\n", blocked(SIGUSR1));
            siglongjmp(senv, 1);
        }
        printf("mask: blocked after saved jump=%d\n", blocked(SIGUSR1));
        if (sigsetjmp(senv, 0) == 0) {
            sigprocmask(SIG_BLOCK, &usr1, NULL);
            siglongjmp(senv, 1);
        }
        printf("mask: blocked after unsaved jump=%d\n", blocked(SIGUSR1));
        sigprocmask(SIG_UNBLOCK, &usr1, NULL);
        /* setjmp itself keeps the mask in the Linux C library. */
        if (setjmp(env) == 0) {
            sigprocmask(SIG_BLOCK, &usr1, NULL);
            longjmp(env, 1);
        }
        printf("mask: blocked after setjmp jump=%d\n", blocked(SIGUSR1));
    }
    /* The fortified jump up the stack lands as longjmp does. */
    r = setjmp(env);
    if (r == 0)
        __longjmp_chk(env, 5);
    printf("checked jump: r=%d\n", r);
    printf("sizeof jmp_buf=%u sigjmp_buf=%u\n", (unsigned)sizeof(jmp_buf),
           (unsigned)sizeof(sigjmp_buf));
    return 0;
}
