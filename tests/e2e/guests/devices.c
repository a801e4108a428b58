/* The devices a Linux program opens by name. */
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

int main(void) {
  const char* names[] = {"/dev/null", "/dev/zero", "/dev/full", "/dev/urandom"};
  for (int i = 0; i < 4; ++i) {
    struct stat st;
    int fd = open(names[i], O_RDWR);
    unsigned char buf[64];
    memset(buf, 7, sizeof buf);
    ssize_t got = read(fd, buf, sizeof buf);
    int zeros = 0;
    for (int k = 0; k < 64; ++k) zeros += buf[k] == 0;
    errno = 0;
    ssize_t put = write(fd, "abc", 3);
    const char* why = put < 0 ? strerror(errno) : "ok";
    int copy = dup(fd);
    ssize_t again = read(copy, buf, 8);
    printf("%s: chr %d read %zd%s write %zd %s dup read %zd\n", names[i],
           stat(names[i], &st) == 0 && S_ISCHR(st.st_mode), got,
           i == 3 ? (zeros < 32 ? " random" : " zeros?") : zeros == 64 ? " zeros" : "", put, why,
           again);
    close(fd);
    close(copy);
  }
  int out = open("/dev/stdout", O_WRONLY);
  printf("/dev/stdout %s\n", out >= 0 ? "opened" : strerror(errno));
  fflush(stdout);
  write(out, "through /dev/stdout\n", 20);
  close(out);
  return 0;
}
