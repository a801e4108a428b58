/* jumps: a million setjmp/longjmp pairs, each jump out of a called
   function, the way interpreters recover from errors. */
#include <setjmp.h>
#include <stdio.h>

enum { ROUNDS = 1000000 };

static jmp_buf env;
static volatile int depth;

static void fail(int code)
{
    depth++;
    longjmp(env, code);
}

int main(void)
{
    volatile unsigned sum = 0;
    volatile int i;
    for (i = 0; i < ROUNDS; i++) {
        int r = setjmp(env);
        if (r == 0)
            fail(i & 7);
        sum += (unsigned)r;
    }
    printf("jumps %d: %u %d\n", ROUNDS, sum, depth);
    return 0;
}
