/* The program's definitions come first in every object's search, and its
   direct reads of a library's data see what the library's code writes. */
#include <stdio.h>

extern int lib_counter;
extern const char lib_name[];
extern char lib_buffer[16];
extern void lib_run(void);
extern int *lib_counter_address(void);
extern const char *lib_name_address(void);
extern const char *who(void);
extern const char *who_from_second(void);

int shared_flag = 5;
void hook(void) { puts("hook: program's"); }
void kept(void) { puts("kept: program's"); }

int main(void)
{
    printf("%s: counter %d, buffer %s\n", lib_name, lib_counter, lib_buffer);
    lib_counter = 20;
    lib_run();
    printf("program sees shared_flag %d, lib_counter %d, buffer %s\n",
           shared_flag, lib_counter, lib_buffer);
    printf("one counter: %s, one name: %s\n",
           lib_counter_address() == &lib_counter ? "yes" : "no",
           lib_name_address() == lib_name ? "yes" : "no");
    hook();
    kept();
    printf("who: %s; from the second: %s\n", who(), who_from_second());
    return 0;
}
