/* dates: localtime and strftime a million times over dates from 1970 to
   2037, in the zone the run starts with. The checksum takes every byte
   written. */
#include <stdio.h>
#include <time.h>

enum { COUNT = 1000000 };

int main(void)
{
    unsigned long sum = 0, bytes = 0;
    char out[128];
    for (int i = 0; i < COUNT; i++) {
        time_t t = (time_t)(i * 2131u);  /* steps of 35 minutes and a bit */
        struct tm *tm = localtime(&t);
        size_t n = strftime(out, sizeof out, "%Y-%m-%d %H:%M:%S %a %b %j %Z", tm);
        bytes += n;
        for (size_t k = 0; k < n; k++) sum = sum * 31 + (unsigned char)out[k];
    }
    printf("bytes %lu checksum %lu last %s\n", bytes, sum, out);
    return 0;
}
