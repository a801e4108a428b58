/* popen and pclose through the host's command interpreter. */
#include <stdio.h>

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

    f = fopen("plain.txt", "w");
    printf("pclose plain %d\n", pclose(f));
    remove("plain.txt");
    return 0;
}
