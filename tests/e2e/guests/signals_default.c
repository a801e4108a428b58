/* What a signal left at its default (or ignored) does to the run: the
   argument names the case. Output is flushed before the signal, since a
   process ended by a signal leaves its stdio buffers unwritten. */
#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

static void handler(int sig)
{
    printf("handled %d\n", sig);
}

int main(int argc, char **argv)
{
    const char *what = argc > 1 ? argv[1] : "";
    printf("case %s\n", what);
    fflush(stdout);
    if (strcmp(what, "term") == 0) {
        raise(SIGTERM);
    } else if (strcmp(what, "kill-usr1") == 0) {
        kill(getpid(), SIGUSR1);
    } else if (strcmp(what, "ignored") == 0) {
        signal(SIGTERM, SIG_IGN);
        raise(SIGTERM);
        signal(SIGPIPE, SIG_IGN);
        raise(SIGPIPE);
    } else if (strcmp(what, "default-ignored") == 0) {
        raise(SIGCHLD);
        raise(SIGURG);
        raise(SIGWINCH);
        raise(SIGCONT);
    } else if (strcmp(what, "resethand") == 0) {
        struct sigaction sa;
        memset(&sa, 0, sizeof sa);
        sa.sa_handler = handler;
        sa.sa_flags = SA_RESETHAND;
        sigaction(SIGUSR2, &sa, NULL);
        raise(SIGUSR2);
        fflush(stdout);
        raise(SIGUSR2);
    } else if (strcmp(what, "unblocked") == 0) {
        sigset_t set;
        sigemptyset(&set);
        sigaddset(&set, SIGHUP);
        sigprocmask(SIG_BLOCK, &set, NULL);
        raise(SIGHUP);
        printf("still running while blocked\n");
        fflush(stdout);
        sigprocmask(SIG_UNBLOCK, &set, NULL);
    } else if (strcmp(what, "abrt") == 0) {
        raise(SIGABRT);
    } else if (strcmp(what, "pipe") == 0) {
        raise(SIGPIPE);
    }
    printf("survived\n");
    return 0;
}
