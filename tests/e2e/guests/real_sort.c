/* A small sort(1): lines from files or standard input, with the options
 * people reach for first. */
#define _GNU_SOURCE
#include <errno.h>
#include <getopt.h>
#include <locale.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>

static int reverse, numeric, fold, unique;
static char **lines;
static size_t count, room;

static int compare(const void *a, const void *b) {
    const char *x = *(char *const *)a, *y = *(char *const *)b;
    int r;
    if (numeric) {
        double dx = strtod(x, NULL), dy = strtod(y, NULL);
        r = dx < dy ? -1 : dx > dy;
        if (!r) r = strcmp(x, y);
    } else if (fold) {
        r = strcasecmp(x, y);
    } else {
        r = strcoll(x, y);
    }
    return reverse ? -r : r;
}

static void take(FILE *in) {
    char buf[256];
    while (fgets(buf, sizeof buf, in)) {
        buf[strcspn(buf, "\n")] = 0;
        if (count == room) {
            room = room ? room * 2 : 8;
            lines = realloc(lines, room * sizeof *lines);
        }
        lines[count++] = strdup(buf);
    }
}

int main(int argc, char **argv) {
    static const struct option options[] = {
        {"reverse", no_argument, NULL, 'r'},
        {"numeric-sort", no_argument, NULL, 'n'},
        {"ignore-case", no_argument, NULL, 'f'},
        {"unique", no_argument, NULL, 'u'},
        {"output", required_argument, NULL, 'o'},
        {NULL, 0, NULL, 0},
    };
    const char *output = NULL;
    int c;
    setlocale(LC_ALL, "");
    while ((c = getopt_long(argc, argv, "rnfuo:", options, NULL)) != -1) {
        switch (c) {
        case 'r': reverse = 1; break;
        case 'n': numeric = 1; break;
        case 'f': fold = 1; break;
        case 'u': unique = 1; break;
        case 'o': output = optarg; break;
        default:
            fprintf(stderr, "usage: sort [-rnfu] [-o FILE] [FILE...]\n");
            return 2;
        }
    }
    if (optind == argc) take(stdin);
    for (int i = optind; i < argc; i++) {
        FILE *in = fopen(argv[i], "r");
        if (!in) {
            printf("sort: cannot read: %s: %s\n", argv[i], strerror(errno));
            return 2;
        }
        take(in);
        fclose(in);
    }
    qsort(lines, count, sizeof *lines, compare);
    FILE *out = output ? fopen(output, "w") : stdout;
    if (!out) {
        printf("sort: cannot write: %s\n", strerror(errno));
        return 2;
    }
    size_t written = 0;
    for (size_t i = 0; i < count; i++) {
        if (unique && i && compare(&lines[i - 1], &lines[i]) == 0) continue;
        fprintf(out, "%s\n", lines[i]);
        written++;
    }
    if (out != stdout) {
        fclose(out);
        out = fopen(output, "r");
        char buf[256];
        while (fgets(buf, sizeof buf, out)) fputs(buf, stdout);
        fclose(out);
        remove(output);
    }
    fprintf(stderr, "%zu of %zu lines\n", written, count);
    for (size_t i = 0; i < count; i++) free(lines[i]);
    free(lines);
    return 0;
}
