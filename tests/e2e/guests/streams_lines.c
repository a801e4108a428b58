/* Lines longer than every buffer: fgets in pieces, getline growing a
   buffer the guest got from malloc, and pushing characters back. */
#define _GNU_SOURCE
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int main(void)
{
    FILE *f = fopen("lines.txt", "w+");
    char piece[10], tiny[4];
    char *line;
    size_t cap;
    ssize_t got;
    int i, pieces, c;

    fputs("first\n", f);
    for (i = 0; i < 10000; i++) fputc('0' + i % 10, f);
    fputs("\n\nlast", f);
    rewind(f);

    /* fgets: whole lines in 9-byte pieces. */
    pieces = 0;
    while (fgets(piece, sizeof piece, f) != NULL) {
        size_t n = strlen(piece);
        if (pieces < 3 || n < 8) printf("piece %d [%s] %d\n", pieces, piece, (int)n);
        pieces++;
    }
    printf("pieces %d eof %d error %d\n", pieces, feof(f), ferror(f));
    memset(piece, '#', sizeof piece);
    printf("at end %d untouched %d\n", fgets(piece, sizeof piece, f) == NULL, piece[0] == '#');

    /* Sizes fgets handles itself. */
    rewind(f);
    memset(tiny, '#', sizeof tiny);
    printf("size 1 %d [%s]\n", fgets(tiny, 1, f) == tiny, tiny);
    memset(tiny, '#', sizeof tiny);
    printf("size 0 %d %d\n", fgets(tiny, 0, f) == NULL, tiny[0] == '#');
    printf("size 2 [%s]\n", fgets(tiny, 2, f));

    /* getline from a guest buffer of 4 bytes. */
    rewind(f);
    cap = 4;
    line = malloc(cap);
    while ((got = getline(&line, &cap, f)) != -1)
        printf("getline %d cap>len %d first %c cap %d\n", (int)got, cap > (size_t)got,
               line[0], (int)(cap < 100 ? cap : 0));
    printf("getline at end eof %d\n", feof(f));
    free(line);

    /* getline with no buffer: the first one is allocated for the guest. */
    rewind(f);
    line = NULL;
    cap = 0;
    got = getline(&line, &cap, f);
    printf("fresh %d cap %d [%s]\n", (int)got, (int)cap, line);
    got = getdelim(&line, &cap, '5', f);
    printf("getdelim %d last %c\n", (int)got, line[got - 1]);
    got = __getdelim(&line, &cap, '\n', f);
    printf("__getdelim %d\n", (int)got);
    free(line);
    line = NULL;
    cap = 0;
    fseek(f, 0, SEEK_END);
    got = getline(&line, &cap, f);
    printf("getline at eof %d allocated %d\n", (int)got, line != NULL);
    free(line);

    /* ungetc at the start, in the middle, and after the end. */
    rewind(f);
    printf("unget at start %c", ungetc('S', f));
    c = getc(f);
    printf(" then %c %c\n", c, getc(f));
    printf("unget mid %c", ungetc('M', f));
    c = getc(f);
    printf(" then %c %c\n", c, getc(f));
    fseek(f, 0, SEEK_END);
    printf("end %d eof %d\n", getc(f), feof(f));
    printf("unget after end %c eof %d", ungetc('E', f), feof(f));
    c = getc(f);
    printf(" then %c %d eof %d\n", c, getc(f), feof(f));
    printf("unget EOF %d\n", ungetc(EOF, f));
    fclose(f);
    remove("lines.txt");

    /* Standard input: lines from the case. */
    while ((c = getchar()) != EOF && c != '\n') putchar(c);
    putchar('\n');
    line = NULL;
    cap = 0;
    while ((got = getline(&line, &cap, stdin)) != -1) printf("stdin %d [%s]", (int)got, line);
    printf("\nstdin eof %d\n", feof(stdin));
    free(line);
    /* Closing standard input leaves the stream closed; the loader's own
       end of the run still reads its descriptor. */
    c = fclose(stdin);
    printf("fclose stdin %d", c);
    c = getc(stdin);
    printf(" then getc %d\n", c);
    return 0;
}
