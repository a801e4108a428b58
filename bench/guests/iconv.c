/* iconv: 10 MB of UTF-8 text, mostly ASCII with Latin, CJK and astral
   characters mixed in as real text has them, converted to UTF-16 in
   chunks of 64 KiB through one descriptor, the output summed. */
#include <iconv.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

enum { SIZE = 10 * 1024 * 1024, CHUNK = 64 * 1024 };

static unsigned rng = 2024;
static unsigned next(void)
{
    rng ^= rng << 13; rng ^= rng >> 17; rng ^= rng << 5;
    return rng;
}

int main(void)
{
    static const char *const pieces[] = {
        "the quick brown fox ", "jumps over ", "the lazy dog. ", "caf\xc3\xa9 ",
        "na\xc3\xafve ", "\xe2\x82\xac" "12 ", "\xe4\xb8\xad\xe6\x96\x87 ",
        "\xf0\x9f\x98\x80 ", "line\n",
    };
    char *text = malloc(SIZE);
    size_t used = 0;
    for (;;) {
        const char *piece = pieces[next() % (sizeof pieces / sizeof *pieces)];
        size_t n = strlen(piece);
        if (used + n > SIZE) break;
        memcpy(text + used, piece, n);
        used += n;
    }
    iconv_t cd = iconv_open("UTF-16", "UTF-8");
    if (cd == (iconv_t)-1) return 1;
    static char out[CHUNK];
    char *in = text;
    size_t left = used;
    unsigned long long sum = 0, bytes = 0;
    while (left > 0) {
        char *op = out;
        size_t room = CHUNK;
        size_t r = iconv(cd, &in, &left, &op, &room);
        if (r == (size_t)-1 && op == out) return 2;
        for (char *p = out; p < op; ++p) sum = sum * 31 + (unsigned char)*p;
        bytes += (size_t)(op - out);
    }
    iconv_close(cd);
    printf("%llu bytes, checksum %llx\n", bytes, sum);
    return 0;
}
