/* Status, descriptors and names in a directory of the guest's own: what a
   Linux program sees of the files it makes, on every host. Host-dependent
   fields (inode, device, times) are checked for consistency only. */
#define _GNU_SOURCE
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/time.h>
#include <sys/uio.h>
#include <unistd.h>
#include <utime.h>

static char dir[256];
static char path[512];

static char path2[512];

/* Names in the work directory; `to` is a second buffer for calls that take
   two names. */
static const char *at(const char *name)
{
    snprintf(path, sizeof path, "%s/%s", dir, name);
    return path;
}

static const char *to(const char *name)
{
    snprintf(path2, sizeof path2, "%s/%s", dir, name);
    return path2;
}

static void kind(const char *label, const struct stat *st)
{
    printf("%s: dir=%d reg=%d ownerwrite=%d\n", label, S_ISDIR(st->st_mode) != 0,
           S_ISREG(st->st_mode) != 0, (st->st_mode & S_IWUSR) != 0);
}

static void fails(const char *label, int result)
{
    printf("%s: %d errno=%d\n", label, result, result < 0 ? errno : 0);
}

static int make(const char *name, const char *text)
{
    int fd = open(at(name), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) return -1;
    write(fd, text, strlen(text));
    return close(fd);
}

int main(int argc, char **argv)
{
    struct stat st, st2;
    struct stat64 st64;
    char buf[64];
    int fd, fd2, n;

    snprintf(dir, sizeof dir, "%s", argc > 1 ? argv[1] : "fsXXXXXX");
    if (mkdtemp(dir) == NULL) { printf("mkdtemp failed %d\n", errno); return 1; }

    /* Status of a file and a directory. */
    make("a.txt", "hello, world\n");
    n = stat(at("a.txt"), &st);
    printf("stat=%d size=%ld links=%d\n", n, (long)st.st_size, (int)st.st_nlink);
    kind("file", &st);
    n = stat64(at("a.txt"), &st64);
    printf("stat64=%d size=%lld same inode=%d same dev=%d\n", n,
           (long long)st64.st_size, st64.st_ino == st.st_ino, st64.st_dev == st.st_dev);
    stat(at("a.txt"), &st2);
    printf("again same inode=%d mtime same=%d\n", st2.st_ino == st.st_ino,
           st2.st_mtime == st.st_mtime);
    stat(dir, &st2);
    kind("dir", &st2);
    printf("distinct inode=%d blksize>0=%d\n", st2.st_ino != st.st_ino, st.st_blksize > 0);
    fails("stat missing", stat(at("missing"), &st));
    fails("stat below a file", stat(at("a.txt/x"), &st) < 0 ? -1 : 0);
    n = lstat(at("a.txt"), &st2);
    printf("lstat=%d size=%ld\n", n, (long)st2.st_size);
    fails("fstatat flags", fstatat(AT_FDCWD, at("a.txt"), &st2, 0x4000));

    /* Descriptors: fstat, seeking, positional and vectored I/O. */
    fd = open(at("a.txt"), O_RDWR);
    n = fstat(fd, &st2);
    printf("fstat=%d size=%ld same inode=%d\n", n, (long)st2.st_size, st2.st_ino == st.st_ino);
    n = fstat64(fd, &st64);
    printf("fstat64=%d size=%lld\n", n, (long long)st64.st_size);
    printf("lseek end=%ld ", (long)lseek(fd, 0, SEEK_END));
    printf("cur=%ld\n", (long)lseek(fd, 0, SEEK_CUR));
    printf("lseek64 set=%lld\n", (long long)lseek64(fd, 7, SEEK_SET));
    fails("lseek negative", (int)lseek(fd, -100, SEEK_SET));
    fails("lseek whence", (int)lseek(fd, 0, 9));
    n = (int)pread(fd, buf, 5, 0);
    buf[n > 0 ? n : 0] = 0;
    printf("pread=%d '%s' ", n, buf);
    printf("position still=%ld\n", (long)lseek(fd, 0, SEEK_CUR));
    printf("pwrite=%d\n", (int)pwrite(fd, "HELLO", 5, 0));
    {
        struct iovec iov[2];
        char one[4], two[6];
        lseek(fd, 0, SEEK_SET);
        iov[0].iov_base = one; iov[0].iov_len = 3;
        iov[1].iov_base = two; iov[1].iov_len = 5;
        n = (int)readv(fd, iov, 2);
        one[3] = 0; two[5] = 0;
        printf("readv=%d '%s' '%s'\n", n, one, two);
        iov[0].iov_base = "ab"; iov[0].iov_len = 2;
        iov[1].iov_base = "cd\n"; iov[1].iov_len = 3;
        lseek(fd, 0, SEEK_END);
        printf("writev=%d\n", (int)writev(fd, iov, 2));
    }
    printf("ftruncate=%d ", ftruncate(fd, 4));
    fstat(fd, &st2);
    printf("size=%ld\n", (long)st2.st_size);
    printf("fsync=%d fdatasync=%d\n", fsync(fd), fdatasync(fd));
    fails("ftruncate negative", ftruncate(fd, -1));

    /* Duplicates and descriptor flags. */
    fd2 = dup(fd);
    printf("dup distinct=%d ", fd2 > fd);
    printf("getfd=%d\n", fcntl(fd2, F_GETFD));
    close(fd2);
    fd2 = fcntl(fd, F_DUPFD, 20);
    printf("F_DUPFD>=20: %d\n", fd2 >= 20);
    printf("F_DUPFD again: %d\n", fcntl(fd, F_DUPFD, 20) == fd2 + 1);
    close(fd2 + 1);
    close(fd2);
    fd2 = fcntl(fd, F_DUPFD_CLOEXEC, 0);
    printf("cloexec getfd=%d\n", fcntl(fd2, F_GETFD));
    printf("setfd=%d ", fcntl(fd2, F_SETFD, 0));
    printf("getfd=%d\n", fcntl(fd2, F_GETFD));
    close(fd2);
    printf("dup2=%d\n", dup2(fd, 30) == 30);
    printf("dup2 same=%d\n", dup2(fd, fd) == fd);
    fails("dup3 same", dup3(fd, fd, 0));
    close(30);
    printf("getfl accmode=%d\n", fcntl(fd, F_GETFL) & O_ACCMODE);
    fails("fcntl unknown", fcntl(fd, 12345));
    fails("fcntl closed", fcntl(99, F_GETFD));
    fails("dup closed", dup(99));
    close(fd);
    fd = open(at("a.txt"), O_RDONLY);
    printf("getfl rdonly=%d\n", fcntl(fd, F_GETFL) & O_ACCMODE);
    close(fd);
    fd = open64(at("a.txt"), O_RDONLY | O_CLOEXEC);
    printf("open64 getfl=%o ", fcntl(fd, F_GETFL));
    printf("getfd=%d ", fcntl(fd, F_GETFD));
    fd2 = dup(fd);
    printf("dup getfl=%o getfd=%d\n", fcntl(fd2, F_GETFL), fcntl(fd2, F_GETFD));
    close(fd2);
    n = fcntl(fd, F_SETFL, O_NONBLOCK | O_RDWR);
    printf("setfl=%d getfl=%o\n", n, fcntl(fd, F_GETFL));
    close(fd);
    fd = open(at("a.txt"), O_WRONLY | O_APPEND);
    printf("append getfl=%o\n", fcntl(fd, F_GETFL));
    close(fd);
    fd = open(at("a.txt"), O_WRONLY);
    printf("getfl wronly=%d\n", fcntl(fd, F_GETFL) & O_ACCMODE);
    fails("ftruncate ok on wronly", ftruncate(fd, 4));
    close(fd);
    {
        int p[2];
        printf("pipe=%d ", pipe(p));
        printf("write=%d ", (int)write(p[1], "xyz", 3));
        n = (int)read(p[0], buf, sizeof buf);
        printf("read=%d\n", n);
        fails("lseek pipe", (int)lseek(p[0], 0, SEEK_CUR));
        close(p[0]);
        close(p[1]);
    }
    fd = open(at("a.txt"), O_RDONLY);
    errno = 0;
    n = isatty(fd);
    printf("isatty file: %d errno=%d\n", n, errno);
    close(fd);

    /* The volume the directory is on. */
    {
        struct statvfs v;
        n = statvfs(dir, &v);
        printf("statvfs=%d bsize>0=%d free<=total=%d namemax>=255=%d files>0=%d ", n,
               v.f_bsize > 0, v.f_bfree <= v.f_blocks, v.f_namemax >= 255,
               v.f_files > 0 && v.f_ffree <= v.f_files);
        fd = open(dir, O_RDONLY);
        n = fstatvfs(fd, &v);
        printf("fstatvfs=%d\n", n);
        close(fd);
        n = statvfs(at("missing"), &v);
        fails("statvfs missing", n);
    }

    /* creat, openat and the *at names. */
    fd = creat(at("b.txt"), 0644);
    printf("creat ok=%d ", fd >= 0);
    write(fd, "12345678", 8);
    close(fd);
    stat(at("b.txt"), &st);
    printf("size=%ld\n", (long)st.st_size);
    fd = open(dir, O_RDONLY | O_DIRECTORY);
    printf("open dir ok=%d\n", fd >= 0);
    fd2 = openat(fd, "b.txt", O_RDONLY);
    n = (int)read(fd2, buf, 3);
    printf("openat read=%d\n", n);
    close(fd2);
    n = fstatat(fd, "b.txt", &st, 0);
    printf("fstatat=%d size=%ld\n", n, (long)st.st_size);
    printf("mkdirat=%d\n", mkdirat(fd, "sub", 0755));
    printf("renameat=%d\n", renameat(fd, "b.txt", fd, "sub/c.txt"));
    fails("stat old name", stat(at("b.txt"), &st));
    printf("stat new name=%d\n", stat(at("sub/c.txt"), &st));
    fails("openat bad dirfd", openat(99, "x", O_RDONLY));
    fails("openat file dirfd", (fd2 = open(at("a.txt"), O_RDONLY), openat(fd2, "x", O_RDONLY)));
    close(fd2);
    fails("open dir for writing", open(dir, O_WRONLY));
    fails("O_DIRECTORY on file", open(at("a.txt"), O_RDONLY | O_DIRECTORY));
    printf("faccessat=%d\n", faccessat(fd, "sub", F_OK, 0));
    printf("unlinkat=%d\n", unlinkat(fd, "sub/c.txt", 0));
    printf("unlinkat dir=%d\n", unlinkat(fd, "sub", AT_REMOVEDIR));
    close(fd);

    /* Renaming over an existing file replaces it. */
    make("old.txt", "old contents\n");
    make("new.txt", "new\n");
    printf("rename over=%d ", renameat(AT_FDCWD, at("new.txt"), AT_FDCWD, to("old.txt")));
    stat(at("old.txt"), &st);
    printf("size=%ld\n", (long)st.st_size);
    fails("rename missing", renameat(AT_FDCWD, at("new.txt"), AT_FDCWD, to("x.txt")));

    /* Names: errors a program tells apart. */
    fails("mkdir again", mkdir(dir, 0755));
    printf("mkdir=%d\n", mkdir(at("d"), 0755));
    make("d/f", "x");
    fails("rmdir not empty", rmdir(at("d")));
    fails("rmdir a file", rmdir(at("d/f")));
    fails("unlink a dir", unlink(at("d")));
    fails("unlink missing", unlink(at("nothing")));
    printf("unlink=%d ", unlink(at("d/f")));
    printf("rmdir=%d\n", rmdir(at("d")));
    fails("chdir file", chdir(at("a.txt")));
    fails("readlink not a link", (int)readlink(at("a.txt"), buf, sizeof buf));
    fails("readlink missing", (int)readlink(at("none"), buf, sizeof buf));
    printf("link=%d ", link(at("a.txt"), to("hard.txt")));
    stat(at("a.txt"), &st);
    stat(at("hard.txt"), &st2);
    printf("links=%d same inode=%d\n", (int)st.st_nlink, st.st_ino == st2.st_ino);
    fails("link exists", link(at("a.txt"), to("hard.txt")));
    unlink(at("hard.txt"));

    /* Symbolic links where the host makes them; Linux's EPERM where not. */
    n = symlink("a.txt", to("link"));
    {
        int consistent = 1, e = errno;
        if (n == 0) {
            consistent = lstat(to("link"), &st2) == 0 && S_ISLNK(st2.st_mode) &&
                         stat(to("link"), &st2) == 0 && S_ISREG(st2.st_mode) &&
                         readlink(to("link"), buf, sizeof buf) == 5 &&
                         strncmp(buf, "a.txt", 5) == 0 && unlink(to("link")) == 0;
        }
        printf("symlink served=%d consistent=%d\n", n == 0 || e == EPERM, consistent);
    }

    /* A call that succeeds leaves errno alone. */
    errno = 1234;
    fd = open(at("a.txt"), O_RDONLY);
    stat(at("a.txt"), &st2);
    close(fd);
    mkdir(at("e"), 0755);
    rmdir(at("e"));
    printf("errno kept=%d\n", errno);

    /* Permissions: the owner-write bit is what every host keeps. */
    printf("chmod ro=%d ", chmod(at("a.txt"), 0444));
    stat(at("a.txt"), &st);
    kind("read-only", &st);
    fd = open(at("a.txt"), O_RDONLY);
    printf("fchmod rw=%d ", fchmod(fd, 0644));
    close(fd);
    stat(at("a.txt"), &st);
    kind("writable", &st);
    printf("access F=%d ", access(at("a.txt"), F_OK));
    printf("R=%d ", access(at("a.txt"), R_OK));
    printf("W=%d\n", access(at("a.txt"), W_OK));
    fails("access missing", access(at("nothing"), F_OK));
    fails("access mode", access(at("a.txt"), 64));
    printf("chown keep=%d ", chown(at("a.txt"), -1, -1));
    printf("lchown keep=%d\n", lchown(at("a.txt"), -1, -1));
    fails("chown missing", chown(at("nothing"), -1, -1));
    {
        mode_t old = umask(077);
        printf("umask twice=%o\n", umask(old) == 077);
    }

    /* Times: a copy keeps the times it is given. */
    {
        struct utimbuf ut;
        struct timeval tv[2];
        struct timespec ts[2];
        ut.actime = 1000000000;
        ut.modtime = 1200000000;
        printf("utime=%d ", utime(at("a.txt"), &ut));
        stat(at("a.txt"), &st);
        printf("atime=%ld mtime=%ld\n", (long)st.st_atime, (long)st.st_mtime);
        make("copy.txt", "hello");
        stat(at("a.txt"), &st);
        ut.actime = st.st_atime;
        ut.modtime = st.st_mtime;
        utime(at("copy.txt"), &ut);
        stat(at("copy.txt"), &st2);
        printf("copy keeps mtime=%d\n", st2.st_mtime == st.st_mtime);
        tv[0].tv_sec = 1300000000; tv[0].tv_usec = 0;
        tv[1].tv_sec = 1300000001; tv[1].tv_usec = 500000;
        printf("utimes=%d ", utimes(at("copy.txt"), tv));
        stat(at("copy.txt"), &st2);
        printf("mtime=%ld nsec=%ld\n", (long)st2.st_mtime, st2.st_mtim.tv_nsec);
        tv[1].tv_sec = 1400000000;
        tv[1].tv_usec = 0;
        printf("futimesat=%d ", futimesat(AT_FDCWD, at("copy.txt"), tv));
        stat(at("copy.txt"), &st2);
        printf("mtime=%ld\n", (long)st2.st_mtime);
        ts[0].tv_sec = 0; ts[0].tv_nsec = UTIME_OMIT;
        ts[1].tv_sec = 1500000000; ts[1].tv_nsec = 250000000;
        printf("utimensat=%d ", utimensat(AT_FDCWD, at("copy.txt"), ts, 0));
        stat(at("copy.txt"), &st2);
        printf("atime kept=%d mtime=%ld nsec=%ld\n", st2.st_atime == 1300000000,
               (long)st2.st_mtime, st2.st_mtim.tv_nsec);
        fd = open(at("copy.txt"), O_RDWR);
        ts[0].tv_nsec = UTIME_OMIT;
        ts[1].tv_sec = 1600000000; ts[1].tv_nsec = 0;
        printf("futimens=%d ", futimens(fd, ts));
        tv[0].tv_sec = 1300000000; tv[0].tv_usec = 0;
        tv[1].tv_sec = 1700000000; tv[1].tv_usec = 0;
        fstat(fd, &st2);
        printf("mtime=%ld ", (long)st2.st_mtime);
        printf("futimes=%d ", futimes(fd, tv));
        fstat(fd, &st2);
        printf("mtime=%ld\n", (long)st2.st_mtime);
        ts[1].tv_nsec = 1000000000;
        fails("utimensat bad nsec", utimensat(AT_FDCWD, at("copy.txt"), ts, 0));
        close(fd);
        make("later.txt", "x");
        stat(at("later.txt"), &st2);
        stat(at("a.txt"), &st);
        printf("later file is newer=%d\n", st2.st_mtime >= st.st_mtime);
        unlink(at("later.txt"));
        unlink(at("copy.txt"));
    }

    /* truncate by name, and the current directory. */
    printf("truncate=%d ", truncate(at("a.txt"), 2));
    stat(at("a.txt"), &st);
    printf("size=%ld ", (long)st.st_size);
    printf("truncate64=%d ", truncate64(at("a.txt"), 100));
    stat(at("a.txt"), &st);
    printf("size=%ld\n", (long)st.st_size);
    fails("truncate missing", truncate(at("nothing"), 0));
    {
        char cwd[1024], *cwd2, *real;
        size_t len;
        getcwd(cwd, sizeof cwd);
        printf("chdir=%d ", chdir(dir));
        cwd2 = get_current_dir_name();
        len = strlen(cwd2);
        {
            const char *base = strrchr(dir, '/') ? strrchr(dir, '/') + 1 : dir;
            size_t blen = strlen(base);
            printf("cwd ends with dir=%d no trailing slash=%d no backslash=%d\n",
                   len > blen && strcmp(cwd2 + len - blen, base) == 0 && cwd2[len - blen - 1] == '/',
                   cwd2[len - 1] != '/', strchr(cwd2, '\\') == NULL);
        }
        real = realpath("a.txt", NULL);
        printf("realpath prefix=%d tail=%s\n", strncmp(real, cwd2, len) == 0, real + len);
        free(real);
        free(cwd2);
        errno = 0;
        n = realpath("nope/x", buf) == NULL;
        printf("realpath missing=%d errno=%d\n", n, errno);
        n = getcwd(buf, 2) == NULL;
        printf("getcwd small=%d errno=%d\n", n, errno);
        n = getcwd(buf, 0) == NULL;
        printf("getcwd zero=%d errno=%d\n", n, errno);
        fd = open(".", O_RDONLY);
        printf("chdir back=%d ", chdir(cwd));
        printf("fchdir=%d ", fchdir(fd));
        cwd2 = getcwd(NULL, 0);
        printf("same=%d ", strlen(cwd2) == len);
        free(cwd2);
        printf("chdir back=%d\n", chdir(cwd));
        close(fd);
    }

    /* __fxstat64 as an older program calls it: filled, and errors. */
    {
        extern int __fxstat64(int, int, struct stat64 *);
        memset(&st64, 0, sizeof st64);
        fd = open(at("a.txt"), O_RDONLY);
        n = __fxstat64(3, fd, &st64);
        printf("__fxstat64=%d size=%lld\n", n, (long long)st64.st_size);
        close(fd);
        fails("__fxstat64 closed", __fxstat64(3, 99, &st64));
    }

    unlink(at("a.txt"));
    unlink(at("old.txt"));
    printf("rmdir=%d\n", rmdir(dir));
    return 0;
}
