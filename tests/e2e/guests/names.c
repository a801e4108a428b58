/* Names as Linux programs use them: UTF-8 file names created, listed,
 * renamed, read back and removed; a path far past 260 characters; the
 * devices and /tmp. argv[1]: a mkdtemp template for the work directory. */
#define _GNU_SOURCE
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

static int cmp(const void* a, const void* b) { return strcmp(*(char* const*)a, *(char* const*)b); }

static void list(const char* what) {
  DIR* d = opendir(".");
  char* names[32];
  int n = 0;
  for (struct dirent* e; (e = readdir(d)) != NULL && n < 32;)
    if (e->d_name[0] != '.') names[n++] = strdup(e->d_name);
  closedir(d);
  qsort(names, n, sizeof *names, cmp);
  printf("%s:", what);
  for (int i = 0; i < n; ++i) printf(" [%s]", names[i]), free(names[i]);
  printf("\n");
}

static void put(const char* name, const char* text) {
  int fd = open(name, O_WRONLY | O_CREAT | O_TRUNC, 0644);
  printf("create %s: %s\n", name, fd >= 0 ? "ok" : strerror(errno));
  write(fd, text, strlen(text));
  close(fd);
}

int main(int argc, char** argv) {
  if (argc < 2 || mkdtemp(argv[1]) == NULL || chdir(argv[1]) != 0) return 1;

  const char* japanese = "\xe6\x97\xa5\xe6\x9c\xac-\xc3\xa9.txt";
  const char* omega = "\xce\xa9mega \xe2\x9c\x93.txt";
  put(japanese, "unicode");
  mkdir("d\xc3\xa9j\xc3\xa0", 0755);
  list("listed");
  printf("rename %d\n", rename(japanese, omega));
  struct stat st;
  int old = stat(japanese, &st);
  int now = stat(omega, &st);
  printf("stat old %d new %d size %lld\n", old, now, (long long)st.st_size);
  char buf[64] = {0};
  FILE* f = fopen(omega, "r");
  printf("read [%s]\n", f && fgets(buf, sizeof buf, f) ? buf : "?");
  if (f) fclose(f);
  list("renamed");
  char cwd[PATH_MAX];
  getcwd(cwd, sizeof cwd);
  chdir("d\xc3\xa9j\xc3\xa0");
  char inner[PATH_MAX];
  getcwd(inner, sizeof inner);
  printf("getcwd inside: +%s\n", inner + strlen(cwd));
  chdir("..");
  printf("unlink %d rmdir %d\n", unlink(omega), rmdir("d\xc3\xa9j\xc3\xa0"));

  /* Six levels of 60 characters: every call on the way is past 260. */
  char path[1024] = ".";
  char level[61];
  memset(level, 'L', 60);
  level[60] = 0;
  int made = 0;
  for (int i = 0; i < 6; ++i) {
    strcat(path, "/");
    strcat(path, level);
    level[0] = (char)('a' + i);
    made += mkdir(path, 0755) == 0;
  }
  strcat(path, "/deep.txt");
  printf("long path %zu made %d\n", strlen(path), made);
  put(path, "deep");
  now = stat(path, &st);
  printf("stat %d size %lld access %d\n", now, (long long)st.st_size, access(path, R_OK));
  char real[PATH_MAX] = "";
  const char* found = realpath(path, real) ? "ok" : strerror(errno);
  printf("realpath %s length past cwd %zu\n", found, strlen(real) - strlen(cwd));
  printf("unlink %d\n", unlink(path));
  for (int i = 0; i < 6; ++i) {
    *strrchr(path, '/') = 0;
    if (rmdir(path) != 0) printf("rmdir %s: %s\n", path, strerror(errno));
  }
  list("left");

  printf("/dev/null chr %d", stat("/dev/null", &st) == 0 && S_ISCHR(st.st_mode));
  int fd = open("/dev/null", O_RDWR);
  ssize_t wrote = write(fd, "abc", 3);
  printf(" write %zd read %zd\n", wrote, read(fd, buf, sizeof buf));
  close(fd);
  char temp[] = "/tmp/tbxnamesXXXXXX";
  fd = mkstemp(temp);
  printf("/tmp mkstemp %s", fd >= 0 ? "ok" : strerror(errno));
  printf(" write %zd", write(fd, "t", 1));
  int sized = fstat(fd, &st) == 0 && st.st_size == 1;
  printf(" stat %d unlink %d\n", sized, unlink(temp));
  close(fd);
  chdir("..");
  printf("rmdir work %d\n", rmdir(cwd));
  return 0;
}
