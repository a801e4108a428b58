/* The loader's fixed start entry: in the environment, yet unseen by getenv
   until the guest sets the name itself. */
#define _GNU_SOURCE
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

static void show(void)
{
    char **p;
    for (p = environ; *p; p++) printf(" [%s]", *p);
    printf("\n");
}

int main(void)
{
    const char *value;
    printf("start:");
    show();
    printf("getenv(_)=%s\n", getenv("_") ? getenv("_") : "null");
    printf("setenv keep = %d\n", setenv("_", "mine", 0));
    value = getenv("_");
    printf("getenv(_)=%s\nnow:", value ? value : "null");
    show();
    printf("unsetenv = %d\nend:", unsetenv("_"));
    show();
    return 0;
}
