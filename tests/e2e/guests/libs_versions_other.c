/* The same name under a version of its own (--default-symver), in the
   library searched after the one that defines it too. */
int value(void) { return 3; }
int other_value(void) { return value(); }
