/* What the standard descriptors are, as the run was started: their kind,
 * whether a terminal, whether they seek, and a first read. */
#include <errno.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

int main(void) {
  char line[256];
  for (int fd = 0; fd <= 2; ++fd) {
    struct stat st;
    const char* kind = "?";
    if (fstat(fd, &st) != 0) kind = strerror(errno);
    else if (S_ISCHR(st.st_mode)) kind = "chr";
    else if (S_ISFIFO(st.st_mode)) kind = "fifo";
    else if (S_ISREG(st.st_mode)) kind = "reg";
    errno = 0;
    off_t at = lseek(fd, 0, SEEK_CUR);
    snprintf(line, sizeof line, "fd %d: %s tty %d seek %s\n", fd, kind, isatty(fd),
             at < 0 ? strerror(errno) : "ok");
    fputs(line, stderr);  /* stdout may be the one asked about */
    write(1, line, strlen(line));
  }
  char buf[8] = {0};
  ssize_t n = read(0, buf, 5);
  printf("read %zd [%s]\n", n, buf);
  return 0;
}
