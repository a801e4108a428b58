/* Thread-local variables another file of the program defines: the linker
   relaxes their initial-exec loads to immediate offsets, which the code
   both reaches the variables through and adds the thread pointer to. */
#include <stdio.h>
#include <string.h>

extern __thread int count;
extern __thread char text[32];
extern __thread int table[64];
extern __thread long long wide;
extern __thread struct pair { short id; double weight; } pairs[8];

__attribute__((noinline)) static void show(const char *label, const int *value)
{
    printf("%s %d\n", label, *value);
}

__attribute__((noinline)) static int sum(int n)
{
    int s = 0;
    for (int i = 0; i < n; i++)
        s += table[i];
    return s;
}

__attribute__((noinline)) static int *slot(int i) { return &table[i]; }

__attribute__((noinline)) static int pick(int which, int i)
{
    switch (which % 6) {
    case 0: return count += i;
    case 1: return text[i % 31];
    case 2: return table[i & 63] ^= which;
    case 3: pairs[i & 7].id += (short)i; return pairs[i & 7].id;
    case 4: wide = wide * 3 + i; return (int)(wide & 0xffff);
    default: pairs[i & 7].weight += i * 0.5; return (int)pairs[i & 7].weight;
    }
}

int main(int argc, char **argv)
{
    (void)argv;
    count += 3;
    text[1] = 'E';
    printf("%d %s\n", count, text);
    show(text, &count);
    for (int i = 0; i < 64; i++)
        table[i] = i * argc;
    *slot(5) = 500;
    printf("sum %d at %d %d\n", sum(64), table[argc + 4], (int)(slot(9) - table));
    unsigned h = 0;
    for (int i = 0; i < 300; i++)
        h = h * 31 + (unsigned)pick(i * 7 + argc, i);
    printf("pick %u count %d wide %lld\n", h, count, wide);
    strcat(text, "!");
    printf("%s %zu %d %g\n", text, strlen(text), pairs[3].id, pairs[5].weight);
    return 0;
}
