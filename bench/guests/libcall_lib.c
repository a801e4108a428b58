/* A small function in a library of the program's own, called through the
   PLT and GOT a hundred million times. */
unsigned mix(unsigned state, unsigned k) { return state * 2654435761u + k; }
