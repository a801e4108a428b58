#define _GNU_SOURCE
/* The fixed answers a guest gets about who and where it runs. */
#include <libintl.h>
#include <locale.h>
#include <pwd.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/utsname.h>
#include <unistd.h>

int main(void)
{
    struct passwd *pw = getpwuid(0);
    struct utsname u;
    char host[64];
    char small[5];
    const char *d1, *d2;

    if (pw)
        printf("pw: %s %s %u %u %s %s %s\n", pw->pw_name, pw->pw_passwd,
               (unsigned)pw->pw_uid, (unsigned)pw->pw_gid, pw->pw_gecos,
               pw->pw_dir, pw->pw_shell);
    printf("getpwuid(1)=%s\n", getpwuid(1) ? "record" : "null");
    printf("ids: %d %d %d %d\n", (int)getuid(), (int)geteuid(), (int)getgid(),
           (int)getegid());
    memset(&u, 'x', sizeof u);
    printf("uname=%d\n", uname(&u));
    printf("uts: %s|%s|%s|%s|%s|%s\n", u.sysname, u.nodename, u.release,
           u.version, u.machine, u.domainname);
    printf("gethostname=%d %s\n", gethostname(host, sizeof host), host);
    memset(small, 'Z', sizeof small);
    gethostname(small, 4);
    printf("small=%.3s guard=%c\n", small, small[4]);
    printf("getenv(HOME)=%s\n", getenv("HOME") ? "set" : "null");
    printf("pagesize=%d\n", getpagesize());
    printf("setlocale=%s\n", setlocale(LC_ALL, "") ? "set" : "null");
    d1 = bindtextdomain("x", "/nowhere");
    d2 = textdomain("x");
    printf("domains: %s %s same=%d\n", d1, d2, d1 == d2);
    printf("dcgettext=%s\n", dcgettext("x", "message", LC_MESSAGES));
    return 0;
}
