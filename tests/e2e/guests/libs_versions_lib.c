/* One name in two versions: programs linked before the change keep the old
   meaning, programs linked since get the new one, and the library's own
   calls the default. */
int value_old(void) { return 1; }
int value_new(void) { return 2; }
__asm__(".symver value_old, value@VERS_1");
__asm__(".symver value_new, value@@VERS_2");

int only_old(void) { return 10; }

int library_value(void)
{
    extern int value(void);
    return value() * 100;
}
