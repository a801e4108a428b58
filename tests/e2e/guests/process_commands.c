/* Commands a guest starts are Linux children of the guest: one whose own
   code makes raw system calls where a guest's code lies runs, pipes work
   both ways, and the command starts in the guest's current directory. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <unistd.h>

static void show(const char *what, int status)
{
    if (WIFEXITED(status))
        printf("%s: exit %d\n", what, WEXITSTATUS(status));
    else
        printf("%s: signal %d\n", what, WTERMSIG(status));
}

int main(int argc, char **argv)
{
    static const char text[] = "child: a raw write\n";
    char command[4096], line[64];
    FILE *pipe;
    int r;

    if (argc > 1) {
        __asm__ volatile("int $0x80" : "=a"(r)
                         : "a"(4), "b"(1), "c"(text), "d"(sizeof text - 1)
                         : "memory");
        return 3;
    }
    snprintf(command, sizeof command, "%s child", argv[0]);
    fflush(stdout);
    show("system", system(command));
    pipe = popen(command, "r");
    if (pipe != NULL && fgets(line, sizeof line, pipe) != NULL)
        printf("read from it: %s", line);
    show("pclose", pclose(pipe));
    fflush(stdout);
    pipe = popen("tr a-z A-Z", "w");
    fputs("written to a command\n", pipe);
    show("pclose", pclose(pipe));
    if (chdir("/") == 0) {
        fflush(stdout);
        show("pwd", system("pwd"));
    }
    return 0;
}
