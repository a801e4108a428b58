/* File-tree walks with fts over a small tree the program makes in a
   directory of its own (argv[1], a mkdtemp pattern): logical and physical,
   sorted by name, one directory skipped, children listed, pre- and
   postorder. Built plain, with _FILE_OFFSET_BITS=64 and with _TIME_BITS=64
   so that each of glibc's three forms is used. argv[2] "links" adds
   symbolic links (a host that cannot make them prints what it could). */
#include <errno.h>
#include <fcntl.h>
#include <fts.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

static int by_name(const FTSENT **a, const FTSENT **b) {
  return strcmp((*a)->fts_name, (*b)->fts_name);
}
static int by_name_reversed(const FTSENT **a, const FTSENT **b) {
  return -strcmp((*a)->fts_name, (*b)->fts_name);
}

static const char *info_name(int info) {
  static const char *names[] = {"?", "D", "DC", "DEFAULT", "DNR", "DOT", "DP", "ERR",
                                "F", "INIT", "NS", "NSOK", "SL", "SLNONE", "W"};
  return info >= 1 && info <= 14 ? names[info] : "?";
}

static void make_file(const char *path, int size) {
  int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
  for (int i = 0; i < size; ++i) write(fd, "x", 1);
  close(fd);
}

static void show(const FTSENT *p, int with_stat, int with_accpath) {
  printf("  %d %-6s %s name=%s len=%d/%d", p->fts_level, info_name(p->fts_info),
         p->fts_path, p->fts_name, (int)p->fts_pathlen, (int)p->fts_namelen);
  if (with_accpath) printf(" acc=%s", p->fts_accpath);
  if (with_stat && (p->fts_info == FTS_F || p->fts_info == FTS_SLNONE))
    printf(" size=%ld", (long)p->fts_statp->st_size);
  if (with_stat && p->fts_info == FTS_SL) printf(" link");
  if (p->fts_info == FTS_NS || p->fts_info == FTS_DNR || p->fts_info == FTS_ERR)
    printf(" errno=%d", p->fts_errno);
  if (p->fts_number != 0) printf(" number=%ld", (long)p->fts_number);
  printf("\n");
}

static void walk(const char *title, char *const *roots, int options,
                 int (*compar)(const FTSENT **, const FTSENT **), const char *skip) {
  printf("%s\n", title);
  FTS *fts = fts_open(roots, options, compar);
  if (fts == NULL) { printf("  fts_open failed %d\n", errno); return; }
  FTSENT *p;
  int accpath = (options & (FTS_NOCHDIR | FTS_LOGICAL)) != 0;
  while ((p = fts_read(fts)) != NULL) {
    show(p, !(options & FTS_NOSTAT), accpath);
    if (p->fts_info == FTS_D) {
      p->fts_number = p->fts_level + 100;
      if (skip != NULL && strcmp(p->fts_name, skip) == 0) fts_set(fts, p, FTS_SKIP);
    }
  }
  printf("  end errno %d\n", errno);
  printf("  close %d\n", fts_close(fts));
}

int main(int argc, char **argv) {
  char dir[256];
  snprintf(dir, sizeof dir, "%s", argc > 1 ? argv[1] : "ftsXXXXXX");
  int links = argc > 2 && strcmp(argv[2], "links") == 0;
  if (mkdtemp(dir) == NULL) { printf("mkdtemp failed %d\n", errno); return 1; }
  if (chdir(dir) != 0) { printf("chdir failed %d\n", errno); return 1; }
  printf("sizes %u %u\n", (unsigned)sizeof(FTSENT), (unsigned)sizeof(ino_t));
  mkdir("tree", 0755);
  mkdir("tree/a", 0755);
  mkdir("tree/a/deep", 0755);
  mkdir("tree/b", 0755);
  mkdir("tree/empty", 0755);
  mkdir("tree/skip", 0755);
  make_file("tree/one.txt", 3);
  make_file("tree/a/two.txt", 5);
  make_file("tree/a/deep/three.txt", 7);
  make_file("tree/b/four", 11);
  make_file("tree/skip/hidden", 13);
  make_file("other", 2);
  if (links) {
    int a = symlink("a", "tree/link_dir");
    int b = symlink("missing", "tree/link_none");
    int c = symlink("one.txt", "tree/link_file");
    printf("symlinks %d %d %d\n", a, b, c);
  }

  char *tree[] = {"tree", NULL};
  char *two[] = {"tree/b", "other", "tree/a/", NULL};
  char *bad[] = {"nothing", "tree/empty", NULL};
  char *empty[] = {"", NULL};
  /* Without a comparator a directory's entries come in the host's order:
     these roots hold one entry at most. */
  char *given[] = {"tree/b", "other", "tree/empty", NULL};

  walk("physical", tree, FTS_PHYSICAL, by_name, "skip");
  walk("physical nochdir", tree, FTS_PHYSICAL | FTS_NOCHDIR, by_name, NULL);
  walk("logical", tree, FTS_LOGICAL, by_name, "skip");
  walk("logical seedot", two, FTS_LOGICAL | FTS_SEEDOT, by_name, NULL);
  walk("physical nostat reversed", tree, FTS_PHYSICAL | FTS_NOSTAT | FTS_NOCHDIR,
       by_name_reversed, "a");
  walk("physical xdev comfollow", bad, FTS_PHYSICAL | FTS_XDEV | FTS_COMFOLLOW | FTS_NOCHDIR,
       by_name, NULL);
  walk("roots in order", given, FTS_PHYSICAL | FTS_NOCHDIR, NULL, NULL);

  /* fts_children: the roots before the first read, a directory's entries
     after its preorder visit. */
  printf("children\n");
  FTS *fts = fts_open(tree, FTS_PHYSICAL | FTS_NOCHDIR, by_name);
  for (FTSENT *c = fts_children(fts, 0); c != NULL; c = c->fts_link)
    printf("  root %s %s\n", c->fts_name, info_name(c->fts_info));
  FTSENT *p = fts_read(fts);
  show(p, 1, 1);
  for (FTSENT *c = fts_children(fts, 0); c != NULL; c = c->fts_link)
    printf("  child %d %s %s\n", c->fts_level, c->fts_name, info_name(c->fts_info));
  for (FTSENT *c = fts_children(fts, FTS_NAMEONLY); c != NULL; c = c->fts_link)
    printf("  name %s %s\n", c->fts_name, info_name(c->fts_info));
  while ((p = fts_read(fts)) != NULL && p->fts_level <= 1) {
    show(p, 1, 1);
    if (p->fts_info == FTS_D) fts_set(fts, p, FTS_SKIP);
    if (p->fts_info == FTS_F && strcmp(p->fts_name, "one.txt") == 0) {
      printf("  again %d\n", fts_set(fts, p, FTS_AGAIN));
      p = fts_read(fts);
      show(p, 1, 1);
    }
  }
  errno = 0;
  int rc = fts_set(fts, p, 99);
  printf("  bad instr %d errno %d\n", rc, errno);
  errno = 0;
  FTSENT *none = fts_children(fts, 99);
  printf("  bad children %p errno %d\n", (void *)none, errno);
  printf("  close %d\n", fts_close(fts));

  errno = 0;
  fts = fts_open(empty, FTS_PHYSICAL, NULL);
  printf("empty root %p errno %d\n", (void *)fts, errno);
  errno = 0;
  fts = fts_open(tree, 0x1000, NULL);
  printf("bad options %p errno %d\n", (void *)fts, errno);

  if (links) {
    unlink("tree/link_dir");
    unlink("tree/link_none");
    unlink("tree/link_file");
  }
  unlink("tree/skip/hidden");
  unlink("tree/b/four");
  unlink("tree/a/deep/three.txt");
  unlink("tree/a/two.txt");
  unlink("tree/one.txt");
  unlink("other");
  rmdir("tree/skip");
  rmdir("tree/empty");
  rmdir("tree/b");
  rmdir("tree/a/deep");
  rmdir("tree/a");
  rmdir("tree");
  chdir("..");
  const char *slash = strrchr(dir, '/');
  printf("cleaned %d\n", rmdir(slash ? slash + 1 : dir));
  return 0;
}
