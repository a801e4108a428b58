/* What a program reads of itself in /proc: the mappings its stack, data
 * and code lie in, and the path of its own file. */
#include <limits.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

static int global = 42;

/* The permissions of the mapping holding `p`, and whether it is named
 * [stack]; "none" when no line holds it. */
static const char* find(FILE* maps, const void* p, int* stack) {
  static char perms[8];
  char line[512];
  unsigned long a = (unsigned long)p;
  rewind(maps);
  while (fgets(line, sizeof line, maps)) {
    unsigned long lo, hi;
    if (sscanf(line, "%lx-%lx %4s", &lo, &hi, perms) == 3 && a >= lo && a < hi) {
      *stack = strstr(line, "[stack]") != NULL;
      return perms;
    }
  }
  return "none";
}

int main(int argc, char** argv) {
  (void)argc;
  int local = 1, stack = 0;
  FILE* maps = fopen("/proc/self/maps", "r");
  printf("maps %s\n", maps ? "opened" : "missing");
  if (!maps) return 1;
  const char* perms = find(maps, &local, &stack);
  printf("local: readable %d writable %d stack %d\n", perms[0] == 'r', perms[1] == 'w', stack);
  perms = find(maps, &global, &stack);
  printf("global: writable %d stack %d\n", perms[1] == 'w', stack);
  perms = find(maps, (void*)main, &stack);
  printf("code: executable %d\n", perms[2] == 'x');
  fclose(maps);
  char self[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  self[n > 0 ? n : 0] = 0;
  const char* mine = strrchr(self, '/');
  const char* given = strrchr(argv[0], '/');
  printf("exe: absolute %d same name %d\n", self[0] == '/',
         mine && given && strcmp(mine, given) == 0);
  return global == 42 ? 0 : 1;
}
