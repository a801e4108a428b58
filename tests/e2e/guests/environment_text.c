/* The environment's text is the program's own, as on Linux: awk
   implementations cut each entry at its '=' in place while they read it. */
#include <stdio.h>
#include <string.h>

int main(int argc, char **argv, char **envp)
{
    char *eq = strchr(envp[0], '=');
    (void)argc; (void)argv;
    printf("env=%s\n", envp[0]);
    *eq = '\0';
    printf("name=%s\n", envp[0]);
    *eq = '=';
    printf("env=%s\n", envp[0]);
    return 0;
}
