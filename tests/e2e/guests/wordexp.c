/* wordexp and wordfree: every expansion a shell word goes through save
   commands, the flags, and what is left in the wordexp_t after an error.
   Works in a directory of its own (argv[1], a mkdtemp template) for the
   pathname expansion, and removes it again. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>
#include <wordexp.h>

static void show(const char *words, int flags, int rc, const wordexp_t *w)
{
    printf("[%s] f=%d rc=%d", words, flags, rc);
    if (rc == 0 || rc == WRDE_NOSPACE) {
        printf(" c=%u o=%u:", (unsigned)w->we_wordc, (unsigned)w->we_offs);
        size_t skip = (flags & WRDE_DOOFFS) ? w->we_offs : 0;
        for (size_t i = 0; i < skip; i++)
            printf(" %s", w->we_wordv[i] == NULL ? "(null)" : "!");
        for (size_t i = 0; i < w->we_wordc; i++)
            printf(" <%s>", w->we_wordv[skip + i]);
        printf(" end=%s", w->we_wordv[skip + w->we_wordc] == NULL ? "null" : "!");
    } else {
        printf(" c=%u v=%s", (unsigned)w->we_wordc, w->we_wordv == NULL ? "null" : "set");
    }
    printf("\n");
}

static void one(const char *words, int flags)
{
    wordexp_t w;
    memset(&w, 0, sizeof w);
    int rc = wordexp(words, &w, flags);
    show(words, flags, rc, &w);
    if (rc == 0) wordfree(&w);
}

static const char *const plain[] = {
    "", "   ", "a b  c", " \t\na\n", "'a b' \"c d\" e\\ f", "\"a\\\"b\\$c\\x\"",
    "'unterminated", "\"unterminated", "a\\", "'\\'", "x''y", "\"\"", "''",
    "~", "~/x", "~nosuchuser/y", "a~", "\"~\"", "~:x", "x=~",
    "$V", "${V}", "$V$W", "\"$V\"", "$E", "\"$E\"", "x$E", "$U", "\"$U\"", "$U x",
    "${#V}", "${#U}", "${#E}", "${U:-dflt}", "${E:-dflt}", "${E-dflt}", "${U-dflt}",
    "${V:-dflt}", "${U:-two words}", "\"${U:-two words}\"", "${U:+alt}", "${V:+alt}",
    "${E:+alt}", "${E+alt}", "${U+alt}",
    "${P#*/}", "${P##*/}", "${P%/*}", "${P%%/*}", "${P#x}", "${P%\\.c}", "${P##}",
    "${N:=set}", "${N}", "${N2=x y}", "${N2}", "${E:=fill}", "${E}",
    "${U:?msg}", "${U?msg}", "${E:?}", "${E?msg}", "${V:?msg}",
    "${V:1}", "${V:1:2}", "${V", "${", "$", "$ x", "a$", "${}", "${V!}", "${1V}",
    "${!V}", "'$(x)'", "\\$(x)", "$((1+2))",
    "$((2*(3+4)-10/3%2))", "$((7/0))", "$((-3))", "$((1+))", "$(( 5 - 2 ))",
    "$((V2+1))", "$(($V2*2))", "$((0x10))", "$((010))", "$((1<<2))", "$[1+1]",
    "$((\"1\"))", "$((1+2)", "$((7%2+1))", "$((1 - -2))", "$((-(2)))",
    "$((8/2/2))", "$(((1+2)*3))", "$((1+\\2))", "\"$((1+2))\"x", "$#", "$?", "$-",
    "${10}",
    "a|b", "a&b", "a;b", "a<b", "a>b", "a(b", "a)b", "a{b", "a}b", "a\nb",
    "'a|b'", "\"a;b\"", "a\\|b", "{a,b}", "a#b", "#a", "a #b",
    "a \"$Z\" b", "\"${Z}\"", "x\"$Z\"", "a=~/x", "b=a=~", "a:~", "\"$U\"x\"$U\"", "a \"$U\" b", "x\"$U\"y", "${V#\"v\"}",
    "${V#'v'*}", "${V%%*}", "${#}", "${##}", "${#V:-x}", "${#U:-abc}", "${#V#v}",
    "${V:-${U:-in}}", "${U:-\"a b\"}", "${U:-a\\ b}", "${U:-$S}", "\"${U:-$S}\"",
    "${V:+\"x y\"}", "$S\"$S\"$S", "~/\"x y\"", "\"a\\", "x*\"", "b*\"h", "x*'",
    "\"x*", "x*\\",
    "$S", "\"$S\"", "x${S}y", "$T", "\"$T\"",
    "*.c", "b*", "?.c", "[ab].c", "*.none", "\"*.c\"", "\\*.c", "d/*", "$G",
    "\"$G\"", "'*'.c", ".*", "*",
    NULL,
};

static const char *const splits[][2] = {
    { " \t\n", "$S" }, { ":", "$C" }, { ":", "\"$C\"" }, { ": ", "$C" },
    { ": ", "$D" }, { ":", "$D" }, { "", "$S" }, { ":", "a:b $C" },
    { "x", "$V" }, { ":", "${C}z" }, { ": ", "$K" }, { ":", "a:b" },
    { NULL, NULL },
};

int main(int argc, char **argv)
{
    char dir[256];
    setvbuf(stdout, NULL, _IONBF, 0);
    snprintf(dir, sizeof dir, "%s", argc > 1 ? argv[1] : "weXXXXXX");
    if (mkdtemp(dir) == NULL || chdir(dir) != 0) { printf("mkdtemp failed\n"); return 1; }
    static const char *const files[] = { "a.c", "b.c", "b.h", ".hid", "d", NULL };
    for (int i = 0; files[i] != NULL; i++) fclose(fopen(files[i], "w"));
    unlink("d");
    mkdir("d", 0700);
    fclose(fopen("d/in", "w"));

    unsetenv("U"); unsetenv("N"); unsetenv("N2"); unsetenv("IFS");
    setenv("HOME", "/home/guest", 1);
    setenv("V", "value", 1);
    setenv("W", "-w", 1);
    setenv("E", "", 1);
    setenv("Z", "", 1);
    setenv("P", "dir/sub/file.c", 1);
    setenv("S", "  one  two\tthree ", 1);
    setenv("T", "a  b", 1);
    setenv("C", ":a::b:", 1);
    setenv("D", " a : b  :: c ", 1);
    setenv("K", "a : : b", 1);
    setenv("G", "*.h", 1);
    setenv("V2", "5", 1);

    for (int i = 0; plain[i] != NULL; i++) one(plain[i], 0);
    printf("N=%s N2=%s E=[%s]\n", getenv("N") ? getenv("N") : "(unset)",
           getenv("N2") ? getenv("N2") : "(unset)", getenv("E"));

    static const char *const flagged[] = { "$U", "${U}", "\"$U\"", "${U:-d}", "${#U}",
                                           "$V", "a|b",
                                           "$((U+1))", "$1", "${U+a}", NULL };
    for (int i = 0; flagged[i] != NULL; i++) {
        one(flagged[i], WRDE_UNDEF);
        one(flagged[i], WRDE_NOCMD);
    }

    /* Commands are never run here: only WRDE_NOCMD's answer is asked for. */
    static const char *const commands[] = { "$(x)", "`x`", "\"`x`\"", "\"$(x)\"",
                                            "a $(x", "`x", "\"$(x", "$((1)) $(x", "'`'", "\\`", "$((1))$(x)", NULL };
    for (int i = 0; commands[i] != NULL; i++) one(commands[i], WRDE_NOCMD);

    for (int i = 0; splits[i][0] != NULL; i++) {
        setenv("IFS", splits[i][0], 1);
        printf("IFS=[%s] ", splits[i][0]);
        one(splits[i][1], 0);
    }
    unsetenv("IFS");

    /* $$ is the process id, which differs run to run. */
    {
        wordexp_t w;
        int rc = wordexp("$$", &w, 0);
        char pid[32];
        snprintf(pid, sizeof pid, "%d", (int)getpid());
        printf("$$ rc=%d c=%u same=%d\n", rc, (unsigned)w.we_wordc,
               rc == 0 && strcmp(w.we_wordv[0], pid) == 0);
        if (rc == 0) wordfree(&w);
    }

    /* The positional parameters are the program's arguments, whose paths
       differ from host to host. */
    {
        wordexp_t w;
        int rc = wordexp("$0 ${1} \"$*\" $@ $2", &w, 0);
        printf("args rc=%d c=%u", rc, (unsigned)w.we_wordc);
        if (rc == 0) {
            const char *want[] = { argv[0], argv[1], argv[1], argv[1] };
            for (size_t i = 0; i < 4 && i < w.we_wordc; i++)
                printf(" %d", strcmp(w.we_wordv[i], want[i]) == 0);
            wordfree(&w);
        }
        printf("\n");
    }

    /* Offsets, appending, reuse, and what an error leaves behind. */
    {
        wordexp_t w;
        w.we_offs = 2;
        int rc = wordexp("a b", &w, WRDE_DOOFFS);
        show("a b", WRDE_DOOFFS, rc, &w);
        rc = wordexp("c *.c", &w, WRDE_DOOFFS | WRDE_APPEND);
        show("c *.c", WRDE_DOOFFS | WRDE_APPEND, rc, &w);
        rc = wordexp("d", &w, WRDE_APPEND);
        show("d", WRDE_APPEND, rc, &w);
        rc = wordexp("e f", &w, WRDE_REUSE);
        show("e f", WRDE_REUSE, rc, &w);
        rc = wordexp("g", &w, WRDE_REUSE | WRDE_DOOFFS);
        show("g", WRDE_REUSE | WRDE_DOOFFS, rc, &w);
        rc = wordexp("a|b", &w, WRDE_REUSE);
        printf("reuse error rc=%d c=%u v=%s\n", rc, (unsigned)w.we_wordc,
               w.we_wordv == NULL ? "null" : "set");
        w.we_offs = 3;
        rc = wordexp("", &w, WRDE_DOOFFS);
        show("", WRDE_DOOFFS, rc, &w);
        rc = wordexp("x", &w, WRDE_APPEND);
        show("x", WRDE_APPEND, rc, &w);
        wordfree(&w);
        printf("freed c=%u v=%s\n", (unsigned)w.we_wordc, w.we_wordv == NULL ? "null" : "set");
        w.we_wordc = 7; w.we_wordv = (char **)&w;
        rc = wordexp("a|b", &w, 0);
        printf("error rc=%d c=%u v=%s\n", rc, (unsigned)w.we_wordc,
               w.we_wordv == NULL ? "null" : "set");
        memset(&w, 0, sizeof w);
        rc = wordexp("x y '", &w, 0);
        printf("syntax rc=%d c=%u v=%s\n", rc, (unsigned)w.we_wordc,
               w.we_wordv == NULL ? "null" : "set");
        w.we_offs = 1;
        rc = wordexp("x y |", &w, WRDE_DOOFFS);
        printf("badchar offs rc=%d c=%u v=%s\n", rc, (unsigned)w.we_wordc,
               w.we_wordv == NULL ? "null" : "set");
        w.we_wordc = 0; w.we_wordv = NULL; w.we_offs = 0;
        wordfree(&w);
    }

    unlink("d/in"); rmdir("d");
    for (int i = 0; files[i] != NULL; i++) unlink(files[i]);
    chdir("..");
    rmdir(dir);
    return 0;
}
