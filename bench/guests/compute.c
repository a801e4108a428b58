/* compute: CPU-bound work with no C-library call in its hot loops, so a run
   measures only how fast the guest's own code executes in place. An
   integer part (xorshift mixing over a small table) and a floating-point
   part (Mandelbrot escape counts on the x87, the i386 default) each fold
   into the checksum printed at the end. */
#include <stdio.h>

enum { TABLE = 4096, INT_ROUNDS = 480000, GRID = 560, MAX_ITER = 1000 };

static unsigned table[TABLE];

static unsigned integer_part(void)
{
    unsigned x = 2463534242u, acc = 0;
    for (unsigned i = 0; i < TABLE; i++) {
        x ^= x << 13; x ^= x >> 17; x ^= x << 5;
        table[i] = x;
    }
    for (unsigned r = 0; r < INT_ROUNDS; r++) {
        for (unsigned i = 0; i < TABLE; i++) {
            unsigned v = table[i] ^ (table[(i * 7 + r) & (TABLE - 1)] >> 3);
            v = v * 2654435761u + r;
            table[i] = v;
            acc += v >> (i & 15);
        }
    }
    return acc;
}

static unsigned long long float_part(void)
{
    unsigned long long total = 0;
    for (int py = 0; py < GRID; py++) {
        double ci = -1.25 + 2.5 * py / GRID;
        for (int px = 0; px < GRID; px++) {
            double cr = -2.0 + 2.75 * px / GRID, zr = 0, zi = 0;
            int n = 0;
            while (n < MAX_ITER && zr * zr + zi * zi <= 4.0) {
                double t = zr * zr - zi * zi + cr;
                zi = 2 * zr * zi + ci;
                zr = t;
                n++;
            }
            total += (unsigned long long)n * (unsigned)(px + 1);
        }
    }
    return total;
}

int main(void)
{
    unsigned a = integer_part();
    unsigned long long b = float_part();
    printf("compute %08x %llu\n", a, b);
    return 0;
}
