/* A word-frequency counter: words from standard input (or a file named on
 * the command line) counted in a search tree, printed most frequent first. */
#define _GNU_SOURCE
#include <ctype.h>
#include <search.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

struct word {
    char *text;
    int count;
};

static struct word **table;
static size_t used, room;

static int by_text(const void *a, const void *b) {
    return strcmp(((const struct word *)a)->text, ((const struct word *)b)->text);
}

static int by_count(const void *a, const void *b) {
    const struct word *x = *(struct word *const *)a, *y = *(struct word *const *)b;
    if (x->count != y->count) return y->count - x->count;
    return strcmp(x->text, y->text);
}

static void collect(const void *node, VISIT which, int depth) {
    (void)depth;
    if (which != postorder && which != leaf) return;
    if (used == room) {
        room = room ? room * 2 : 4;
        table = realloc(table, room * sizeof *table);
    }
    table[used++] = *(struct word *const *)node;
}

static void release(void *p) {
    struct word *w = p;
    free(w->text);
    free(w);
}

int main(int argc, char **argv) {
    FILE *in = stdin;
    if (argc > 1 && !(in = fopen(argv[1], "r"))) {
        perror("wordfreq: open");
        return 2;
    }
    void *root = NULL;
    char *line = NULL;
    size_t cap = 0;
    ssize_t len;
    long lines = 0, words = 0, bytes = 0;
    while ((len = getline(&line, &cap, in)) != -1) {
        lines++;
        bytes += len;
        char *save = NULL;
        for (char *tok = strtok_r(line, " \t\n.,;:!?\"()", &save); tok;
             tok = strtok_r(NULL, " \t\n.,;:!?\"()", &save)) {
            for (char *p = tok; *p; p++) *p = (char)tolower((unsigned char)*p);
            struct word key = {tok, 0};
            struct word **found = tfind(&key, &root, by_text);
            if (!found) {
                struct word *w = malloc(sizeof *w);
                w->text = strdup(tok);
                w->count = 0;
                found = tsearch(w, &root, by_text);
            }
            (*found)->count++;
            words++;
        }
    }
    free(line);
    if (in != stdin) fclose(in);
    twalk(root, collect);
    qsort(table, used, sizeof *table, by_count);
    printf("%ld lines, %ld words, %ld bytes, %zu distinct\n", lines, words, bytes, used);
    for (size_t i = 0; i < used; i++)
        printf("%5d %-12s %5.1f%%\n", table[i]->count, table[i]->text,
               100.0 * table[i]->count / (double)words);
    free(table);
    tdestroy(root, release);
    return used ? 0 : 1;
}
