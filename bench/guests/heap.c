/* heap: a working set of a few thousand blocks that churns four million
   times, most blocks small and one in eight up to 60 KB, so that the
   allocator cuts, merges and reuses as a long-running program makes it.
   The checksum is over the blocks' bytes, never their addresses. */
#include <stdio.h>
#include <stdlib.h>

enum { SLOTS = 4096, ROUNDS = 4000000 };

static unsigned char *slots[SLOTS];
static size_t sizes[SLOTS];

int main(void)
{
    unsigned rng = 12345, sum = 0;
    int i;
    for (i = 0; i < ROUNDS; i++) {
        unsigned j;
        rng ^= rng << 13; rng ^= rng >> 17; rng ^= rng << 5;
        j = rng % SLOTS;
        if (slots[j] != NULL) {
            sum += slots[j][0] + slots[j][sizes[j] - 1];
            free(slots[j]);
            slots[j] = NULL;
        } else {
            size_t size = (rng >> 12) % 8 == 0 ? 1000 + (rng >> 16) % 60000
                                               : 8 + (rng >> 16) % 500;
            slots[j] = malloc(size);
            slots[j][0] = (unsigned char)i;
            slots[j][size - 1] = (unsigned char)(i >> 8);
            sizes[j] = size;
        }
    }
    printf("heap %u\n", sum);
    return 0;
}
