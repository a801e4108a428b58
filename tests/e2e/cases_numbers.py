# Numbers, the scanf family and characters, run natively and on both ports.
import random
import struct

NATIVE = "NATIVE"

CASES = [
    dict(name="numbers_parse", guest="tests/e2e/guests/numbers_parse.c",
         stdout=NATIVE),
    dict(name="numbers_div", guest="tests/e2e/guests/numbers_div.c",
         stdout=NATIVE),
]
CASES += [
    dict(name="ctype_tables", guest="tests/e2e/guests/ctype_tables.c",
         stdout=NATIVE),
    dict(name="ctype_wide", guest="tests/e2e/guests/ctype_wide.c",
         stdout=NATIVE),
]
CASES += [
    dict(name="scan_string", guest="tests/e2e/guests/scan_string.c",
         stdout=NATIVE),
]
CASES += [
    dict(name="scan_stdin", guest="tests/e2e/guests/scan_stdin.c",
         stdin="12   -34\n-9223372036854775808 4294967295 -129 0.1\n"
               "  alpha  the rest of a line\n0x1F,2.5e-3;word\nleft over\n",
         stdout=NATIVE),
]


def _number_lines(seed, count):
    """Inputs for strtod shaped toward the hard corners: 17 to 40 digits
    around halfway points, long digit strings, hexadecimal, the ends of the
    float, double and long double ranges."""
    rng = random.Random(seed)

    def digits(k):
        return "".join(rng.choice("0123456789") for _ in range(k))

    lines = []
    for _ in range(count):
        t = rng.random()
        sign = rng.choice(["", "-", "+"])
        if t < 0.3:
            line = "%s%s.%se%d" % (sign, digits(rng.randint(1, 20)),
                                   digits(rng.randint(0, 20)), rng.randint(-340, 320))
        elif t < 0.5:
            bits = rng.getrandbits(63)
            value = struct.unpack("<d", struct.pack("<Q", bits))[0]
            if value != value or value in (float("inf"), float("-inf")):
                value = 1.5
            line = rng.choice(["%.16e", "%.17e", "%.25e", "%.40e"]) % value
        elif t < 0.6:
            hexdigits = "0123456789abcdef"
            line = "%s0x%s.%sp%d" % (
                sign, "".join(rng.choice(hexdigits) for _ in range(rng.randint(1, 30))),
                "".join(rng.choice(hexdigits) for _ in range(rng.randint(0, 5))),
                rng.randint(-1100, 1100))
        elif t < 0.7:
            line = "%se%d" % (digits(rng.randint(1, 400)), rng.randint(-1200, 400))
        elif t < 0.8:
            line = "%se%d" % (digits(rng.randint(1, 30)), rng.randint(-4960, 4940))
        elif t < 0.9:
            line = "%s%se%d" % (sign, digits(rng.randint(1, 12)), rng.randint(-60, 45))
        else:
            line = str(rng.randint(0, 2 ** 70))
        lines.append(line)
    return "\n".join(lines) + "\n"


def _scan_lines(seed, count):
    """sscanf lines: one conversion of every kind on short inputs made of
    the characters numbers are made of, and the prefixes that trip them."""
    rng = random.Random(seed)
    conversions = ["%d", "%i", "%u", "%o", "%x", "%X", "%f", "%e", "%g", "%a",
                   "%lf", "%Lf", "%lld", "%hhd", "%hd", "%3d", "%2x", "%4f",
                   "%5i", "%s", "%3s", "%c", "%3c", "%[a-f]", "%[^x]",
                   "%2[0-9.]", "%p", "%llx", "%*d", "%1f", "%6Lf", "%ls",
                   "%lc", "%zu", "%jd", "%hhx", "%7e"]
    alphabet = "0123456789abcdefxXpPeE+-. infINFnaNty()_z"
    prefixes = ["0x", "-0x", "+", "-", "nan", "inf", "infinity", "0x1p", "1e",
                ".", " "]
    lines = []
    for _ in range(count):
        text = "".join(rng.choice(alphabet) for _ in range(rng.randint(0, 10)))
        if rng.random() < 0.3:
            text = rng.choice(prefixes) + text
        lines.append(rng.choice(conversions) +
                     rng.choice(["%n%c", "%n %c", " %n%c"]) + "\t" + text)
    return "\n".join(lines) + "\n"


CASES += [
    dict(name="numbers_lines", guest="tests/e2e/guests/numbers_lines.c",
         stdin=_number_lines(7, 6000), stdout=NATIVE),
    dict(name="scan_lines", guest="tests/e2e/guests/numbers_lines.c",
         stdin=_scan_lines(11, 6000), stdout=NATIVE),
]
