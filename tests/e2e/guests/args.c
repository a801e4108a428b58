/* What a guest sees of its start: argc, argv, the environment. */
#include <stdio.h>
#include <string.h>

int main(int argc, char **argv, char **envp)
{
    int i;
    printf("argc=%d\n", argc);
    for (i = 0; i < argc; i++)
        printf("argv[%d]=%s (%u)\n", i, argv[i], (unsigned)strlen(argv[i]));
    if (argv[argc] != NULL)
        printf("argv not terminated\n");
    for (i = 0; envp[i] != NULL; i++)
        printf("envp[%d]=%s\n", i, envp[i]);
    /* Argument texts are the guest's own and writable. */
    if (argc > 1 && argv[1][0] != 0) {
        argv[1][0] = '#';
        printf("rewritten=%s\n", argv[1]);
    }
    return 0;
}
