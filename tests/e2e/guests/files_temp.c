/* Temporary files and memory mappings: mkstemp's names never repeat, the
   descriptors it gives are open for reading and writing, mkdtemp makes a
   private directory, and mmap gives zeroed anonymous pages, a private copy
   of a file, and a shared view whose writes reach the file. */
#define _GNU_SOURCE
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#define COUNT 1000

static char dir[256];
static char path[512];
static char names[COUNT][16];

static const char *at(const char *name)
{
    snprintf(path, sizeof path, "%s/%s", dir, name);
    return path;
}

int main(int argc, char **argv)
{
    char name[512], buf[64];
    struct stat st;
    int i, j, fd, n, unique = 1, allopen = 1;
    size_t len;

    snprintf(dir, sizeof dir, "%s", argc > 1 ? argv[1] : "ftXXXXXX");
    if (mkdtemp(dir) == NULL) { printf("mkdtemp failed %d\n", errno); return 1; }
    stat(dir, &st);
    printf("mkdtemp dir=%d\n", S_ISDIR(st.st_mode) != 0);

    /* A thousand names, every one new; each file made empty and private. */
    for (i = 0; i < COUNT; i++) {
        snprintf(name, sizeof name, "%s/t.XXXXXX", dir);
        fd = mkstemp(name);
        if (fd < 0) { allopen = 0; break; }
        len = strlen(name);
        snprintf(names[i], sizeof names[i], "%s", name + len - 6);
        if (i == 0) {
            printf("write=%d ", (int)write(fd, "abc", 3));
            lseek(fd, 0, SEEK_SET);
            printf("read=%d ", (int)read(fd, buf, sizeof buf));
            fstat(fd, &st);
            printf("size=%ld reg=%d ownerwrite=%d\n", (long)st.st_size, S_ISREG(st.st_mode) != 0,
                   (st.st_mode & S_IWUSR) != 0);
        }
        close(fd);
        if (unlink(name) != 0) allopen = 0;
    }
    for (i = 0; i < COUNT && unique; i++)
        for (j = 0; j < i; j++)
            if (strcmp(names[i], names[j]) == 0) { unique = 0; break; }
    printf("mkstemp %d all made=%d unique=%d\n", COUNT, allopen, unique);

    snprintf(name, sizeof name, "%s/bad", dir);
    errno = 0;
    n = mkstemp(name);
    printf("template without X: %d errno=%d\n", n, errno);
    snprintf(name, sizeof name, "%s/s.XXXXXX.txt", dir);
    fd = mkstemps(name, 4);
    len = strlen(name);
    printf("mkstemps suffix kept=%d\n", fd >= 0 && strcmp(name + len - 4, ".txt") == 0);
    close(fd);
    unlink(name);
    snprintf(name, sizeof name, "%s/o.XXXXXX", dir);
    fd = mkostemp(name, O_APPEND);
    printf("mkostemp=%d append flag=%d\n", fd >= 0, (fcntl(fd, F_GETFL) & O_APPEND) != 0);
    close(fd);
    unlink(name);
    snprintf(name, sizeof name, "%s/m.XXXXXX", dir);
    printf("mktemp keeps length=%d ", strlen(mktemp(name)) == strlen(dir) + 9);
    errno = 0;
    n = stat(name, &st);
    printf("nothing made=%d errno=%d\n", n, errno);
    snprintf(name, sizeof name, "%s/d.XXXXXX", dir);
    printf("mkdtemp inner=%d ", mkdtemp(name) != NULL);
    printf("rmdir=%d\n", rmdir(name));

    /* Anonymous memory: page-aligned, zeroed, writable, and it grows. */
    {
        unsigned char *p = mmap(NULL, 10000, PROT_READ | PROT_WRITE,
                                MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        int zero = 1;
        printf("mmap anon ok=%d aligned=%d ", p != MAP_FAILED, ((unsigned long)p & 4095) == 0);
        for (i = 0; i < 12288; i++) if (p[i] != 0) zero = 0;
        printf("zeroed=%d\n", zero);
        memset(p, 'x', 10000);
        p = mremap(p, 10000, 100000, MREMAP_MAYMOVE);
        printf("mremap ok=%d kept=%d tail zero=%d\n", p != MAP_FAILED, p[9999] == 'x',
               p[99999] == 0);
        printf("mprotect=%d ", mprotect(p, 4096, PROT_READ));
        printf("madvise=%d ", madvise(p + 4096, 4096, MADV_WILLNEED));
        printf("munmap=%d\n", munmap(p, 100000));
        errno = 0;
        p = mmap(NULL, 0, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        printf("mmap zero length failed=%d errno=%d\n", p == MAP_FAILED, errno);
        errno = 0;
        p = mmap(NULL, 4096, PROT_READ, MAP_ANONYMOUS, -1, 0);
        printf("mmap no type failed=%d errno=%d\n", p == MAP_FAILED, errno);
        errno = 0;
        n = munmap((void *)4097, 4096);
        printf("munmap unaligned=%d errno=%d\n", n, errno);
    }

    /* A file: a private copy, then a shared view that writes through. */
    fd = open(at("data"), O_RDWR | O_CREAT | O_TRUNC, 0644);
    for (i = 0; i < 3000; i++) write(fd, "0123456789", 10);
    {
        char *p = mmap(NULL, 30000, PROT_READ | PROT_WRITE, MAP_PRIVATE, fd, 0);
        printf("mmap private ok=%d bytes=%.10s at 29990=%.10s\n", p != MAP_FAILED, p, p + 29990);
        p[0] = 'X';
        printf("position kept=%ld\n", (long)lseek(fd, 0, SEEK_CUR));
        munmap(p, 30000);
        lseek(fd, 0, SEEK_SET);
        read(fd, buf, 1);
        printf("file untouched=%d\n", buf[0] == '0');
        p = mmap(NULL, 8192, PROT_READ, MAP_PRIVATE, fd, 4096);
        printf("offset mapping=%.6s\n", p);
        munmap(p, 8192);
        errno = 0;
        p = mmap(NULL, 4096, PROT_READ, MAP_PRIVATE, fd, 100);
        printf("unaligned offset failed=%d errno=%d\n", p == MAP_FAILED, errno);
        p = mmap(NULL, 30000, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        printf("mmap shared ok=%d ", p != MAP_FAILED);
        if (p != MAP_FAILED) {
            memcpy(p + 10, "SHARED", 6);
            printf("msync=%d ", msync(p, 30000, MS_SYNC));
            printf("munmap=%d ", munmap(p, 30000));
            lseek(fd, 10, SEEK_SET);
            read(fd, buf, 6);
            buf[6] = 0;
            printf("file has=%s", buf);
        }
        printf("\n");
        p = mmap(NULL, 4096, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 8192);
        printf("shared at offset ok=%d ", p != MAP_FAILED);
        if (p != MAP_FAILED) {
            printf("reads=%.4s ", p);
            memcpy(p, "OFFS", 4);
            munmap(p, 4096);
            lseek(fd, 8192, SEEK_SET);
            read(fd, buf, 4);
            buf[4] = 0;
            printf("file has=%s", buf);
        }
        printf("\n");
        errno = 0;
        p = mmap(NULL, 4096, PROT_READ, MAP_PRIVATE, 99, 0);
        printf("bad descriptor failed=%d errno=%d\n", p == MAP_FAILED, errno);
    }
    close(fd);
    fd = open(at("data"), O_RDONLY);
    errno = 0;
    {
        void *p = mmap(NULL, 4096, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        printf("shared writable on read-only failed=%d errno=%d\n", p == MAP_FAILED, errno);
    }
    close(fd);
    printf("getpagesize=%d\n", getpagesize());

    unlink(at("data"));
    printf("rmdir=%d\n", rmdir(dir));
    return 0;
}
