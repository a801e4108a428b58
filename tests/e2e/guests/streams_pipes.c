/* popen and pclose through the host's command interpreter; the
   variables the program sets reach the commands it starts. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

/* The line without its end and without the reference the other
   interpreter leaves as it is (sh expands $NAME, cmd.exe %NAME%). */
static void show(const char *what, char *line)
{
    static const char *const literal[] = {"%TB_WORD%", "$TB_WORD"};
    for (int i = 0; i < 2; i++) {
        char *at = strstr(line, literal[i]);
        if (at != NULL) memmove(at, at + strlen(literal[i]), strlen(at + strlen(literal[i])) + 1);
    }
    line[strcspn(line, "\r\n")] = '\0';
    printf("%s [%s]\n", what, line);
}

int main(void)
{
    char line[64];
    FILE *p, *f;
    int status;

    p = popen("echo hello", "r");
    printf("popen %d\n", p != NULL);
    while (fgets(line, sizeof line, p) != NULL) {
        char *end = line;
        while (*end != '\0' && *end != '\r' && *end != '\n') end++;
        *end = '\0';
        printf("read [%s]\n", line);
    }
    printf("eof %d", feof(p));
    printf(" pclose %d\n", pclose(p));

    p = popen("exit 3", "r");
    printf("exit 3: %d\n", pclose(p));
    p = popen("exit 3", "re");
    printf("fclose exit 3: %d\n", fclose(p));

    fflush(stdout);
    p = popen("echo from the writer", "w");
    status = pclose(p);
    printf("writer %d\n", status);

    setenv("TB_WORD", "set by the program", 1);
    p = popen("echo %TB_WORD%$TB_WORD", "r");
    if (fgets(line, sizeof line, p) != NULL) show("popen sees", line);
    pclose(p);
    system("echo %TB_WORD%$TB_WORD> seen.txt");
    f = fopen("seen.txt", "r");
    if (f != NULL && fgets(line, sizeof line, f) != NULL) show("system sees", line);
    if (f != NULL) fclose(f);
    remove("seen.txt");

    f = fopen("plain.txt", "w");
    printf("pclose plain %d\n", pclose(f));
    remove("plain.txt");
    return 0;
}
