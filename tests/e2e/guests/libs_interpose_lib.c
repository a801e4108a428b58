/* Names the program defines too: the library's own uses must reach the
   program's, all but the one it keeps to itself. Its data the program
   reads directly lives in the program's copy once loaded. */
#include <stdio.h>
#include <string.h>

int shared_flag = 100;
int lib_counter = 7;
const char lib_name[] = "interpose library";
char lib_buffer[16] = "initial";

void hook(void) { puts("hook: library's"); }
const char *who(void) { return "first library"; }
__attribute__((visibility("protected"))) void kept(void) { puts("kept: library's"); }

void lib_run(void)
{
    hook();
    kept();
    printf("library sees shared_flag %d, lib_counter %d\n", shared_flag, lib_counter);
    shared_flag++;
    lib_counter += 10;
    strcpy(lib_buffer, "changed");
}

int *lib_counter_address(void) { return &lib_counter; }
const char *lib_name_address(void) { return lib_name; }
