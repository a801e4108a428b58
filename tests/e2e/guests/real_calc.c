/* A calculator REPL: one expression a line, errors reported and recovered
 * from with longjmp, results printed two ways. */
#include <ctype.h>
#include <errno.h>
#include <math.h>
#include <setjmp.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static jmp_buf recover;
static const char *pos;
static double memory;

static void fail(const char *what) {
    printf("error: %s at '%s'\n", what, pos);
    longjmp(recover, 1);
}

static void skip(void) { while (isspace((unsigned char)*pos)) pos++; }

static double expr(void);

static double primary(void) {
    skip();
    if (*pos == '(') {
        pos++;
        double v = expr();
        skip();
        if (*pos != ')') fail("missing )");
        pos++;
        return v;
    }
    if (*pos == '-') { pos++; return -primary(); }
    if (isalpha((unsigned char)*pos)) {
        char name[16];
        int n = 0;
        while (isalpha((unsigned char)*pos) && n < 15) name[n++] = *pos++;
        name[n] = 0;
        if (!strcmp(name, "m")) return memory;
        if (!strcmp(name, "pi")) return 4 * atan(1.0);
        double arg = primary();
        if (!strcmp(name, "sqrt")) return sqrt(arg);
        if (!strcmp(name, "sin")) return sin(arg);
        if (!strcmp(name, "cos")) return cos(arg);
        if (!strcmp(name, "exp")) return exp(arg);
        if (!strcmp(name, "log")) {
            errno = 0;
            double v = log(arg);
            if (errno) fail(strerror(errno));
            return v;
        }
        if (!strcmp(name, "floor")) return floor(arg);
        fail("unknown function");
    }
    char *end;
    errno = 0;
    double v = strtod(pos, &end);
    if (end == pos) fail("number expected");
    if (errno == ERANGE) fail("out of range");
    pos = end;
    return v;
}

static double power(void) {
    double base = primary();
    skip();
    if (*pos == '^') { pos++; return pow(base, power()); }
    return base;
}

static double term(void) {
    double v = power();
    for (;;) {
        skip();
        char op = *pos;
        if (op != '*' && op != '/' && op != '%') return v;
        pos++;
        double r = power();
        if (op != '*' && r == 0) fail("division by zero");
        v = op == '*' ? v * r : op == '/' ? v / r : fmod(v, r);
    }
}

static double expr(void) {
    double v = term();
    for (;;) {
        skip();
        if (*pos == '+') { pos++; v += term(); }
        else if (*pos == '-') { pos++; v -= term(); }
        else return v;
    }
}

int main(void) {
    char line[200];
    int n = 0, errors = 0;
    while (fgets(line, sizeof line, stdin)) {
        line[strcspn(line, "\n")] = 0;
        if (!*line || *line == '#') continue;
        n++;
        if (setjmp(recover)) { errors++; continue; }
        pos = line;
        double v = expr();
        skip();
        if (*pos) fail("trailing input");
        memory = v;
        printf("[%d] %s = %g (%.17g) %a\n", n, line, v, v, v);
        if (isinf(v) || isnan(v)) printf("    not finite: %f %e\n", v, v);
    }
    printf("%d expressions, %d errors\n", n, errors);
    return errors ? 1 : 0;
}
