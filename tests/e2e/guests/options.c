/* Option parsing as a guest sees it: optind, optarg and optopt mirrored
   after every call, opterr honoured. */
#include <getopt.h>
#include <stdio.h>

int main(int argc, char **argv)
{
    static struct option longs[] = {
        {"name", required_argument, 0, 'n'},
        {"verbose", no_argument, 0, 'v'},
        {0, 0, 0, 0}};
    int c, index = -1;

    opterr = 0;
    while ((c = getopt_long(argc, argv, "ab:n:v", longs, &index)) != -1) {
        switch (c) {
        case 'a': printf("a optind=%d\n", optind); break;
        case 'b': printf("b arg=%s optind=%d\n", optarg, optind); break;
        case 'n': printf("name=%s index=%d\n", optarg, index); break;
        case 'v': printf("verbose index=%d\n", index); break;
        case '?': printf("unknown optopt=%c optind=%d\n", optopt, optind); break;
        default: printf("got %d\n", c);
        }
    }
    printf("done optind=%d\n", optind);
    for (; optind < argc; optind++)
        printf("operand %s\n", argv[optind]);
    return 0;
}
