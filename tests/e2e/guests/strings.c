/* String, memory and character-class functions, and heap churn, with a
   checksum so every runner must agree byte for byte. */
#include <ctype.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>

static int compare(const void *a, const void *b)
{
    return *(const int *)a - *(const int *)b;
}

int main(void)
{
    static const int sorted[] = {1, 3, 5, 7, 9, 11};
    char buf[64];
    char overlap[32] = "0123456789abcdef";
    unsigned sum = 0;
    int i, key = 7;
    void *blocks[64];
    int *found;

    printf("strlen=%u\n", (unsigned)strlen("hello world"));
    printf("strchr=%s strrchr=%s\n", strchr("a/b/c", '/'), strrchr("a/b/c", '/'));
    printf("index=%s rindex=%s\n", index("x.y.z", '.'), rindex("x.y.z", '.'));
    printf("index0=%d\n", index("abc", 0) == (char *)"abc" + 3 || *index("abc", 0) == 0);
    printf("strstr=%s missing=%s\n", strstr("haystack", "st"),
           strstr("haystack", "zz") ? "found" : "null");
    printf("strcmp=%d %d %d\n", strcmp("a", "b") < 0, strcmp("b", "a") > 0,
           strcmp("same", "same"));
    printf("strncmp=%d\n", strncmp("abcdef", "abcxyz", 3));
    strcpy(buf, "copied");
    printf("strcpy=%s\n", buf);
    memset(buf, 0, sizeof buf);
    strncpy(buf, "abcdefgh", 4);
    printf("strncpy=%s\n", buf);
    memset(buf, 0x141, 4);
    buf[4] = 0;
    printf("memset=%s\n", buf);
    memcpy(overlap + 2, overlap, 10);
    printf("memmove-like=%s\n", overlap);
    found = bsearch(&key, sorted, 6, sizeof(int), compare);
    printf("bsearch=%d\n", found ? (int)(found - sorted) : -1);

    for (i = -1; i < 256; i++) {
        sum = sum * 31 + (isalpha(i) ? 1 : 0) + (isdigit(i) ? 2 : 0) +
              (isspace(i) ? 4 : 0) + (isupper(i) ? 8 : 0) +
              (islower(i) ? 16 : 0) + (isxdigit(i) ? 32 : 0) +
              (ispunct(i) ? 64 : 0) + (isprint(i) ? 128 : 0) +
              (iscntrl(i) ? 256 : 0) + (isalnum(i) ? 512 : 0) +
              (isgraph(i) ? 1024 : 0) + (isblank(i) ? 2048 : 0);
    }
    printf("ctype checksum=%08x\n", sum);

    /* Heap churn: sizes from tiny to large, reallocs both ways. */
    sum = 0;
    for (i = 0; i < 64; i++) {
        size_t size = (size_t)(i * i * 37 % 5000) + 1;
        blocks[i] = malloc(size);
        memset(blocks[i], i, size);
    }
    for (i = 0; i < 64; i += 2) {
        size_t size = (size_t)(i * i * 37 % 5000) + 1;
        unsigned char *p = realloc(blocks[i], size * 3);
        sum += p[size - 1];
        blocks[i] = p;
    }
    for (i = 1; i < 64; i += 2) {
        unsigned char *p = realloc(blocks[i], 3);
        sum += p[0] + p[2];
        blocks[i] = p;
    }
    for (i = 0; i < 64; i++)
        free(blocks[i]);
    {
        int *z = calloc(100, sizeof(int));
        for (i = 0; i < 100; i++) sum += z[i];
        free(z);
    }
    printf("heap checksum=%u\n", sum);
    /* A count and size whose product does not fit in 32 bits. */
    {
        volatile size_t count = 0x10000, size = 0x10001;
        printf("calloc overflow=%s\n", calloc(count, size) ? "block" : "null");
    }
    return 0;
}
