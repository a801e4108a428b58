/* Directories: listing, scandir, fnmatch, glob and tree walks over a tree
   the guest builds in a directory of its own. Listings are sorted by the
   guest before they are printed: hosts list in their own order. */
#define _GNU_SOURCE
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <ftw.h>
#include <glob.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

static char dir[256];
static size_t dirlen;
static char path[512];

static const char *at(const char *name)
{
    snprintf(path, sizeof path, "%s/%s", dir, name);
    return path;
}

static void make(const char *name)
{
    int fd = open(at(name), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    write(fd, name, strlen(name));
    close(fd);
}

/* Lines collected, then sorted and printed. */
static char *lines[64];
static int nlines;

static void add(const char *text)
{
    if (nlines < 64) lines[nlines++] = strcpy(malloc(strlen(text) + 1), text);
}

static void flush(const char *label)
{
    int i, j;
    for (i = 1; i < nlines; i++)
        for (j = i; j > 0 && strcmp(lines[j - 1], lines[j]) > 0; j--) {
            char *t = lines[j]; lines[j] = lines[j - 1]; lines[j - 1] = t;
        }
    printf("%s:", label);
    for (i = 0; i < nlines; i++) {
        printf(" %s", lines[i]);
        free(lines[i]);
    }
    printf("\n");
    nlines = 0;
}

static const char *relative(const char *p)
{
    if (strncmp(p, dir, dirlen) == 0) return p[dirlen] == '/' ? p + dirlen + 1 : p + dirlen;
    return p;
}

static int no_dots(const struct dirent *e) { return e->d_name[0] != '.'; }

static int by_length(const struct dirent **a, const struct dirent **b)
{
    int d = (int)strlen((*a)->d_name) - (int)strlen((*b)->d_name);
    return d != 0 ? d : strcmp((*a)->d_name, (*b)->d_name);
}

static void show_glob(const char *label, const char *pattern, int flags)
{
    glob_t g;
    char full[512];
    size_t i;
    int r;
    snprintf(full, sizeof full, "%s/%s", dir, pattern);
    r = glob(full, flags, NULL, &g);
    printf("glob %s %s: r=%d n=%d", label, pattern, r, r == 0 ? (int)g.gl_pathc : 0);
    if (r == 0)
        for (i = 0; i < g.gl_pathc; i++) printf(" %s", relative(g.gl_pathv[i]));
    printf("\n");
    if (r == 0) globfree(&g);
}

static char walk_names[64][64];
static int walk_count;

static int walker(const char *p, const struct stat *st, int flag, struct FTW *f)
{
    char line[256];
    snprintf(line, sizeof line, "%s:%d:%d:%s:%s", relative(p), flag, f->level,
             f->level == 0 ? "(root)" : p + f->base,
             S_ISDIR(st->st_mode) ? "d" : "f");
    add(line);
    if (walk_count < 64) snprintf(walk_names[walk_count++], 64, "%s", relative(p));
    return 0;
}

static int stopper(const char *p, const struct stat *st, int flag, struct FTW *f)
{
    (void)st; (void)flag; (void)f;
    return strstr(p, "deep") != NULL ? 42 : 0;
}

static int reachable;

/* With FTW_CHDIR each entry is reachable by its base name. */
static int in_place(const char *p, const struct stat *st, int flag, struct FTW *f)
{
    struct stat here;
    (void)flag;
    if (f->level > 0 && (lstat(p + f->base, &here) != 0 || here.st_ino != st->st_ino))
        reachable = 0;
    return 0;
}

static int classic(const char *p, const struct stat *st, int flag)
{
    char line[256];
    snprintf(line, sizeof line, "%s:%d:%ld", relative(p), flag,
             S_ISREG(st->st_mode) ? (long)st->st_size : -1L);
    add(line);
    return 0;
}

static int remover(const char *p, const struct stat *st, int flag, struct FTW *f)
{
    (void)st; (void)f;
    return flag == FTW_DP ? rmdir(p) : unlink(p);
}

static int position(const char *name)
{
    int i;
    for (i = 0; i < walk_count; i++)
        if (strcmp(walk_names[i], name) == 0) return i;
    return -1;
}

int main(int argc, char **argv)
{
    DIR *d;
    struct dirent *e;
    struct dirent64 *e64;
    struct dirent **list;
    struct stat st;
    char line[300];
    int i, n, fd;

    snprintf(dir, sizeof dir, "%s", argc > 1 ? argv[1] : "fdXXXXXX");
    if (mkdtemp(dir) == NULL) { printf("mkdtemp failed %d\n", errno); return 1; }
    dirlen = strlen(dir);
    mkdir(at("sub"), 0755);
    mkdir(at("sub/deep"), 0755);
    mkdir(at("empty"), 0755);
    make("a.c"); make("b.c"); make("ab.h"); make(".hidden"); make("x[1].txt");
    make("sub/x.c"); make("sub/deep/y.txt"); make("Upper.C");

    /* readdir lists ".", ".." and every entry, each with its type. */
    d = opendir(dir);
    printf("opendir=%d\n", d != NULL);
    stat(at("a.c"), &st);
    n = 0;
    while ((e = readdir(d)) != NULL) {
        if (strcmp(e->d_name, "a.c") == 0) n = e->d_ino == st.st_ino;
        snprintf(line, sizeof line, "%s/%s", e->d_name,
                 e->d_type == DT_DIR ? "dir" : e->d_type == DT_REG ? "reg" : "other");
        add(line);
    }
    flush("readdir");
    printf("entry inode is the file's=%d\n", n);
    {
        long spot;
        char first[256], again[256];
        rewinddir(d);
        readdir(d);
        spot = telldir(d);
        e = readdir(d);
        snprintf(first, sizeof first, "%s", e->d_name);
        while (readdir(d) != NULL) {}
        seekdir(d, spot);
        e = readdir(d);
        snprintf(again, sizeof again, "%s", e->d_name);
        printf("seekdir back same=%d\n", strcmp(first, again) == 0);
    }
    fd = dirfd(d);
    printf("dirfd=%d isdir=%d\n", fd >= 0, fstat(fd, &st) == 0 && S_ISDIR(st.st_mode));
    rewinddir(d);
    n = 0;
    {
        struct dirent entry, *result;
        while (readdir_r(d, &entry, &result) == 0 && result != NULL) n++;
    }
    printf("readdir_r count=%d closedir=%d\n", n, closedir(d));

    fd = open(at("sub"), O_RDONLY | O_DIRECTORY);
    d = fdopendir(fd);
    printf("fdopendir=%d\n", d != NULL);
    while ((e64 = readdir64(d)) != NULL) {
        snprintf(line, sizeof line, "%s/%d", e64->d_name, e64->d_type);
        add(line);
    }
    flush("readdir64");
    closedir(d);

    errno = 0;
    d = opendir(at("missing"));
    printf("opendir missing=%d errno=%d\n", d == NULL, errno);
    errno = 0;
    d = opendir(at("a.c"));
    printf("opendir file=%d errno=%d\n", d == NULL, errno);

    /* scandir with a filter and the two sorts. */
    n = scandir(dir, &list, no_dots, alphasort);
    printf("scandir alphasort n=%d:", n);
    for (i = 0; i < n; i++) { printf(" %s", list[i]->d_name); free(list[i]); }
    printf("\n");
    free(list);
    n = scandir(dir, &list, no_dots, by_length);
    printf("scandir by length n=%d:", n);
    for (i = 0; i < n; i++) { printf(" %s", list[i]->d_name); free(list[i]); }
    printf("\n");
    free(list);
    {
        struct dirent64 **list64;
        n = scandir64(at("sub"), &list64, NULL, alphasort64);
        printf("scandir64 n=%d:", n);
        for (i = 0; i < n; i++) { printf(" %s", list64[i]->d_name); free(list64[i]); }
        printf("\n");
        free(list64);
    }
    errno = 0;
    n = scandir(at("missing"), &list, NULL, alphasort);
    printf("scandir missing=%d errno=%d\n", n, errno);

    /* glob: the three kinds of wildcard, directories, and the flags. */
    show_glob("star", "*.c", 0);
    show_glob("question", "?.c", 0);
    show_glob("bracket", "[ab]*", 0);
    show_glob("range", "[a-b].[c-h]", 0);
    show_glob("negated", "[!a]*", 0);
    show_glob("dirs", "*/*.c", 0);
    show_glob("deep", "*/*/*", 0);
    show_glob("mark", "*", GLOB_MARK);
    show_glob("period", ".h*", 0);
    show_glob("with period", "*", GLOB_PERIOD);
    show_glob("none", "*.zzz", 0);
    show_glob("nocheck", "*.zzz", GLOB_NOCHECK);
    show_glob("literal", "a.c", 0);
    show_glob("missing literal", "nothing.c", 0);
    show_glob("escaped", "x\\[1\\].txt", 0);
    show_glob("noescape", "x\\[1\\].txt", GLOB_NOESCAPE);
    show_glob("brace", "{b,a}.c", GLOB_BRACE);
    show_glob("empty dir", "empty/*", 0);
    {
        glob_t g;
        char p1[512], p2[512];
        snprintf(p1, sizeof p1, "%s/*.h", dir);
        snprintf(p2, sizeof p2, "%s/sub/*", dir);
        g.gl_offs = 2;
        printf("glob dooffs=%d ", glob(p1, GLOB_DOOFFS, NULL, &g));
        printf("append=%d n=%d offs=%d null=%d", glob(p2, GLOB_DOOFFS | GLOB_APPEND, NULL, &g),
               (int)g.gl_pathc, (int)g.gl_offs, g.gl_pathv[0] == NULL && g.gl_pathv[1] == NULL);
        for (i = 0; i < (int)g.gl_pathc; i++) printf(" %s", relative(g.gl_pathv[2 + i]));
        printf(" end=%d\n", g.gl_pathv[2 + g.gl_pathc] == NULL);
        globfree(&g);
    }

    /* nftw visits every entry once, with its level, base and kind. */
    walk_count = 0;
    printf("nftw=%d\n", nftw(dir, walker, 8, FTW_PHYS));
    flush("nftw");
    printf("preorder parent first=%d\n", position("sub") < position("sub/x.c") &&
                                         position("") < position("sub"));
    walk_count = 0;
    printf("nftw depth=%d\n", nftw(dir, walker, 8, FTW_DEPTH | FTW_PHYS));
    flush("nftw depth");
    printf("postorder children first=%d\n", position("sub/deep/y.txt") < position("sub/deep") &&
                                            position("sub") < position(""));
    printf("nftw stop=%d\n", nftw(dir, stopper, 8, 0));
    reachable = 1;
    printf("nftw chdir=%d\n", nftw(dir, in_place, 8, FTW_CHDIR | FTW_PHYS));
    printf("chdir entries reachable=%d\n", reachable);
    {
        char cwd[1024], cwd2[1024];
        getcwd(cwd, sizeof cwd);
        nftw(dir, in_place, 8, FTW_CHDIR);
        getcwd(cwd2, sizeof cwd2);
        printf("cwd restored=%d\n", strcmp(cwd, cwd2) == 0);
    }
    errno = 0;
    n = nftw(at("missing"), walker, 8, 0);
    printf("nftw missing=%d errno=%d\n", n, errno);
    printf("ftw=%d\n", ftw(at("sub"), classic, 4));
    flush("ftw");

    /* The tree goes as nftw removes it, children first. */
    printf("remove tree=%d\n", nftw(dir, remover, 8, FTW_DEPTH | FTW_PHYS));
    errno = 0;
    n = stat(dir, &st);
    printf("gone=%d errno=%d\n", n, errno);
    return 0;
}
