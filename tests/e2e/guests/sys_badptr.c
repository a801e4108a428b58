/* A bad pointer handed to a system call faults inside the loader's handler;
   the run ends with the report, not with an error code. */
#include "sys_raw.h"

int main(void)
{
    say("before\n");
    sys3(SYS_write, 1, 16, 4);
    say("not reached\n");
    return 0;
}
