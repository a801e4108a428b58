/* regex: every match of typical patterns over a 10 MB text of words and
   lines, found with REG_STARTEND from the end of the previous one, so the
   time is the library's regexec. Counts and a checksum of the submatch
   offsets are printed, which every correct library agrees on. */
#include <regex.h>
#include <stdio.h>
#include <stdlib.h>

enum { SIZE = 10 * 1024 * 1024 };

static const char *const patterns[] = {
    "^([a-z]+) +([A-Z][a-z]*)$",
    "(ab|cd)[a-z]*e",
    "\\<[A-Z][a-z]{3}[0-9]?$",
};

int main(void)
{
    static const char letters[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    char *text = malloc(SIZE + 1);
    unsigned rng = 1;
    size_t i;
    int p;
    for (i = 0; i < SIZE; i++) {
        int r;
        rng = rng * 1103515245u + 12345u;
        r = (rng >> 16) % 64;
        text[i] = r < 52 ? letters[r] : r < 60 ? ' ' : '\n';
    }
    text[SIZE] = 0;
    for (p = 0; p < 3; p++) {
        regex_t re;
        regmatch_t m[3];
        unsigned count = 0, sum = 0;
        size_t at = 0;
        if (regcomp(&re, patterns[p], REG_EXTENDED | REG_NEWLINE) != 0) return 1;
        while (at < SIZE) {
            int k;
            m[0].rm_so = (regoff_t)at;
            m[0].rm_eo = SIZE;
            if (regexec(&re, text, 3, m, REG_STARTEND) != 0) break;
            count++;
            for (k = 0; k < 3; k++) sum = sum * 31u + (unsigned)(m[k].rm_so + 2 * m[k].rm_eo);
            at = m[0].rm_eo > m[0].rm_so ? (size_t)m[0].rm_eo : (size_t)m[0].rm_eo + 1;
        }
        printf("%s: %u matches, checksum %08x\n", patterns[p], count, sum);
        regfree(&re);
    }
    free(text);
    return 0;
}
