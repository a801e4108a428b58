/* The GNU regex interface: re_syntax_options read and written directly
   and through re_set_syntax, re_compile_pattern's answers under the syntax
   presets real programs use, re_search both ways with ranges and starting
   offsets, re_match, the two-string calls across the split, registers in
   each allocation mode, the buffer's anchoring flags and a translate
   table. Every answer is printed. */
#define _GNU_SOURCE
#define _REGEX_RE_COMP /* re_comp and re_exec */
#include <regex.h>
#include <stddef.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static void print_regs(const struct re_registers* r, unsigned limit) {
  printf(" n=%u", r->num_regs);
  for (unsigned i = 0; i < r->num_regs && i < limit; ++i)
    printf(" %d:%d", (int)r->start[i], (int)r->end[i]);
}

static int compile(struct re_pattern_buffer* b, const char* p) {
  memset(b, 0, sizeof *b);
  const char* e = re_compile_pattern(p, strlen(p), b);
  if (e != NULL) {
    printf("  /%s/ -> %s (nsub %u)\n", p, e, (unsigned)b->re_nsub);
    return 0;
  }
  return 1;
}

struct row {
  const char* name;
  reg_syntax_t syntax;
  const char* pattern;
  const char* subject;
  int length; /* 0: the subject's string length */
};

#define BRE RE_SYNTAX_POSIX_BASIC
#define ERE RE_SYNTAX_POSIX_EXTENDED
static const struct row rows[] = {
    {"emacs", RE_SYNTAX_EMACS, "a+\\(b\\|c\\)?", "xaac"},
    {"emacs", RE_SYNTAX_EMACS, "a{2}", "a{2}"},
    {"emacs", RE_SYNTAX_EMACS, "\\`ab", "abab"},
    {"basic", BRE, "\\(ab\\)*c\\1", "xababcab"},
    {"basic", BRE, "a\\{2,3\\}", "baaaa"},
    {"basic", BRE, "a|b+", "a|bb"},
    {"basic", BRE, "a\\|b\\+", "xbb"},
    {"basic", BRE, "*a", "*a"},
    {"basic", BRE, "\\{1\\}a", "a"},
    {"basic", BRE, "a**", "aa"},
    {"basic", BRE, "\\(a", "a"},
    {"basic", BRE, "a\\)", "a"},
    {"basic", BRE, "[b-a]", "a"},
    {"basic", BRE, "a\\{1", "a"},
    {"basic", BRE, "\\w\\+\\>", "  foo_1 bar"},
    {"basic", BRE, "\\bba", "abba ba"},
    {"basic", BRE, "\\<b\\w*", "abc bcd"},
    {"basic", BRE, "x\\'", "xx"},
    {"basic", BRE, "\\2", "a"},
    {"basic", BRE, "a\\", "a"},
    {"basic", BRE, "[[:foo:]]", "a"},
    {"minimal", RE_SYNTAX_POSIX_MINIMAL_BASIC, "a\\+\\|b", "a+|b"},
    {"extended", ERE, "(a|ab)(c|bcd)(d*)", "abcd"},
    {"extended", ERE, "x(a*)+y|(q)", "zxaay"},
    {"extended", ERE, "a{2}|b{1,}", "cabbb"},
    {"extended", ERE, "a)", "a)"},
    {"extended", ERE, "(a", "a"},
    {"extended", ERE, "*a", "a"},
    {"extended", ERE, "a|*b", "b"},
    {"extended", ERE, "a{1", "a"},
    {"extended", ERE, "a{2,1}", "a"},
    {"extended", ERE, "(.)\\1", "abccd"},
    {"extended", ERE, "[\\n]", "\\"},
    {"extended", ERE, "^b|c$", "ab\nc\nd"},
    {"awk", RE_SYNTAX_GNU_AWK, "[\\]]x", "a]x"},
    {"awk", RE_SYNTAX_GNU_AWK, "*a", "x*a"},
    {"awk", RE_SYNTAX_GNU_AWK, "a{x", "ba{x"},
    {"awk", RE_SYNTAX_GNU_AWK, "{1}a", "{1}a"},
    {"awk", RE_SYNTAX_GNU_AWK, "\\w+", "--ab"},
    {"posix-awk", RE_SYNTAX_POSIX_AWK, "\\w+", "--ww"},
    {"egrep", RE_SYNTAX_POSIX_EGREP, "*a", "xa"},
    {"egrep", RE_SYNTAX_POSIX_EGREP, "{1}a", "{1}a"},
    {"egrep", RE_SYNTAX_POSIX_EGREP, "ab\ncd", "xxcd"},
    {"egrep", RE_SYNTAX_POSIX_EGREP, "a+*", "aa"},
    {"grep", RE_SYNTAX_GREP, "b\\|x\nc", "ac"},
    {"grep", RE_SYNTAX_GREP, "\\{1\\}a", "x{1}a"},
    {"grep", RE_SYNTAX_GREP, "a**", "aaa"},
    {"grep", RE_SYNTAX_GREP, "[b-a]x", "ax"},
    {"grep", RE_SYNTAX_GREP, "a.c", "a\nc"},
    {"ere-nl", ERE & ~RE_DOT_NEWLINE, "a.c", "a\nc abc"},
    {"ere-hat", ERE | RE_HAT_LISTS_NOT_NEWLINE, "a[^x]c", "a\nc abc"},
    {"ere-null", ERE, "a.c", "a\0c", 3},
    {"awk-null", RE_SYNTAX_GNU_AWK, "a.c", "a\0c", 3},
    {"awk-null", RE_SYNTAX_GNU_AWK, "a[^b]c", "a\0c", 3},
    {"ere-refs", ERE | RE_NO_BK_REFS, "(a)\\1", "aa a1"},
    {"ere-gnu", ERE | RE_NO_GNU_OPS, "\\w", "aw"},
    {"ere-icase", ERE | RE_ICASE, "(ab)+\\1", "xAbaBAB"},
    {"ere-ranges", ERE & ~RE_NO_EMPTY_RANGES, "[b-a]|c", "c"},
    {"ere-classes", ERE & ~RE_CHAR_CLASSES, "[[:digit:]]+", "d:]]"},
    {"bre-limited", BRE | RE_LIMITED_OPS, "a\\|b", "b a|b"},
    {"bre-anchors", BRE | RE_CONTEXT_INDEP_ANCHORS, "a^b", "a^b"},
    {"bre-anchors", BRE, "a^b", "a^b"},
    {"bre-braces", BRE | RE_NO_BK_BRACES, "a{2}", "aa"},
    {"bre-parens", BRE | RE_NO_BK_PARENS, "(a)\\1", "aa"},
    {"bre-vbar", BRE | RE_NO_BK_VBAR, "a|b", "b"},
    {"bre-qm", (BRE & ~RE_BK_PLUS_QM), "ab?", "ab?"},
    {"bre-nl-alt", BRE | RE_NEWLINE_ALT, "x\ny", "ay"},
    {"grep", RE_SYNTAX_GREP, "^a$\nb$", "xb"},
    {"grep", RE_SYNTAX_GREP, "^a$\nb$", "a"},
    {"egrep", RE_SYNTAX_POSIX_EGREP, "(a\nb)c", "bc"},
    {"basic", BRE, "x\\(^a\\|^b\\)", "x^b"},
    {"basic", BRE, "\\(^a\\|b$\\)c", "ac"},
    {"basic", BRE, "a$b", "a$b"},
    {"basic", BRE, "\\(a$\\)", "ba"},
    {"basic", BRE, "\\+a", "+a"},
    {"basic", BRE, "a\\{32768\\}", "a"},
    {"basic", BRE, "", "abc"},
    {"extended", ERE, "", "abc"},
    {"extended", ERE, "a^b|x$y|z", "a^bx$yz"},
    {"extended", ERE, "\\s\\S+\\B.", "ab cdef"},
    {"extended", ERE, "\\W+", "ab--c"},
    {"extended", ERE, "()|a", "a"},
    {"extended", ERE, "a{,2}b", "aaab"},
    {"awk", RE_SYNTAX_GNU_AWK, "[a\\-z]+", "b-az"},
    {"awk", RE_SYNTAX_GNU_AWK, "[\\t]", "x\\t\\\\"},
    {"awk", RE_SYNTAX_GNU_AWK, "a{1,x}", "a{1,x}"},
    {"awk", RE_SYNTAX_GNU_AWK, "a{2,1}", "a{2,1}"},
    {"awk", RE_SYNTAX_GNU_AWK, "a{", "a{"},
    {"awk", RE_SYNTAX_GNU_AWK, "a{99999}", "a"},
    {"awk", RE_SYNTAX_GNU_AWK, "a{1,2", "a{1,2"},
    {"awk", RE_SYNTAX_GNU_AWK, "a{,}b", "aab"},
    {"awk", RE_SYNTAX_GNU_AWK, "a{}b", "a{}b"},
    {"awk", RE_SYNTAX_GNU_AWK, "a{x}b", "a{x}b"},
    {"awk", RE_SYNTAX_GNU_AWK, "a{1,x", "a{1,x"},
    {"awk", RE_SYNTAX_GNU_AWK, "a{1}{2}", "aa"},
    {"awk", RE_SYNTAX_GNU_AWK, "(a)\\1", "aa"},
    {"egrep", RE_SYNTAX_POSIX_EGREP, "a{1,x}", "a{1,x}"},
    {"egrep", RE_SYNTAX_POSIX_EGREP, "a|+b", "+b"},
    {"egrep", RE_SYNTAX_POSIX_EGREP, "(*a)", "a"},
    {"emacs", RE_SYNTAX_EMACS, "*a\\|+b", "*+b"},
    {"emacs", RE_SYNTAX_EMACS, "[[:alpha:]]", "x"},
    {"emacs", RE_SYNTAX_EMACS, "\\(a\\)\\1\\{", "aa{"},
    {"emacs", RE_SYNTAX_EMACS, ".", "\n"},
    {"icase", BRE | RE_ICASE, "[a-c]\\{2\\}[[:upper:]]", "xBcd"},
    {"icase", BRE | RE_ICASE, "\\(q\\)\\1", "qQ"},
};

static void table(void) {
  printf("table\n");
  for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
    const struct row* r = &rows[i];
    struct re_pattern_buffer b;
    re_syntax_options = r->syntax;
    printf("%s", r->name);
    if (!compile(&b, r->pattern)) continue;
    struct re_registers regs = {0};
    int len = r->length ? r->length : (int)strlen(r->subject);
    int at = re_search(&b, r->subject, len, 0, len, &regs);
    printf("  /%s/ syntax=%#lx nsub=%u -> %d", r->pattern, (unsigned long)b.syntax,
           (unsigned)b.re_nsub, at);
    if (at >= 0) print_regs(&regs, 8);
    printf("\n");
    free(regs.start);
    free(regs.end);
    regfree(&b);
  }
}

static void syntax_object(void) {
  printf("initial %#lx\n", re_syntax_options);
  reg_syntax_t old = re_set_syntax(RE_SYNTAX_POSIX_EXTENDED);
  printf("set old=%#lx now=%#lx\n", old, re_syntax_options);
  re_syntax_options = RE_SYNTAX_POSIX_BASIC;
  old = re_set_syntax(RE_SYNTAX_GREP);
  printf("set old=%#lx now=%#lx\n", old, re_syntax_options);
  /* The syntax a buffer was compiled with stays with it. */
  struct re_pattern_buffer b;
  re_syntax_options = RE_SYNTAX_POSIX_EXTENDED | RE_NO_SUB;
  compile(&b, "(a)(b)");
  unsigned bits;
  memcpy(&bits, (char*)&b + offsetof(struct re_pattern_buffer, re_nsub) + 4, 4);
  printf("nosub syntax=%#lx bits=%#x used=%lu\n", (unsigned long)b.syntax, bits & 0xff,
         (unsigned long)b.used);
  re_syntax_options = RE_SYNTAX_POSIX_BASIC;
  struct re_registers regs = {0};
  printf("nosub search=%d n=%u\n", re_search(&b, "xab", 3, 0, 3, &regs), regs.num_regs);
  regfree(&b);
  /* A failed pattern leaves no buffer. */
  re_syntax_options = RE_SYNTAX_POSIX_EXTENDED;
  memset(&b, 0, sizeof b);
  const char* e = re_compile_pattern("(a)(b", 5, &b);
  memcpy(&bits, (char*)&b + offsetof(struct re_pattern_buffer, re_nsub) + 4, 4);
  printf("failed %s buffer=%d allocated=%lu nsub=%u bits=%#x\n", e, b.buffer != NULL,
         (unsigned long)b.allocated, (unsigned)b.re_nsub, bits & 0xff);
}

static void searches(void) {
  printf("searches\n");
  struct re_pattern_buffer b;
  re_syntax_options = RE_SYNTAX_POSIX_EXTENDED;
  compile(&b, "a(b*)c");
  const char* s = "xabcxacxabbc";
  int n = strlen(s);
  static const int starts[][2] = {{0, 12}, {2, 12}, {2, 3},  {5, 0},   {6, 0},  {12, -12},
                                  {11, -4}, {7, -2}, {0, 100}, {13, 1}, {-1, 5}, {4, 0},
                                  {12, 0},  {5, -100}};
  for (size_t i = 0; i < sizeof starts / sizeof starts[0]; ++i) {
    struct re_registers regs = {0};
    int at = re_search(&b, s, n, starts[i][0], starts[i][1], &regs);
    printf(" search %d %d -> %d", starts[i][0], starts[i][1], at);
    if (at >= 0) print_regs(&regs, 8);
    printf("\n");
    free(regs.start);
    free(regs.end);
  }
  for (int at = 0; at < 6; ++at) {
    struct re_registers regs = {0};
    int len = re_match(&b, s, n, at, &regs);
    printf(" match %d -> %d", at, len);
    if (len >= 0) print_regs(&regs, 8);
    printf("\n");
    free(regs.start);
    free(regs.end);
  }
  /* No registers at all. */
  printf(" noregs %d %d\n", re_search(&b, s, n, 0, n, NULL), re_match(&b, s, n, 5, NULL));
  regfree(&b);
  /* Leftmost, then longest, whatever order alternatives end in. */
  compile(&b, "abcd|c");
  printf(" leftmost %d\n", re_search(&b, "abcd", 4, 0, 4, NULL));
  regfree(&b);
  /* Two strings seen as one. */
  compile(&b, "(o w)(or)");
  struct re_registers regs = {0};
  int at = re_search_2(&b, "hello", 5, " world", 6, 0, 11, &regs, 11);
  printf(" two %d", at);
  print_regs(&regs, 8);
  at = re_match_2(&b, "hello", 5, " world", 6, 4, &regs, 11);
  printf(" / match %d", at);
  print_regs(&regs, 8);
  at = re_search_2(&b, "hello", 5, " world", 6, 0, 11, &regs, 6);
  printf(" / stopped %d", at);
  at = re_search_2(&b, "hello", 5, " world", 6, 10, -10, &regs, 11);
  printf(" / back %d\n", at);
  regfree(&b);
  compile(&b, "(l+)(o w)");
  at = re_search_2(&b, "hel", 3, "lo world", 8, 0, 11, &regs, 11);
  printf(" split %d", at);
  print_regs(&regs, 8);
  at = re_search_2(&b, "hel", 3, "lo world", 8, 0, 11, &regs, 5);
  printf(" / short %d", at);
  at = re_match_2(&b, "hel", 3, "lo world", 8, 2, &regs, 11);
  printf(" / match %d\n", at);
  regfree(&b);
  compile(&b, "(.)\\1");
  at = re_search(&b, "abbcdde", 7, 6, -6, &regs);
  printf(" back-ref backwards %d", at);
  print_regs(&regs, 8);
  at = re_search(&b, "abbcdde", 7, 0, 7, &regs);
  printf(" forwards %d", at);
  print_regs(&regs, 8);
  printf(" match %d %d\n", re_match(&b, "abbcdde", 7, 1, NULL),
         re_match(&b, "abbcdde", 7, 4, NULL));
  regfree(&b);
  compile(&b, "x*");
  printf(" empty at end %d %d %d\n", re_match(&b, "ab", 2, 2, NULL),
         re_search(&b, "ab", 2, 2, -2, NULL), re_match(&b, "ab", 2, 3, NULL));
  regfree(&b);
  compile(&b, "o$");
  printf(" two-eol %d %d\n", re_search_2(&b, "hello", 5, " world", 6, 0, 11, NULL, 11),
         re_search_2(&b, "hello", 5, "", 0, 0, 5, NULL, 5));
  regfree(&b);
  free(regs.start);
  free(regs.end);
}

static void registers(void) {
  printf("registers\n");
  struct re_pattern_buffer b;
  re_syntax_options = RE_SYNTAX_POSIX_EXTENDED;
  compile(&b, "(a)(b)?(c)");
  struct re_registers regs = {0};
  int at = re_search(&b, "xac", 3, 0, 3, &regs);
  unsigned bits;
  memcpy(&bits, (char*)&b + offsetof(struct re_pattern_buffer, re_nsub) + 4, 4);
  printf(" unallocated %d alloc=%u", at, (bits >> 1) & 3);
  print_regs(&regs, 10);
  printf("\n");
  /* Grown, reused, given back with realloc and free. */
  regs.start = realloc(regs.start, 2 * sizeof(regoff_t));
  regs.end = realloc(regs.end, 2 * sizeof(regoff_t));
  regs.num_regs = 2;
  at = re_search(&b, "zabc", 4, 0, 4, &regs);
  printf(" reallocate %d", at);
  print_regs(&regs, 10);
  printf("\n");
  free(regs.start);
  free(regs.end);
  /* A fixed set: what fits, -1 beyond. */
  regoff_t starts[7], ends[7];
  for (int i = 0; i < 7; ++i) starts[i] = ends[i] = 99;
  re_set_registers(&b, &regs, 7, starts, ends);
  memcpy(&bits, (char*)&b + offsetof(struct re_pattern_buffer, re_nsub) + 4, 4);
  printf(" set alloc=%u n=%u ours=%d\n", (bits >> 1) & 3, regs.num_regs,
         regs.start == starts);
  bits = (bits & ~6u) | (REGS_FIXED << 1);
  memcpy((char*)&b + offsetof(struct re_pattern_buffer, re_nsub) + 4, &bits, 4);
  at = re_search(&b, "abc", 3, 0, 3, &regs);
  printf(" fixed %d ours=%d", at, regs.start == starts);
  print_regs(&regs, 10);
  printf("\n");
  re_set_registers(&b, &regs, 0, NULL, NULL);
  memcpy(&bits, (char*)&b + offsetof(struct re_pattern_buffer, re_nsub) + 4, 4);
  printf(" unset alloc=%u n=%u null=%d\n", (bits >> 1) & 3, regs.num_regs, regs.start == NULL);
  /* The fastmap: accepted, the pointer kept. */
  char fastmap[256];
  b.fastmap = fastmap;
  printf(" fastmap %d kept=%d", re_compile_fastmap(&b), b.fastmap == fastmap);
  memcpy(&bits, (char*)&b + offsetof(struct re_pattern_buffer, re_nsub) + 4, 4);
  printf(" accurate=%u search=%d\n", (bits >> 3) & 1, re_search(&b, "xxabc", 5, 0, 5, NULL));
  b.fastmap = NULL;
  regfree(&b);
}

static void flags(void) {
  printf("flags\n");
  struct re_pattern_buffer b;
  re_syntax_options = RE_SYNTAX_POSIX_EXTENDED;
  compile(&b, "^b|c$");
  const char* s = "ab\nc\nb";
  int n = strlen(s);
  printf(" anchored %d", re_search(&b, s, n, 0, n, NULL));
  printf(" from3 %d", re_search(&b, s, n, 3, n, NULL));
  b.newline_anchor = 0;
  printf(" unanchored %d", re_search(&b, s, n, 0, n, NULL));
  printf(" start %d", re_search(&b, "b", 1, 0, 1, NULL));
  b.not_bol = 1;
  printf(" notbol %d", re_search(&b, "b", 1, 0, 1, NULL));
  printf(" eol %d", re_search(&b, "xc", 2, 0, 2, NULL));
  b.not_eol = 1;
  printf(" noteol %d\n", re_search(&b, "xc", 2, 0, 2, NULL));
  regfree(&b);
}

static void translate(void) {
  printf("translate\n");
  static unsigned char fold[256];
  for (int i = 0; i < 256; ++i) fold[i] = (i >= 'A' && i <= 'Z') ? i + 32 : i;
  struct re_pattern_buffer b;
  re_syntax_options = RE_SYNTAX_POSIX_BASIC;
  memset(&b, 0, sizeof b);
  b.translate = fold;
  const char* p = "HEL*O \\(W\\)[A-Z]*\\1";
  const char* e = re_compile_pattern(p, strlen(p), &b);
  struct re_registers regs = {0};
  const char* s = "say HellO wOrldw!";
  int at = re_search(&b, s, strlen(s), 0, strlen(s), &regs);
  printf(" %s kept=%d at=%d", e ? e : "ok", b.translate == fold, at);
  if (at >= 0) print_regs(&regs, 4);
  printf("\n");
  regmatch_t m[2];
  int r = regexec(&b, "HELLO WXW", 2, m, 0);
  printf(" regexec %d %d:%d %d:%d\n", r, (int)m[0].rm_so, (int)m[0].rm_eo, (int)m[1].rm_so,
         (int)m[1].rm_eo);
  free(regs.start);
  free(regs.end);
  b.translate = NULL;
  regfree(&b);
  memset(&b, 0, sizeof b);
  b.translate = fold;
  re_syntax_options = RE_SYNTAX_POSIX_EXTENDED;
  p = "[A-C]+|Z";
  e = re_compile_pattern(p, strlen(p), &b);
  printf(" ranges %s %d %d\n", e ? e : "ok", re_search(&b, "xxbCa", 5, 0, 5, NULL),
         re_match(&b, "z", 1, 0, NULL));
  b.translate = NULL;
  regfree(&b);
}

static void bsd_pair(void) {
  printf("re_comp\n");
  const char* e = re_comp(NULL);
  printf(" none: %s\n", e ? e : "ok");
  re_syntax_options = RE_SYNTAX_POSIX_BASIC;
  e = re_comp("a\\(b");
  /* glibc's re_exec would crash here: nothing is compiled. */
  printf(" bad: %s,", e ? e : "ok");
  e = re_comp(NULL);
  printf(" again: %s\n", e ? e : "ok");
  e = re_comp("a\\(b\\)");
  printf(" good: %s exec=%d %d\n", e ? e : "ok", re_exec("xab"), re_exec("b"));
  re_syntax_options = RE_SYNTAX_POSIX_EXTENDED;
  e = re_comp("^(b)|c+");
  printf(" lines: %s exec=%d %d %d\n", e ? e : "ok", re_exec("a\nb"), re_exec("xcc"),
         re_exec("ab"));
  e = re_comp("");
  printf(" empty: %s exec=%d\n", e ? e : "ok", re_exec("xyz"));
}

/* regexec over a buffer compiled the GNU way: its newline anchoring. */
static void regexec_gnu(void) {
  printf("regexec\n");
  struct re_pattern_buffer b;
  re_syntax_options = RE_SYNTAX_POSIX_EXTENDED;
  compile(&b, "^(b+)");
  regmatch_t m[3];
  int r = regexec(&b, "a\nbb", 3, m, 0);
  printf(" %d %d:%d %d:%d\n", r, (int)m[0].rm_so, (int)m[0].rm_eo, (int)m[1].rm_so,
         (int)m[1].rm_eo);
  b.newline_anchor = 0;
  printf(" unanchored %d\n", regexec(&b, "a\nbb", 3, m, 0));
  regfree(&b);
}

int main(void) {
  syntax_object();
  table();
  searches();
  registers();
  flags();
  translate();
  bsd_pair();
  regexec_gnu();
  return 0;
}
