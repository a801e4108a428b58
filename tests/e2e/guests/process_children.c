/* What cannot be done inside one host process (children), and the fixed
   user with no groups, as the loader answers them. */
#define _GNU_SOURCE
#include <errno.h>
#include <grp.h>
#include <pwd.h>
#include <spawn.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

extern char **environ;

int main(void)
{
    char *args[] = {"/bin/true", NULL};
    char buf[256], small[4];
    struct passwd pw, *result;
    struct group gr, *gresult;
    pid_t child;
    int r;

    errno = 0;
    r = fork();
    printf("fork=%d ENOSYS=%d\n", r, errno == ENOSYS);
    errno = 0;
    r = vfork();
    printf("vfork=%d ENOSYS=%d\n", r, errno == ENOSYS);
    errno = 0;
    r = execv("/bin/true", args);
    printf("execv=%d ENOSYS=%d\n", r, errno == ENOSYS);
    errno = 0;
    r = execvp("true", args);
    printf("execvp=%d ENOSYS=%d\n", r, errno == ENOSYS);
    errno = 0;
    r = execl("/bin/true", "true", (char *)NULL);
    printf("execl=%d ENOSYS=%d\n", r, errno == ENOSYS);
    printf("posix_spawn=%d\n", posix_spawn(&child, "/bin/true", NULL, NULL, args, environ));

    result = getpwnam("root");
    printf("getpwnam(root): %s uid=%d dir=%s\n", result->pw_name, (int)result->pw_uid,
           result->pw_dir);
    printf("getpwnam(nobody)=%s\n", getpwnam("nobody") ? "?" : "null");
    r = getpwuid_r(0, &pw, buf, sizeof buf, &result);
    printf("getpwuid_r=%d %s same buffer=%d\n", r, result->pw_name,
           result->pw_name >= buf && result->pw_name < buf + sizeof buf);
    r = getpwuid_r(0, &pw, small, sizeof small, &result);
    printf("getpwuid_r small=%d result=%s\n", r, result ? "?" : "null");
    r = getgrgid_r(0, &gr, buf, sizeof buf, &gresult);
    printf("getgrnam=%s getgrgid_r=%d %s\n", getgrnam("root") ? "?" : "null", r,
           gresult ? "?" : "null");
    r = getlogin_r(buf, sizeof buf);
    printf("getlogin=%s getlogin_r=%d %s small=%d\n", getlogin(), r, buf,
           getlogin_r(small, 2));
    printf("getgroups=%d\n", getgroups(0, NULL));
    errno = 0;
    r = setsid();
    printf("setsid=%d EPERM=%d setpgid(0,0)=%d\n", r, errno == EPERM, setpgid(0, 0));
    return 0;
}
