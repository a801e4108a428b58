/* Wide characters on streams in the "C" locale: files and the standard
   streams read and written a wide character at a time and by lines,
   pushing back, orientation and its conflicts, the wprintf and wscanf
   families, and what the C library does with characters past ASCII both
   ways (a stream writes them transliterated, reading a byte past ASCII
   is EILSEQ).
   Every report goes through wprintf, which makes standard output wide. */
#define _GNU_SOURCE
#include <errno.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

wchar_t *__fgetws_chk(wchar_t *, size_t, int, FILE *);
int __swprintf_chk(wchar_t *, size_t, int, size_t, const wchar_t *, ...);
int __fwprintf_chk(FILE *, int, const wchar_t *, ...);
wint_t __wuflow(FILE *);
wint_t __wunderflow(FILE *);
wint_t __woverflow(FILE *, wint_t);

/* Wide text as ASCII, anything else as <hex>. */
static void show(const wchar_t *w, int n)
{
    int i;
    wprintf(L"[");
    for (i = 0; i < n; i++) {
        if (w[i] >= 0x20 && w[i] < 0x7f) wprintf(L"%lc", (wint_t)w[i]);
        else wprintf(L"<%x>", (unsigned)w[i]);
    }
    wprintf(L"]");
}

static void fill(wchar_t *w, int n)
{
    int i;
    for (i = 0; i < n; i++) w[i] = L'#';
}

static void show_bytes(const char *b, int n)
{
    int i;
    wprintf(L"[");
    for (i = 0; i < n; i++) {
        unsigned char c = b[i];
        if (c >= 0x20 && c < 0x7f) wprintf(L"%c", c);
        else wprintf(L"<%x>", c);
    }
    wprintf(L"]");
}

/* The bytes a file holds, as text. */
static void bytes_of(const char *path)
{
    char buffer[128];
    FILE *f = fopen(path, "r");
    size_t n = fread(buffer, 1, sizeof buffer - 1, f);
    size_t i;
    fclose(f);
    wprintf(L"bytes %d [", (int)n);
    for (i = 0; i < n; i++) {
        unsigned char c = buffer[i];
        if (c >= 0x20 && c < 0x7f) wprintf(L"%c", c);
        else wprintf(L"\\x%02x", c);
    }
    wprintf(L"]\n");
}

static void state(const char *what, long value, FILE *f)
{
    wprintf(L"%s %ld errno %d eof %d error %d\n", what, value, errno, feof(f), ferror(f));
}

static int wide_through_list(wchar_t *out, size_t n, const wchar_t *format, ...)
{
    va_list args;
    int r;
    va_start(args, format);
    r = vswprintf(out, n, format, args);
    va_end(args);
    return r;
}

static int wide_to_stream(FILE *f, const wchar_t *format, ...)
{
    va_list args;
    int r;
    va_start(args, format);
    r = vfwprintf(f, format, args);
    va_end(args);
    return r;
}

int main(void)
{
    int out_before = fwide(stdout, 0), err_before = fwide(stderr, 0);
    wchar_t w[32], line[16];
    char narrow[8];
    wchar_t *memory, *allocated;
    size_t memory_size;
    FILE *f;
    wint_t c;
    int r, n1, n2;

    wprintf(L"stdout %d -> %d, stderr %d\n", out_before, fwide(stdout, 0), err_before);

    /* Orientation: the first call decides it for good. */
    f = fopen("wide.txt", "w+");
    wprintf(L"fresh %d", fwide(f, 0));
    wprintf(L" WEOF first %d", (int)fputwc(WEOF, f));
    wprintf(L" fputwc %d", (int)fputwc(L'A', f));
    wprintf(L" now %d", fwide(f, 0));
    wprintf(L" asked bytes %d\n", fwide(f, -5));
    errno = 0;
    r = fputs("bytes", f);
    wprintf(L"on wide: fputs %d", r);
    r = (int)fwrite("bytes", 1, 5, f);
    wprintf(L" fwrite %d", r);
    r = fprintf(f, "%d", 5);
    wprintf(L" fprintf %d errno %d error %d\n", r, errno, ferror(f));
    /* Writing: past ASCII transliterated, or '?'. */
    wprintf(L"fputwc %x", (unsigned)fputwc(0xa9, f));
    wprintf(L" %x", (unsigned)putwc(0xe9, f));
    wprintf(L" fputws %d", fputws(L" \x20ac\xab\x3b1\x3b2\x3b3\x2026\xbc\x200b|\n", f));
    wprintf(L" fwprintf %d", fwprintf(f, L"%ls %d %lc\n", L"\xc6on", 42, (wint_t)0xdf));
    wprintf(L" vfwprintf %d", wide_to_stream(f, L"%5ls|%-3lc|\n", L"\xb5", (wint_t)0x2122));
    wprintf(L" __woverflow %x", (unsigned)__woverflow(f, 0xd7));
    wprintf(L" WEOF %d\n", (int)fputwc(WEOF, f));
    wprintf(L"ftell %ld\n", ftell(f));
    fclose(f);
    bytes_of("wide.txt");

    f = fopen("bytes.txt", "w+");
    fputs("ab\ncd\xe9z\nlast", f);
    errno = 0;
    wprintf(L"on bytes: fwide %d", fwide(f, 1));
    wprintf(L" fputwc %d", (int)fputwc(L'x', f));
    wprintf(L" fputws %d", fputws(L"x", f));
    wprintf(L" fwprintf %d", fwprintf(f, L"x"));
    rewind(f);
    wprintf(L" fgetwc %d", (int)fgetwc(f));
    wprintf(L" fgetws %d", fgetws(w, 8, f) != NULL);
    wprintf(L" __wuflow %d errno %d error %d\n", (int)__wuflow(f), errno, ferror(f));
    fclose(f);

    /* Reading: pushing back, lines, and a byte past ASCII. */
    f = fopen("bytes.txt", "r");
    c = fgetwc(f);
    wprintf(L"read %lc", (wint_t)c);
    wprintf(L" again %x", (unsigned)ungetwc(c, f));
    wprintf(L" tell %ld", ftell(f));
    wprintf(L" %lc", (wint_t)getwc(f));
    wprintf(L" pushed %x", (unsigned)ungetwc(0xe9, f));
    wprintf(L" %x", (unsigned)ungetwc(0x20ac, f));
    wprintf(L" %x", (unsigned)ungetwc(L'q', f));
    wprintf(L" WEOF %x", (unsigned)ungetwc(WEOF, f));
    errno = 0;
    wprintf(L" tell %ld errno %d", ftell(f), errno);
    wprintf(L" peek %lc", (wint_t)__wunderflow(f));
    wprintf(L" back");
    wprintf(L" %lc", (wint_t)__wuflow(f));
    wprintf(L" %x", (unsigned)fgetwc(f));
    wprintf(L" %x", (unsigned)fgetwc(f));
    wprintf(L" tell %ld\n", ftell(f));
    fill(w, 32);
    show(w, fgetws(w, 32, f) != NULL ? 4 : 0);
    errno = 0;
    fill(w, 32);
    r = fgetws(w, 32, f) != NULL;
    wprintf(L" bad line %d errno %d error %d tell %ld ", r, errno, ferror(f), ftell(f));
    show(w, 3);
    errno = 0;
    c = fgetwc(f);
    wprintf(L" again %d errno %d\n", (int)c, errno);
    clearerr(f);
    fseek(f, 1, SEEK_CUR);
    fill(w, 32);
    wprintf(L"short %d ", fgetws(w, 3, f) != NULL);
    show(w, 4);
    fill(w, 32);
    wprintf(L" one %d ", fgetws(w, 1, f) != NULL);
    show(w, 2);
    wprintf(L" none %d", fgetws(w, 0, f) != NULL);
    fill(w, 32);
    wprintf(L" last %d ", fgetws(w, 32, f) != NULL);
    show(w, 5);
    wprintf(L" eof %d", feof(f));
    wprintf(L" then %d", (int)fgetwc(f));
    wprintf(L" unget %x eof %d", (unsigned)ungetwc(L'!', f), feof(f));
    wprintf(L" %lc\n", (wint_t)fgetwc(f));
    /* Bytes of a wide-oriented stream are the wide calls' only. */
    rewind(f);
    errno = 0;
    r = fgetc(f);
    wprintf(L"fgetc on wide %d", r);
    r = fgets((char *)line, 8, f) != NULL;
    wprintf(L" fgets %d", r);
    r = (int)fread(line, 1, 2, f);
    wprintf(L" fread %d errno %d eof %d error %d\n", r, errno, feof(f), ferror(f));
    fclose(f);

    /* The wrong direction: reading a write-only stream, writing a
       read-only one. */
    f = fopen("bytes.txt", "r");
    errno = 0;
    c = fputwc(L'x', f);
    state(c == WEOF ? "fputwc on read-only WEOF" : "fputwc on read-only", (long)c, f);
    fclose(f);
    f = fopen("other.txt", "w");
    errno = 0;
    c = fgetwc(f);
    state(c == WEOF ? "fgetwc on write-only WEOF" : "fgetwc on write-only", (long)c, f);
    fclose(f);

    /* The fortified line read, and the macros' overflow entry. */
    f = fopen("bytes.txt", "r");
    fill(w, 32);
    wprintf(L"fgetws_chk %d ", __fgetws_chk(w, 8, 100, f) != NULL);
    show(w, 4);
    wprintf(L"\n");
    fclose(f);

    /* swprintf: the conversions, characters past ASCII kept whole. */
    fill(w, 32);
    r = swprintf(w, 32, L"%d|%5d|%-4d|%x|%05.1f", 42, -7, 3, 255, 2.25);
    wprintf(L"swprintf %d ", r);
    show(w, r + 1);
    fill(w, 32);
    r = swprintf(w, 32, L"%s|%4s|%.2s|%c%c", "abc", "de", "fgh", 'x', 'y');
    wprintf(L"\nswprintf %d ", r);
    show(w, r + 1);
    fill(w, 32);
    r = swprintf(w, 32, L"%ls|%4ls|%.1ls|%-3lc|%C%S", L"\xe9t\xe9", L"\x20ac", L"\x3b1\x3b2", (wint_t)0x10ffff, (wint_t)L'C', L"S");
    wprintf(L"\nswprintf %d ", r);
    show(w, r + 1);
    fill(w, 32);
    r = swprintf(w, 32, L"\xe9%ls%n-%d%n", L"\x3c0\x3c0", &n1, 7, &n2);
    wprintf(L"\nswprintf %d n %d %d ", r, n1, n2);
    show(w, r + 1);
    fill(w, 32);
    r = swprintf(w, 32, L"%2$ls %1$d %2$.1ls", 5, L"\x3c0x");
    wprintf(L" positions %d ", r);
    show(w, r + 1);
    fill(w, 32);
    r = wide_through_list(w, 32, L"%%|%5%|%y|%ls", (wchar_t *)NULL);
    wprintf(L"\nvswprintf %d ", r);
    show(w, r + 1);
    fill(w, 32);
    r = __swprintf_chk(w, 32, 1, 32, L"chk %d", 9);
    wprintf(L"\nswprintf_chk %d ", r);
    show(w, r + 1);
    /* Failures: too small a buffer, a byte mbrtowc refuses, a byte btowc
       refuses (WEOF is written and ends the call), an unfinished
       conversion. */
    fill(w, 32);
    errno = 0;
    r = swprintf(w, 4, L"%s", "abcdef");
    wprintf(L"\nsmall %d errno %d ", r, errno);
    show(w, 5);
    fill(w, 32);
    r = swprintf(w, 4, L"abc");
    wprintf(L" fits %d ", r);
    show(w, 5);
    fill(w, 32);
    r = swprintf(w, 1, L"a");
    wprintf(L" one %d ", r);
    show(w, 2);
    fill(w, 32);
    r = swprintf(w, 0, L"a");
    wprintf(L" zero %d ", r);
    show(w, 2);
    fill(w, 32);
    errno = 0;
    r = swprintf(w, 32, L"a%sb", "\xe9");
    wprintf(L"\nmbrtowc %d errno %d ", r, errno);
    show(w, 3);
    fill(w, 32);
    errno = 0;
    r = swprintf(w, 32, L"a%cb", 0xe9);
    wprintf(L" btowc %d errno %d ", r, errno);
    show(w, 4);
    fill(w, 32);
    errno = 0;
    r = swprintf(w, 32, L"ab%");
    wprintf(L" unfinished %d errno %d ", r, errno);
    show(w, 4);
    wprintf(L"\n");

    /* To standard output: transliterated, the count in wide characters. */
    r = wprintf(L"wprintf %ls|%3lc|%s|\xe6\n", L"caf\xe9 \xa9 \x20ac", (wint_t)0xbd, "ok");
    wprintf(L"count %d\n", r);
    errno = 0;
    r = wprintf(L"stops [%s] here\n", "x\xe9");
    wprintf(L"\ncount %d errno %d\n", r, errno);
    errno = 0;
    r = printf("narrow\n");
    wprintf(L"printf on wide stdout %d", r);
    r = puts("narrow");
    wprintf(L" puts %d errno %d\n", r, errno);
    wprintf(L"putwchar %x", (unsigned)putwchar(0x2122));
    wprintf(L" %x\n", (unsigned)putwchar_unlocked(L'\n'));

    /* Standard error, wide too; its reports still come out whole. */
    wprintf(L"fwprintf stderr %d", fwprintf(stderr, L"error %ls %d\n", L"\xe9t\xe9", 5));
    wprintf(L" fputws %d", fputws(L"line \x2018quoted\x2019\n", stderr));
    wprintf(L" chk %d\n", __fwprintf_chk(stderr, 1, L"%lc\n", (wint_t)0x3a9));
    errno = ENOENT;
    perror("perror on wide");

    /* wscanf: narrow fields get what wcrtomb makes of each character
       (EILSEQ past ASCII) and two NULs, wide ones the characters whole. */
    memset(narrow, '#', sizeof narrow);
    n1 = -1;
    r = swscanf(L"42 abc", L"%d %s", &n1, narrow);
    wprintf(L"swscanf %d %d ", r, n1);
    show_bytes(narrow, 8);
    memset(narrow, '#', sizeof narrow);
    errno = 0;
    r = swscanf(L"x\xe9y", L"%s", narrow);
    wprintf(L" wcrtomb %d errno %d ", r, errno);
    show_bytes(narrow, 3);
    errno = 0;
    r = swscanf(L"\xe9", L"%c", narrow);
    wprintf(L" %%c %d errno %d", r, errno);
    n1 = -1;
    r = swscanf(L"\xe9z", L"%*s%n", &n1);
    wprintf(L" suppressed %d n %d\n", r, n1);
    fill(w, 32);
    n1 = n2 = -1;
    r = swscanf(L"\xe9\x3b1" L"b\x3b2 = 7.5", L"%l[a-\x3b1\xe9]%n\x3b2 =%d", w, &n1, &n2);
    wprintf(L"swscanf %d n %d %d ", r, n1, n2);
    show(w, 5);
    fill(w, 32);
    r = swscanf(L"\xe9t\xe9 \x10ffff!", L"%ls %2lc", w, line);
    wprintf(L" %d ", r);
    show(w, 4);
    show(line, 2);
    r = swscanf(L"\x3c0\x3c0 x", L"%mls", &allocated);
    wprintf(L" m %d ", r);
    show(allocated, 3);
    free(allocated);
    r = swscanf(L"\xe8", L"\xe9");
    wprintf(L" mismatch %d", r);
    r = swscanf(L"", L"%d", &n1);
    wprintf(L" empty %d\n", r);
    f = fopen("bytes.txt", "w");
    fputs("12 abc\n34 x\xe9y\n", f);
    fclose(f);
    f = fopen("bytes.txt", "r");
    memset(narrow, '#', sizeof narrow);
    r = fwscanf(f, L"%d %s", &n1, narrow);
    wprintf(L"fwscanf %d %d ", r, n1);
    show_bytes(narrow, 6);
    wprintf(L" fwide %d", fwide(f, 0));
    fill(w, 32);
    errno = 0;
    r = fwscanf(f, L"%d %ls", &n1, w);
    wprintf(L" then %d %d errno %d error %d ", r, n1, errno, ferror(f));
    show(w, 3);
    errno = 0;
    c = fgetwc(f);
    wprintf(L" next %d errno %d\n", (int)c, errno);
    fclose(f);
    f = fopen("bytes.txt", "r");
    fgetc(f);
    wprintf(L"fwscanf on bytes %d\n", fwscanf(f, L"%d", &n1));
    fclose(f);

    /* Standard input: a character at a time, pushed back, by lines, and
       through wscanf. */
    c = getwchar();
    wprintf(L"stdin %lc", (wint_t)c);
    wprintf(L" %lc", (wint_t)getwchar_unlocked());
    ungetwc(L'Z', stdin);
    fill(line, 16);
    wprintf(L" line %d ", fgetws(line, 16, stdin) != NULL);
    show(line, 10);
    fill(line, 16);
    n1 = n2 = -1;
    r = wscanf(L"%d %5ls%n", &n1, line, &n2);
    wprintf(L"\nwscanf %d %d n %d ", r, n1, n2);
    show(line, 6);
    fill(line, 16);
    wprintf(L" rest %d ", fgetws(line, 16, stdin) != NULL);
    show(line, 2);
    fill(line, 16);
    errno = 0;
    r = fgetws(line, 16, stdin) != NULL;
    wprintf(L"\nstdin bad %d errno %d error %d ", r, errno, ferror(stdin));
    show(line, 4);
    wprintf(L"\n");

    /* open_wmemstream: wide characters kept whole, sizes in them. */
    f = open_wmemstream(&memory, &memory_size);
    wprintf(L"wmemstream %d", fwide(f, 0));
    fwprintf(f, L"a\xe9%d", 42);
    fputwc(0x10ffff, f);
    fflush(f);
    wprintf(L" size %d tell %ld ", (int)memory_size, ftell(f));
    show(memory, (int)memory_size + 1);
    fseek(f, 1, SEEK_SET);
    fputws(L"Z", f);
    fflush(f);
    wprintf(L" then %d ", (int)memory_size);
    show(memory, 6);
    fclose(f);
    wprintf(L" closed %d ", (int)memory_size);
    show(memory, (int)memory_size + 1);
    free(memory);
    {
        char *bytes;
        size_t size;
        FILE *m = open_memstream(&bytes, &size);
        wprintf(L" memstream %d", fwide(m, 0));
        wprintf(L" fputwc %d", (int)fputwc(L'a', m));
        fputs("abcdef", m);
        fseek(m, 2, SEEK_SET);
        fclose(m);
        wprintf(L" closed %d [%s]\n", (int)size, bytes);
        free(bytes);
    }

    remove("wide.txt");
    remove("bytes.txt");
    remove("other.txt");
    return 0;
}
