/* A tiny grep: a fixed string or a shell pattern, the usual options, and
 * grep's exit statuses (0 matched, 1 nothing matched, 2 trouble). */
#define _GNU_SOURCE
#include <errno.h>
#include <fnmatch.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static int ignore_case, invert, count_only, numbers, glob, quiet;

static int matches(const char *pattern, const char *line) {
    if (glob) return fnmatch(pattern, line, ignore_case ? FNM_CASEFOLD : 0) == 0;
    return (ignore_case ? strcasestr(line, pattern) : strstr(line, pattern)) != NULL;
}

static long search(const char *pattern, FILE *in, const char *label) {
    char *line = NULL;
    size_t cap = 0;
    ssize_t len;
    long lineno = 0, hits = 0;
    while ((len = getline(&line, &cap, in)) > 0) {
        lineno++;
        if (line[len - 1] == '\n') line[len - 1] = 0;
        if (matches(pattern, line) == invert) continue;
        hits++;
        if (quiet || count_only) continue;
        if (label) printf("%s:", label);
        if (numbers) printf("%ld:", lineno);
        puts(line);
    }
    free(line);
    if (count_only) {
        if (label) printf("%s:", label);
        printf("%ld\n", hits);
    }
    return hits;
}

int main(int argc, char **argv) {
    int c;
    opterr = 0;
    while ((c = getopt(argc, argv, "ivcngq")) != -1) {
        switch (c) {
        case 'i': ignore_case = 1; break;
        case 'v': invert = 1; break;
        case 'c': count_only = 1; break;
        case 'n': numbers = 1; break;
        case 'g': glob = 1; break;
        case 'q': quiet = 1; break;
        default:
            fprintf(stderr, "grep: unknown option -%c\n", optopt);
            printf("usage error (-%c)\n", optopt);
            return 2;
        }
    }
    if (optind >= argc) { printf("no pattern\n"); return 2; }
    const char *pattern = argv[optind++];
    long hits = 0;
    int trouble = 0;
    if (optind == argc) hits = search(pattern, stdin, NULL);
    for (int i = optind; i < argc; i++) {
        FILE *in = fopen(argv[i], "r");
        if (!in) {
            printf("grep: %s: %s\n", argv[i], strerror(errno));
            trouble = 1;
            continue;
        }
        hits += search(pattern, in, argc - optind > 1 ? argv[i] : NULL);
        fclose(in);
    }
    if (trouble) return 2;
    return hits ? 0 : 1;
}
