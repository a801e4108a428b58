/* Streams on memory: fmemopen reading and writing a guest buffer, with
   the terminator and the bounds the Linux C library keeps, and
   open_memstream handing over a block the guest frees. */
#define _GNU_SOURCE
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static void show(const char *label, const char *b, int n)
{
    int i;
    printf("%s [", label);
    for (i = 0; i < n; i++) {
        if (b[i] >= 32 && b[i] < 127) putchar(b[i]);
        else printf("\\%d", b[i]);
    }
    printf("]\n");
}

int main(void)
{
    char buf[10], text[64];
    FILE *f;
    char *p;
    size_t size;
    int c, n;

    memset(buf, '#', sizeof buf);
    f = fmemopen(buf, sizeof buf, "w");
    fputs("abc", f);
    show("w before flush", buf, 10);
    printf("tell %ld", ftell(f));
    printf(" flush %d\n", fflush(f));
    show("w flushed", buf, 10);
    fputs("defghijklmn", f);
    printf("overflow flush %d", fflush(f));
    printf(" error %d", ferror(f));
    printf(" tell %ld\n", ftell(f));
    show("w overflowed", buf, 10);
    printf("seek %d", fseek(f, 1, SEEK_SET));
    printf(" put %c", fputc('X', f));
    printf(" flush %d\n", fflush(f));
    printf("seek end %d", fseek(f, 0, SEEK_END));
    printf(" tell %ld", ftell(f));
    printf(" close %d\n", fclose(f));
    show("w closed", buf, 10);

    memset(buf, '#', sizeof buf);
    f = fmemopen(buf, sizeof buf, "w");
    fputs("ab", f);
    fseek(f, 5, SEEK_SET);
    fputs("c", f);
    printf("gap close %d\n", fclose(f));
    show("w gap", buf, 10);

    memset(buf, '#', sizeof buf);
    f = fmemopen(buf, sizeof buf, "w");
    fputs("0123456789", f);
    printf("exact close %d\n", fclose(f));
    show("w exact", buf, 10);

    memcpy(buf, "xyz\0uvw\0#!", 10);
    f = fmemopen(buf, sizeof buf, "r");
    n = 0;
    while ((c = getc(f)) != EOF) {
        printf("%d ", c);
        n++;
    }
    printf("read %d eof %d\n", n, feof(f));
    printf("seek end %d", fseek(f, 0, SEEK_END));
    printf(" tell %ld", ftell(f));
    printf(" past %d", fseek(f, 11, SEEK_SET));
    printf(" before %d", fseek(f, -1, SEEK_SET));
    printf(" put %d", fputc('a', f));
    printf(" error %d\n", ferror(f));
    rewind(f);
    printf("fgets [%s]", fgets(text, sizeof text, f));
    printf(" fread %d", (int)fread(text, 1, sizeof text, f));
    printf(" close %d\n", fclose(f));

    memcpy(buf, "xyz\0uvw\0#!", 10);
    f = fmemopen(buf, sizeof buf, "a");
    printf("append starts at %ld", ftell(f));
    fputs("12", f);
    fflush(f);
    printf(" then %ld\n", ftell(f));
    fseek(f, 0, SEEK_SET);
    fputs("Q", f);
    fclose(f);
    show("a", buf, 10);

    memcpy(buf, "xyz\0uvw\0#!", 10);
    f = fmemopen(buf, sizeof buf, "r+");
    fputs("12", f);
    fflush(f);
    show("r+", buf, 10);
    printf("getc %c", getc(f));
    fseek(f, 0, SEEK_END);
    printf(" end %ld\n", ftell(f));
    fclose(f);

    memcpy(buf, "xyz\0uvw\0#!", 10);
    f = fmemopen(buf, sizeof buf, "w+");
    show("w+ opened", buf, 10);
    fputs("12", f);
    fseek(f, 0, SEEK_SET);
    show("w+ after seek", buf, 10);
    c = getc(f);
    printf("w+ reads %c", c);
    c = getc(f);
    printf(" %c", c);
    c = getc(f);
    printf(" %d eof %d\n", c, feof(f));
    fclose(f);

    f = fmemopen(NULL, 10, "w+");
    fputs("own", f);
    rewind(f);
    printf("own buffer [%s]\n", fgets(text, sizeof text, f));
    fclose(f);
    printf("bad mode %d\n", fmemopen(buf, sizeof buf, "q") == NULL);

    /* open_memstream: *p and size appear at each flush. */
    p = (char *)1;
    size = 77;
    f = open_memstream(&p, &size);
    printf("opened untouched %d %d\n", p == (char *)1, (int)size);
    fprintf(f, "hello %d", 42);
    printf("before flush %d", (int)size);
    n = fflush(f);
    printf(" flush %d", n);
    printf(" [%s] %d\n", p, (int)size);
    fseek(f, 2, SEEK_SET);
    fflush(f);
    printf("after seek [%s] %d\n", p, (int)size);
    fputs("X", f);
    fflush(f);
    printf("after X [%s] %d\n", p, (int)size);
    fseek(f, 0, SEEK_END);
    fseek(f, 3, SEEK_CUR);
    fflush(f);
    printf("past end %d zeros %d %d\n", (int)size, p[8], p[10]);
    for (n = 0; n < 5000; n++) fputc('a' + n % 26, f);
    n = fclose(f);
    printf("close %d size %d last %c end %d\n", n, (int)size, p[size - 1], p[size]);
    free(p);
    f = open_memstream(&p, &size);
    n = fclose(f);
    printf("empty close %d [%s] %d\n", n, p, (int)size);
    free(p);
    return 0;
}
