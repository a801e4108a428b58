/* Names and temporary files: tmpfile, tmpnam, tempnam, rename onto an
   existing file, remove of files and empty directories. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

static int exists(const char *path)
{
    FILE *f = fopen(path, "r");
    if (f != NULL) fclose(f);
    return f != NULL;
}

static void contents(const char *label, const char *path)
{
    char line[32] = "";
    FILE *f = fopen(path, "r");
    if (f != NULL) {
        if (fgets(line, sizeof line, f) == NULL) line[0] = 0;
        fclose(f);
    }
    printf("%s [%s]\n", label, line);
}

static void write_file(const char *path, const char *text)
{
    FILE *f = fopen(path, "w");
    fputs(text, f);
    fclose(f);
}

/* The name ends in the prefix and six letters or digits. */
static int shaped(const char *name, const char *prefix)
{
    size_t n = strlen(name), p = strlen(prefix), i;
    if (n < p + 6 || strncmp(name + n - 6 - p, prefix, p) != 0) return 0;
    for (i = n - 6; i < n; i++)
        if (!((name[i] >= 'a' && name[i] <= 'z') || (name[i] >= 'A' && name[i] <= 'Z') ||
              (name[i] >= '0' && name[i] <= '9')))
            return 0;
    return 1;
}

int main(void)
{
    FILE *f;
    char name[L_tmpnam], *t, *u, line[16];
    int c;

    f = tmpfile();
    printf("tmpfile %d", f != NULL);
    fputs("temporary", f);
    rewind(f);
    printf(" [%s]", fgets(line, sizeof line, f));
    printf(" close %d\n", fclose(f));

    t = tmpnam(name);
    printf("tmpnam buffer %d shaped %d free %d\n", t == name, shaped(name, "file"), !exists(name));
    f = fopen(name, "wx");
    printf("usable %d", f != NULL);
    if (f != NULL) fclose(f);
    printf(" removed %d\n", remove(name));
    t = tmpnam(NULL);
    printf("tmpnam own %d shaped %d differs %d\n", t != NULL, shaped(t, "file"), strcmp(t, name) != 0);

    t = tempnam(".", "pfx");
    printf("tempnam [%.5s] %d shaped %d\n", t, (int)strlen(t), shaped(t, "pfx"));
    u = tempnam("./", "longprefix");
    printf("tempnam [%.7s] %d shaped %d\n", u, (int)strlen(u), shaped(u, "longp"));
    f = fopen(u, "w");
    printf("usable %d", f != NULL && fclose(f) == 0);
    printf(" removed %d\n", remove(u));
    free(t);
    free(u);
    t = tempnam("no/such/dir", NULL);
    printf("fallback shaped %d not there %d\n", shaped(t, "file"), strncmp(t, "no/", 3) != 0);
    free(t);

    write_file("old.txt", "old");
    write_file("new.txt", "new");
    printf("rename onto existing %d", rename("new.txt", "old.txt"));
    printf(" source gone %d\n", !exists("new.txt"));
    contents("old.txt holds", "old.txt");
    printf("rename to itself %d\n", rename("old.txt", "old.txt"));
    mkdir("d1", 0777);
    mkdir("d2", 0777);
    printf("rename dir onto empty dir %d\n", rename("d1", "d2"));
    write_file("d2/inner", "in");
    printf("rename dir to new name %d\n", rename("d2", "d3"));
    contents("moved", "d3/inner");
    printf("remove file %d", remove("d3/inner"));
    printf(" remove empty dir %d", remove("d3"));
    printf(" gone %d\n", remove("d3"));
    printf("remove %d\n", remove("old.txt"));
    c = exists("old.txt") + exists("d1") + exists("d2");
    printf("left %d\n", c);
    return 0;
}
