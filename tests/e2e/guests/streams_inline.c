/* What an optimised program compiles in: the inline getc_unlocked and
   putc_unlocked of <stdio.h>, which move the stream's pointers themselves
   and call __uflow and __overflow at a buffer's end, mixed on one stream
   with the called reads. Standard input (a pipe or a file, as the case
   gives it) holds argv[1] bytes of text lines, argv[2] bytes of every
   value, and a tail this program leaves unread. */
#define _GNU_SOURCE
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static unsigned mix(unsigned h, int c) { return (h ^ (unsigned)c) * 16777619u; }

/* Copies `count` bytes inline, hashing them; how many came. */
static long copy(FILE *in, FILE *out, long count, unsigned *h)
{
    long n = 0;
    int c;
    while (n < count && (c = getc_unlocked(in)) != EOF) {
        putc_unlocked(c, out);
        *h = mix(*h, c);
        n++;
    }
    return n;
}

int main(int argc, char **argv)
{
    long text = argc > 2 ? atol(argv[1]) : 0, binary = argc > 2 ? atol(argv[2]) : 0, n;
    int c, d, number = 0;
    char line[16], block[10000], word[8];
    unsigned h = 2166136261u, again = 2166136261u;
    int (*volatile called_getc)(FILE *) = getc;
    FILE *out, *in;

    /* The text starts "12345 words": inline and called reads in turn. */
    c = getc_unlocked(stdin);
    printf("inline %c ungetc %c", c, ungetc(c, stdin));
    printf(" fgetc %c", fgetc(stdin));
    printf(" ungetc %c", ungetc('#', stdin));
    printf(" inline %c", getc_unlocked(stdin));
    ungetc('1', stdin);
    printf(" fscanf %d", fscanf(stdin, "%d", &number));
    printf(" %d", number);
    d = getc_unlocked(stdin);
    printf(" then [%c] ungetc %c", d, ungetc('Y', stdin));
    printf(" getc %c", called_getc(stdin));
    printf(" fscanf %d [%s]", fscanf(stdin, "%7s", word), word);
    printf(" fgets [%s]\n", fgets(line, sizeof line, stdin));
    n = 6 + (long)strlen(word) + (long)strlen(line);

    /* The rest of the text inline to standard output, a block read in
       the middle that is larger than any buffer. */
    n += copy(stdin, stdout, 3000, &h);
    n += (long)fread(block, 1, sizeof block, stdin);
    for (size_t i = 0; i < sizeof block; i++) h = mix(h, (unsigned char)block[i]);
    n += copy(stdin, stdout, text - n, &h);
    printf("text %ld hash %08x\n", n, h);

    /* The bytes of every value inline into a file; a flush of standard
       input half way gives back what was read ahead (on a file) or keeps
       it (on a pipe), and reading goes on alike. */
    out = fopen("inline.bin", "w");
    h = 2166136261u;
    n = copy(stdin, out, binary / 2, &h);
    printf("flush stdin %d", fflush(stdin));
    n += copy(stdin, out, binary - n, &h);
    printf(" binary %ld hash %08x ftell %ld close %d\n", n, h, ftell(out), fclose(out));

    /* The file back, inline, and then at its end: sticky end of file,
       ungetc there, fscanf there. */
    in = fopen("inline.bin", "r");
    out = fopen("inline.copy", "w");
    n = copy(in, out, binary + 1, &again);
    printf("copy %ld same %d eof %d", n, again == h, feof(in));
    printf(" ungetc %c", ungetc('z', in));
    printf(" eof %d", feof(in));
    printf(" inline %c", getc_unlocked(in));
    printf(" getc %d", getc(in));
    printf(" fscanf %d", fscanf(in, "%d", &number));
    fclose(out);
    out = fopen("inline.bin", "a");
    fputs("more", out);
    fclose(out);
    c = getc_unlocked(in);
    printf(" sticky %d", c);
    clearerr(in);
    c = getc_unlocked(in);
    printf(" cleared %c", c);
    printf(" fread %d\n", (int)fread(block, 1, 100, in));
    fclose(in);

    /* The tail stays unread: at exit glibc gives back to a file what
       standard input read ahead. */
    c = getc_unlocked(stdin);
    errno = 0;
    printf("tail %c ftell %ld errno %d\n", c, ftell(stdin), errno);
    remove("inline.bin");
    remove("inline.copy");
    return 0;
}
