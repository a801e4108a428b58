/* A library the program needs, which defines a name the program defines
   too: the program reaches this one only as the next definition. */
const char *base_greet(void) { return "base library's greet"; }
