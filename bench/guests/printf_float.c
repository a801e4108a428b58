/* A million doubles through snprintf("%.17g"): values over many binary
   exponents, small and large, so the exact decimal conversion pays for both
   integer and fraction digits. Prints a checksum of every byte. */
#include <stdio.h>

int main(void)
{
    char buf[64];
    unsigned long sum = 0, len = 0;
    double x = 0.7390851332151607;
    int i;
    for (i = 0; i < 1000000; i++) {
        double scale = 1.0;
        int k = (i * 7) % 41 - 20;
        int j;
        for (j = 0; j < (k < 0 ? -k : k); j++)
            scale *= 10.0;
        x = x * 1.0000001 + 0.1234567;
        if (x > 100.0) x -= 99.0;
        {
            double v = k < 0 ? x / scale : x * scale;
            int n = snprintf(buf, sizeof buf, "%.17g", (i & 1) ? -v : v);
            int c;
            for (c = 0; c < n; c++)
                sum = sum * 31 + (unsigned char)buf[c];
            len += n;
        }
    }
    printf("%lu %lu\n", sum, len);
    return 0;
}
