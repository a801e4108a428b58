/* A library with relocations of every common kind, for a damaged copy. */
int reloc_value = 41;
int *reloc_pointer = &reloc_value;

int reloc_fn(void) { return ++*reloc_pointer; }
