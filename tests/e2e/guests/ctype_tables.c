/* The C locale's character tables over all 384 indices, the functions
   over every value a char or EOF can hold, and MB_CUR_MAX. */
#include <ctype.h>
#include <stdio.h>
#include <stdlib.h>

int main(void) {
  const unsigned short* b = *__ctype_b_loc();
  const int* lo = *__ctype_tolower_loc();
  const int* up = *__ctype_toupper_loc();
  for (int c = -128; c < 256; ++c)
    printf("%d: %04x %d %d | %x %x %x %x %x %x %x %x %x %x %x %x | %d %d %d %d\n",
           c, b[c], lo[c], up[c], isalnum(c), isalpha(c), iscntrl(c),
           isdigit(c), isgraph(c), islower(c), isprint(c), ispunct(c),
           isspace(c), isupper(c), isxdigit(c), isblank(c), tolower(c),
           toupper(c), isascii(c), toascii(c));
  /* Beyond the table the functions answer without reading it. */
  static const int kFar[] = {256, 1000, -129, 0x7fffffff, -0x7fffffff - 1};
  for (int i = 0; i < 5; ++i)
    printf("far %d: %d %d %d %d\n", kFar[i], tolower(kFar[i]),
           toupper(kFar[i]), isascii(kFar[i]), toascii(kFar[i]));
  /* A buffer sized by MB_CUR_MAX holds a character. */
  const size_t max = MB_CUR_MAX;
  char* buffer = malloc(4 * max + 1);
  printf("MB_CUR_MAX=%d fits=%d\n", (int)max, buffer != NULL && max >= 1);
  free(buffer);
  return 0;
}
