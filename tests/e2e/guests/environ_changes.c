/* The environment objects and every way of changing the environment, from
   a cleared start so that the native run and the loader's print the same:
   what `environ` shows after each step, what getenv finds, the refusals. */
#define _GNU_SOURCE
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

extern char **_environ;
extern char *__progname, *__progname_full;

static void show(const char *step)
{
    char **p;
    printf("%-24s", step);
    if (environ == NULL) {
        printf(" (null)\n");
        return;
    }
    for (p = environ; *p; p++) printf(" [%s]", *p);
    printf("\n");
}

static void lookup(const char *name)
{
    const char *value = getenv(name);
    printf("getenv(%s)=%s%s%s\n", name, value ? "'" : "", value ? value : "null",
           value ? "'" : "");
}

static void refused(const char *what, int result)
{
    printf("%s = %d errno=%s\n", what, result, result ? (errno == EINVAL ? "EINVAL" : "other") : "-");
    errno = 0;
}

int main(int argc, char **argv, char **envp)
{
    static char own[] = "OWN=first";
    static char other[] = "OWN=second";
    static char noeq[] = "B";
    static char *mine[] = {"X=1", "Y=2", NULL};
    char **start = environ;
    (void)argc;

    printf("environ is main's envp: %d\n", environ == envp);
    printf("aliases agree: %d %d\n", __environ == environ, _environ == environ);
    printf("short name: %s %s\n", program_invocation_short_name, __progname);
    printf("full name is argv[0]: %d %d\n", program_invocation_name == argv[0],
           __progname_full == argv[0]);

    printf("clearenv = %d\n", clearenv());
    show("cleared");
    printf("main's envp kept: %d\n", envp == start && envp[0] != NULL);
    lookup("A");
    printf("setenv = %d\n", setenv("A", "1", 1));
    show("A=1");
    setenv("B", "two", 0);
    setenv("A", "ignored", 0);
    show("B added, A kept");
    setenv("A", "3", 1);
    show("A replaced");
    setenv("C", "", 1);
    show("C empty");
    lookup("A"); lookup("B"); lookup("C"); lookup("AB"); lookup(""); lookup("A=3");
    printf("putenv = %d\n", putenv(own));
    show("putenv own");
    own[4] = 'F';
    lookup("OWN");
    putenv(other);
    show("putenv replaces");
    printf("putenv without = removes: %d\n", putenv(noeq));
    show("B removed");
    printf("unsetenv = %d\n", unsetenv("A"));
    printf("unsetenv absent = %d\n", unsetenv("NOTHERE"));
    show("A removed");
    refused("setenv(\"\")", setenv("", "v", 1));
    refused("setenv(\"D=E\")", setenv("D=E", "v", 1));
    refused("setenv(NULL)", setenv(NULL, "v", 1));
    refused("unsetenv(\"\")", unsetenv(""));
    refused("unsetenv(\"A=B\")", unsetenv("A=B"));
    refused("unsetenv(NULL)", unsetenv(NULL));
    show("after refusals");
    {
        char name[8];
        int i;
        for (i = 0; i < 40; i++) {
            snprintf(name, sizeof name, "V%02d", i);
            setenv(name, name + 1, 1);
        }
        for (i = 0; i < 40; i += 2) {
            snprintf(name, sizeof name, "V%02d", i);
            unsetenv(name);
        }
        show("grown and thinned");
        lookup("V39"); lookup("V38");
    }
    environ = mine;
    show("guest's own array");
    lookup("Y");
    setenv("Z", "3", 1);
    show("added to a copy");
    printf("own array untouched: %s %s %s\n", mine[0], mine[1], mine[2] ? "more" : "end");
    unsetenv("X");
    show("X removed");
    lookup("X"); lookup("Z");
    printf("secure_getenv(Z)=%s\n", secure_getenv("Z"));
    {
        static char unnamed[] = "=x", alone[] = "Z";
        clearenv();
        printf("unsetenv with no environment = %d\n", unsetenv("Z"));
        printf("putenv without = and no environment = %d\n", putenv(alone));
        show("still none");
        printf("putenv =x = %d\n", putenv(unnamed));
        show("empty name");
    }
    return 0;
}
