/* What a command started with system or popen inherits of the program's
   signals: the ignored ones stay ignored, a caught one and SIGPIPE (which
   the program left alone) are at their defaults. The commands read their
   own state from /proc, so this runs on Linux only. */
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>

static void handler(int sig) { (void)sig; }

static void status_through_popen(const char *when)
{
    char line[256];
    FILE *p = popen("grep -E '^Sig(Ign|Blk)' /proc/self/status", "r");
    while (p != NULL && fgets(line, sizeof line, p) != NULL)
        printf("%s popen: %s", when, line);
    printf("%s pclose=%d\n", when, p != NULL ? pclose(p) : -2);
}

static void status_through_system(const char *when)
{
    printf("%s system:\n", when);
    fflush(stdout);
    printf("%s system=%d\n", when, system("grep -E '^Sig(Ign|Blk)' /proc/self/status"));
}

int main(void)
{
    sigset_t set;

    /* A writer whose reader has gone dies quietly of SIGPIPE, as under a
       Linux shell: no "Broken pipe" complaint on the way. Only that
       complaint is shown (head's line would race with it). */
    fflush(stdout);
    printf("yes|head=%d\n", system("(yes | head -n 1 >/dev/null) 2>&1"));
    status_through_popen("start");
    status_through_system("start");

    signal(SIGHUP, SIG_IGN);
    signal(SIGPIPE, SIG_IGN);
    signal(SIGUSR1, handler);
    sigemptyset(&set);
    sigaddset(&set, SIGUSR2);
    sigprocmask(SIG_BLOCK, &set, NULL);
    status_through_popen("changed");
    status_through_system("changed");

    signal(SIGHUP, SIG_DFL);
    fflush(stdout);
    printf("yes|head ignoring SIGPIPE=%d\n", system("(yes | head -n 1 >/dev/null) 2>&1"));
    status_through_popen("restored");
    return 0;
}
