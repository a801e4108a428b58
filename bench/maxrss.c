/* maxrss REPORT PROGRAM [ARG...]: runs the program with this process's
   standard streams, writes "<peak resident KiB>" to REPORT, and exits with
   the program's status. A Linux child inherits the peak of the memory it
   was spawned from, so the measuring process must be this small one and
   not the Python that drives the benchmark (its tens of MiB would swamp a
   hello). Built statically: its floor stays near half a MiB. */
#include <spawn.h>
#include <stdio.h>
#include <sys/resource.h>
#include <sys/wait.h>

extern char **environ;

int main(int argc, char **argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: maxrss REPORT PROGRAM [ARG...]\n");
        return 2;
    }
    pid_t pid;
    if (posix_spawnp(&pid, argv[2], NULL, NULL, argv + 2, environ) != 0) {
        perror(argv[2]);
        return 127;
    }
    int status;
    struct rusage usage;
    if (wait4(pid, &status, 0, &usage) < 0) {
        perror("wait4");
        return 126;
    }
    FILE *report = fopen(argv[1], "w");
    if (!report || fprintf(report, "%ld\n", usage.ru_maxrss) < 0 || fclose(report) != 0) {
        perror(argv[1]);
        return 126;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
