/* Writes to a pipe whose reader has gone, in every style a program writes:
   argv[1] says what SIGPIPE does ("ignore", "handler", "default"), argv[2]
   (with "default") the one style to try, since the first failing write
   ends the run. The pipe is the program's own, so nothing depends on when
   another process reads or stops. */
#include <errno.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static volatile sig_atomic_t caught;

static void OnPipe(int number) {
  (void)number;
  ++caught;
}

/* The write end of a pipe with no reader. */
static int Broken(void) {
  int ends[2];
  if (pipe(ends) != 0) {
    perror("pipe");
    exit(2);
  }
  close(ends[0]);
  return ends[1];
}

static void Report(const char* style, long first, long second) {
  const int e = errno;
  printf("%-8s %ld %ld errno=%s signals=%d\n", style, first, second,
         e == EPIPE ? "EPIPE" : strerror(e), (int)caught);
  fflush(stdout);
  caught = 0;
}

/* Standard output onto the broken pipe for `run`, then back. */
static long saved = -1;
static void ToPipe(int fd) {
  fflush(stdout);
  saved = dup(1);
  dup2(fd, 1);
  close(fd);
}
static void Back(void) {
  dup2((int)saved, 1);
  close((int)saved);
}

static void Try(const char* style) {
  const int fd = Broken();
  long first = 0, second = 0;
  errno = 0;
  if (strcmp(style, "write") == 0) {
    first = write(fd, "abc", 3);
    close(fd);
  } else if (strcmp(style, "dprintf") == 0) {
    first = dprintf(fd, "%s", "abc");
    close(fd);
  } else if (strcmp(style, "printf") == 0 || strcmp(style, "puts") == 0 ||
             strcmp(style, "flushall") == 0) {
    ToPipe(fd);
    first = style[0] == 'p' && style[1] == 'u' ? puts("abc") : printf("abc");
    second = fflush(style[0] == 'f' ? NULL : stdout);
    const int e = errno;
    Back();
    errno = e;
  } else {
    FILE* f = fdopen(fd, "w");
    if (strcmp(style, "fwrite") == 0) first = (long)fwrite("abc", 1, 3, f);
    if (strcmp(style, "fputs") == 0) first = fputs("abc", f);
    if (strcmp(style, "fprintf") == 0) first = fprintf(f, "%d", 42);
    if (strcmp(style, "putc") == 0) first = putc('a', f);
    if (strcmp(style, "fputc") == 0) first = fputc('a', f);
    second = fflush(f);
    /* Nothing is left to write: the close signals nothing more. */
    const int e = errno;
    fclose(f);
    errno = e;
  }
  Report(style, first, second);
}

static const char* const kStyles[] = {"write",   "dprintf", "fwrite", "fputs",
                                      "fprintf", "putc",    "fputc",  "printf",
                                      "puts",    "flushall"};

int main(int argc, char** argv) {
  const char* mode = argc > 1 ? argv[1] : "ignore";
  if (strcmp(mode, "ignore") == 0) signal(SIGPIPE, SIG_IGN);
  if (strcmp(mode, "handler") == 0) signal(SIGPIPE, OnPipe);
  if (strcmp(mode, "yes") == 0) {
    /* What `yes | head -3c` does, in one process: the reader takes a few
       bytes and goes, the writer goes on until SIGPIPE ends it. */
    int ends[2];
    if (pipe(ends) != 0) return 2;
    ToPipe(ends[1]);
    for (int i = 0; i < 3; ++i) puts("y");
    fflush(stdout);
    char taken[64];
    const long n = read(ends[0], taken, sizeof taken);
    close(ends[0]);
    dprintf((int)saved, "read %ld\n", n);
    for (;;) puts("y");
  }
  if (strcmp(mode, "default") == 0) {
    printf("before\n");
    fflush(stdout);
    if (argc > 2 && strcmp(argv[2], "exit") == 0) {
      /* Left in the buffer: the flush at exit is the failing write. */
      ToPipe(Broken());
      printf("abc\n");
      return 0;
    }
    Try(argc > 2 ? argv[2] : "write");
    printf("not reached\n");
    return 1;
  }
  for (size_t i = 0; i < sizeof kStyles / sizeof kStyles[0]; ++i) Try(kStyles[i]);
  /* The exit's flush fails too; with SIGPIPE not ending the run, the status
     is main's. */
  ToPipe(Broken());
  printf("left for the exit\n");
  return 0;
}
