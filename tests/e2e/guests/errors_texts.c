/* Every error number's text and name, both forms of strerror_r, the
   signal texts and names; with an argument, psignal's and perror's lines
   on standard error. */
#define _GNU_SOURCE
#include <errno.h>
#include <signal.h>
#include <stdio.h>
#include <string.h>

int __xpg_strerror_r(int errnum, char *buf, size_t size);

static void gnu_form(int errnum, size_t size)
{
    char buf[64];
    char *text;
    memset(buf, '#', sizeof buf);
    buf[sizeof buf - 1] = 0;
    errno = 0;
    text = strerror_r(errnum, buf, size);
    printf("strerror_r(%d, %u) = '%s' %s errno=%d\n", errnum, (unsigned)size, text,
           text == buf ? "in buffer" : "own text", errno);
}

static void posix_form(int errnum, size_t size)
{
    char buf[64];
    int result;
    memset(buf, '#', sizeof buf);
    buf[sizeof buf - 1] = 0;
    errno = 0;
    result = __xpg_strerror_r(errnum, buf, size);
    printf("__xpg_strerror_r(%d, %u) = %d '%s' errno=%d\n", errnum, (unsigned)size,
           result, buf, errno);
}

int main(int argc, char **argv)
{
    int i;
    (void)argv;
    if (argc > 1) {
        psignal(SIGINT, "prefix");
        psignal(SIGSEGV, "");
        psignal(SIGTERM, NULL);
        psignal(35, "rt");
        psignal(0, "zero");
        psignal(99, NULL);
        errno = ENOENT;
        perror("pfx");
        errno = EILSEQ;
        perror("");
        errno = 9999;
        perror(NULL);
        printf("errno kept: %d\n", errno);
        return 0;
    }
    for (i = -3; i <= 140; i++) {
        const char *name = strerrorname_np(i), *text = strerrordesc_np(i);
        printf("%d: %s [%s] [%s]\n", i, strerror(i), name ? name : "-", text ? text : "-");
    }
    printf("%d: %s\n", 100000, strerror(100000));
    printf("%d: %s\n", -2147483647 - 1, strerror(-2147483647 - 1));
    gnu_form(ENOENT, 64); gnu_form(ENOENT, 4); gnu_form(41, 64);
    gnu_form(9999, 64); gnu_form(9999, 8); gnu_form(-1, 64); gnu_form(0, 1);
    posix_form(ENOENT, 64); posix_form(ENOENT, 26); posix_form(ENOENT, 25);
    posix_form(ENOENT, 4); posix_form(ENOENT, 1); posix_form(0, 64);
    posix_form(58, 64); posix_form(134, 64); posix_form(9999, 8); posix_form(-7, 64);
    {
        char small[4] = "xyz";
        errno = 0;
        printf("__xpg_strerror_r(2, 0) = %d '%s' errno=%d\n",
               __xpg_strerror_r(ENOENT, small, 0), small, errno);
    }
    for (i = -1; i <= 66; i++) {
        const char *name = sigabbrev_np(i), *text = sigdescr_np(i);
        printf("signal %d: %s [%s] [%s]\n", i, strsignal(i), name ? name : "-",
               text ? text : "-");
    }
    printf("signal %d: %s\n", 1000, strsignal(1000));
    return 0;
}
