/* tsearch, tfind, tdelete, twalk, twalk_r and tdestroy: the tree's shape
   (twalk's order and depths follow the Linux C library's red-black tree),
   what each call answers, and the comparators' and actions' stack
   alignment (built with a frame pointer). */
#define _GNU_SOURCE
#include <search.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

static int misaligned, compares, freed;

static void check_alignment(void)
{
    uintptr_t args = (uintptr_t)__builtin_frame_address(1) + 8;
    if (args & 15)
        misaligned++;
}

static int cmp(const void *a, const void *b)
{
    check_alignment();
    compares++;
    return *(const int *)a - *(const int *)b;
}

static void show(const void *node, VISIT which, int depth)
{
    check_alignment();
    if (which == preorder || which == leaf)
        printf(" %d@%d%s", **(int *const *)node, depth, which == leaf ? "L" : "");
}

static void count_visits(const void *node, VISIT which, void *closure)
{
    check_alignment();
    ((int *)closure)[which]++;
}

static void release(void *key)
{
    check_alignment();
    freed += *(int *)key >= 0;
}

static void walk(const char *what, void *root)
{
    printf("%s:", what);
    twalk(root, show);
    printf("\n");
}

int main(void)
{
    static int keys[200];
    void *root = NULL;
    int i, key, visits[4] = {0, 0, 0, 0};
    void *r;

    for (i = 0; i < 200; i++)
        keys[i] = i;
    /* Ascending insertion: the worst case for a plain tree. */
    for (i = 0; i < 15; i++)
        tsearch(&keys[i], &root, cmp);
    walk("ascending 15", root);
    for (i = 0; i < 15; i += 3) {
        r = tdelete(&keys[i], &root, cmp);
        printf("tdelete %d -> %s%d\n", i, r ? "parent " : "null ", r ? **(int **)r : -1);
    }
    walk("after deletes", root);
    key = 3;
    printf("tfind 3: %s\n", tfind(&key, &root, cmp) ? "found" : "null");
    key = 4;
    r = tfind(&key, &root, cmp);
    printf("tfind 4: %d\n", r ? **(int **)r : -1);
    printf("tdelete absent: %s\n", tdelete(&key + 0 == &key ? &keys[150] : 0, &root, cmp) ? "?" : "null");
    r = tsearch(&keys[4], &root, cmp);
    printf("tsearch existing: same key=%d\n", *(int **)r == &keys[4]);
    tdestroy(root, release);
    printf("destroyed %d\n", freed);

    /* A scrambled order, then deleting half of it. */
    root = NULL;
    for (i = 0; i < 64; i++)
        tsearch(&keys[(i * 37) % 64], &root, cmp);
    walk("scrambled 64", root);
    for (i = 0; i < 64; i += 2)
        tdelete(&keys[(i * 11) % 64], &root, cmp);
    walk("half deleted", root);
    twalk_r(root, count_visits, visits);
    printf("twalk_r visits: pre=%d post=%d end=%d leaf=%d\n", visits[0], visits[1],
           visits[2], visits[3]);
    /* Down to empty: the root pointer becomes null. */
    for (i = 0; i < 64; i++)
        tdelete(&keys[i], &root, cmp);
    printf("emptied: root %s\n", root ? "left" : "null");
    twalk(root, show);
    printf("tfind null root: %s\n", tfind(&key, NULL, cmp) ? "?" : "null");
    printf("tsearch null root: %s\n", tsearch(&key, NULL, cmp) ? "?" : "null");

    /* Descending, large. */
    for (i = 199; i >= 0; i--)
        tsearch(&keys[i], &root, cmp);
    compares = 0;
    key = 123;
    tfind(&key, &root, cmp);
    printf("descending 200: tfind compares=%d\n", compares);
    walk("descending 200", root);
    printf("misaligned: %d\n", misaligned);
    return 0;
}
