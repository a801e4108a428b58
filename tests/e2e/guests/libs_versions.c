/* Symbol versions decide which definition a reference reaches: the two
   libraries define the same name, and the one searched second must still
   reach its own through the version it gave it. */
#include <stdio.h>

extern int value(void);
extern int value_v1(void);
__asm__(".symver value_v1, value@VERS_1");
extern int only_old(void);
extern int library_value(void);
extern int other_value(void);

int main(void)
{
    printf("value: %d\n", value());
    printf("value@VERS_1: %d\n", value_v1());
    printf("only_old: %d\n", only_old());
    printf("library's own call: %d\n", library_value());
    printf("other library's own call: %d\n", other_value());
    return 0;
}
