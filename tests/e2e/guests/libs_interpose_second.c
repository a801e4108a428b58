/* A name the first library defines too: the first in search order wins,
   even for this library's own call. */
const char *who(void) { return "second library"; }
const char *who_from_second(void) { return who(); }
