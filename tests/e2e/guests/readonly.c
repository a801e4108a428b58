/* The environment's text is the loader's constant: writing into it faults
   as writing into any read-only string would. */
#include <stdio.h>

int main(int argc, char **argv, char **envp)
{
    (void)argc; (void)argv;
    printf("env=%s\n", envp[0]);
    fflush(stdout);
    envp[0][0] = 'X';
    printf("not reached\n");
    return 0;
}
