/* Writes lines with write(2) until standard output fails: a reader that
   goes away early ends the run by SIGPIPE (status 141), or, with "handle"
   or "ignore", the write fails with EPIPE and the guest says so on
   standard error. The harness cannot close a guest's reader early, so
   this one is run by hand, on both ports and natively:
     tumbex signals_pipe | head -1; echo ${PIPESTATUS[0]}    (141)
   (the unit tests SignalsLinux / SignalsWin32 cover the same path). */
#include <errno.h>
#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

static void handler(int sig)
{
    static const char text[] = "guest: SIGPIPE handled\n";
    write(2, text, sizeof text - 1);
}

int main(int argc, char **argv)
{
    static const char line[] = "a line of output\n";
    long i;
    if (argc > 1 && strcmp(argv[1], "handle") == 0)
        signal(SIGPIPE, handler);
    if (argc > 1 && strcmp(argv[1], "ignore") == 0)
        signal(SIGPIPE, SIG_IGN);
    for (i = 0; i < 10000000; i++) {
        if (write(1, line, sizeof line - 1) < 0) {
            fprintf(stderr, "guest: write failed, EPIPE=%d\n", errno == EPIPE);
            return 3;
        }
    }
    return 0;
}
