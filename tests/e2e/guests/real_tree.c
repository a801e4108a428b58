/* A file tree lister: builds a small tree in a scratch directory, lists it
 * sorted with sizes two ways (readdir recursion and nftw), then removes it. */
#define _GNU_SOURCE
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <ftw.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

static const char *const kFiles[] = {"b.txt", "a.txt", "sub/z.dat", "sub/deep/one",
                                     "sub/deep/two", "empty/.keep"};

static int by_name(const struct dirent **a, const struct dirent **b) {
    return strcmp((*a)->d_name, (*b)->d_name);
}

static long walk(const char *dir, int depth) {
    struct dirent **names;
    int n = scandir(dir, &names, NULL, by_name);
    if (n < 0) { printf("scandir %s: %s\n", dir, strerror(errno)); return 0; }
    long total = 0;
    for (int i = 0; i < n; i++) {
        const char *name = names[i]->d_name;
        if (strcmp(name, ".") && strcmp(name, "..")) {
            char path[512];
            snprintf(path, sizeof path, "%s/%s", dir, name);
            struct stat st;
            if (lstat(path, &st) == 0) {
                printf("%*s%s%s %lld\n", depth * 2, "", name, S_ISDIR(st.st_mode) ? "/" : "",
                       S_ISDIR(st.st_mode) ? 0LL : (long long)st.st_size);
                if (S_ISDIR(st.st_mode)) total += walk(path, depth + 1);
                else total += st.st_size;
            }
        }
        free(names[i]);
    }
    free(names);
    return total;
}

static char *seen[32];
static int nseen;

static int note(const char *path, const struct stat *st, int flag, struct FTW *ftw) {
    char buf[600];
    snprintf(buf, sizeof buf, "%d %s %s %lld", ftw->level, flag == FTW_D || flag == FTW_DP ? "d" : "f",
             path + ftw->base, flag == FTW_F ? (long long)st->st_size : 0LL);
    if (nseen < 32) seen[nseen++] = strdup(buf);
    return 0;
}

static int by_string(const void *a, const void *b) {
    return strcmp(*(char *const *)a, *(char *const *)b);
}

static int drop(const char *path, const struct stat *st, int flag, struct FTW *ftw) {
    (void)st; (void)ftw;
    return flag == FTW_DP ? rmdir(path) : unlink(path);
}

int main(int argc, char **argv) {
    char root[256];
    snprintf(root, sizeof root, "%s/tree.scratch", argc > 1 ? argv[1] : ".");
    if (mkdir(root, 0755) != 0) { printf("mkdir: %s\n", strerror(errno)); return 1; }
    char path[512];
    for (size_t i = 0; i < sizeof kFiles / sizeof *kFiles; i++) {
        snprintf(path, sizeof path, "%s/%s", root, kFiles[i]);
        for (char *s = path + strlen(root) + 1; (s = strchr(s, '/')); s++) {
            *s = 0;
            if (mkdir(path, 0755) != 0 && errno != EEXIST) printf("mkdir %s failed\n", path);
            *s = '/';
        }
        int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
        for (size_t k = 0; k < i * 37; k++) write(fd, "x", 1);
        close(fd);
    }
    printf("total %ld bytes\n", walk(root, 0));
    if (nftw(root, note, 8, FTW_PHYS) != 0) printf("nftw failed\n");
    qsort(seen, nseen, sizeof *seen, by_string);
    for (int i = 0; i < nseen; i++) { printf("%s\n", seen[i]); free(seen[i]); }
    struct stat st;
    snprintf(path, sizeof path, "%s/missing", root);
    if (stat(path, &st) != 0) printf("missing: %s\n", strerror(errno));
    if (rmdir(root) != 0) printf("rmdir non-empty: %s\n", strerror(errno));
    if (nftw(root, drop, 8, FTW_DEPTH | FTW_PHYS) != 0) printf("removal failed\n");
    printf("removed: %s\n", access(root, F_OK) ? "yes" : "no");
    return 0;
}
