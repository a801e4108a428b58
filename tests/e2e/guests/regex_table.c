/* POSIX regular expressions: for each row of the table, what regcomp
   answers (with regerror's text and size) and what regexec reports, every
   submatch printed. Then the execution flags, and patterns a backtracking
   matcher takes exponential time on, their results printed. */
#define _GNU_SOURCE /* regex_t's field names */
#include <regex.h>
#include <stdio.h>
#include <string.h>

#define E REG_EXTENDED
#define I REG_ICASE
#define N REG_NEWLINE
#define S REG_NOSUB

struct row {
  int cflags;
  const char* pattern;
  const char* subject;
};

static const struct row rows[] = {
    /* Submatch rules. */
    {E, "(a|ab)(c|bcd)(d*)", "abcd"},
    {E, "(a*)*", "b"},
    {E, "(a*)*", "aa"},
    {E, "(a*)+b", "aab"},
    {E, "(a*)+b", "b"},
    {E, "(.*)\\1", "abab"},
    {E, "(.*)\\1", "xabab"},
    {E, "(a|b)*", "ab"},
    {E, "((a)|b)*", "ab"},
    {E, "(a?)*", "aa"},
    {E, "((a?))*", "aab"},
    {E, "(a*)(ab)*(b*)", "abb"},
    {E, "(ab|a)(bc|c)", "abc"},
    {E, "(a|ab)(bc|c)", "abc"},
    {E, "x(a|ab)(c|bcd)y", "xabcdy"},
    {E, "(a+|b)*", "ab"},
    {E, "(a+|b){0,}", "ab"},
    {E, "(a|)*b", "aab"},
    {E, "()", "x"},
    {E, "(a*)*b", "aaab"},
    {E, "(a*|b)*", "aab"},
    {E, "((a)|(b))*", "aba"},
    {0, "\\(a*\\)*", "aa"},
    {E, "(^a|b)*", "aab"},
    {E, "(a){2}", "aaa"},
    {E, "(a){1,3}b", "aab"},
    {E, "(a|b){2,3}", "abab"},
    {E, "((a)|b){0,3}c", "babc"},
    {E, "(a(b)?)+", "aba"},
    {E, "(a(b)?)+", "aab"},
    {E, "([a-c]*)\\1", "abcabc"},
    {E, "(a)|(b)", "b"},
    {E, "(wee|week)(knights|night)", "weeknights"},
    {E, "(.?)(.?)(.?)", "ab"},
    {E, "(a*)(b|abc)", "abc"},
    {E, "(a|ab)(c|bcd)", "abcd"},
    {E, "(x?)*y", "xxy"},
    {E, "(([ab]+)c)+", "abcbc"},
    {E, "a(b*)*c", "abbc"},
    {E, "(a*)+$", "aaa"},
    {E, "(..)*(...)*", "abcd"},
    {E, "(.)*(..)*", "abc"},
    {0, "\\(a\\)\\(b\\)*\\2", "abb"},
    {0, "\\(a*\\)\\1b", "aaaab"},
    {E, "(a*)\\1", "aaaaa"},
    {E, "(a)\\1*", "aaa"},
    {E, "(ab|a)\\1", "aba"},
    {E, "x(y)?\\1", "xz"},
    {E | I, "(A)\\1", "aA"},
    /* Repetitions are copies; only the first optional one undoes an empty
       iteration, and branches go in the order the copies are laid out. */
    {E, "(a*){1,2}", "a"},
    {E, "(a*){1,3}", "a"},
    {E, "(a*){2,3}", "a"},
    {E, "((a){0,2}){1,3}", "a"},
    {E, "((b)+){0,2}", "bb"},
    {E, "((((b|a))+)+){0,2}", "bb"},
    {E, "^(([ab]?){1,}.){2}", "ca"},
    {E, "(((c))*){1,}+", "cx"},
    {E, "((([ab]|[ab])(c|[ab])|([^a]{0,2})+)){0,2}", "cbcc"},
    /* Optional groups of assertions alone, at the end of a match. */
    {E, "(\\b)?a", "a"},
    {E, "(\\b)?", "a"},
    {E, "a(\\b)?", "a"},
    {E, "a(\\b)?$", "a"},
    {E, "(^)*", "a"},
    {E, "(^)?(a)?", "b"},
    {E, "((^)|x)*", "b"},
    {E, "($)?", ""},
    {E, "(^|b)", "a"},
    {E, "((\\b)?|c)", "bcb"},
    {0, "\\'\\?", ""},
    {0, "\\(^*\\)", "*"},
    {0, "a*\\+", "aaaa"},
    {0, "a\\?\\?", "aaaa"},
    {0, "a\\{2\\}\\?", "aaaa"},
    {0, "\\+a", "+a"},
    {0, "x\\|\\+a", "+a"},
    /* Syntax: anchors, intervals, brackets, escapes. */
    {E, "^a+$", "bbb"},
    {E, "^a+$", "aaa"},
    {E, "a^b", "a^b"},
    {0, "a^b", "a^b"},
    {0, "a$b", "a$b"},
    {0, "^*a", "*a"},
    {0, "*a", "x*a"},
    {0, "\\(*a\\)", "*a"},
    {0, "a\\{2,3\\}", "aaaa"},
    {0, "a\\+", "caa"},
    {0, "a\\?b", "b"},
    {0, "a\\|b", "b"},
    {0, "a|b", "a|b"},
    {0, "a+", "a+"},
    {0, "\\(^a\\)", "a"},
    {0, "x\\(a$\\)", "xa"},
    {E, "a{,3}", "aaaa"},
    {E, "a{2}", "aaa"},
    {E, "a{2,}", "aaaaa"},
    {E, "a{0}b", "ab"},
    {E, "(a){0}b", "ab"},
    {E, "a**", "aa"},
    {E, "a+?", "aa"},
    {E, "a)", "a)"},
    {E, "\\(", "("},
    {E, "\\{", "{"},
    {E, "a||b", "b"},
    {E, "(|a)", "a"},
    {E, "x|", "y"},
    {E, "[]a]+", "]a]"},
    {E, "[^]a]+", "b]"},
    {E, "[a-]+", "-a-"},
    {E, "[%--]+", "%,-"},
    {E, "[--@]+", "-/@"},
    {E, "[[.-.]-z]", "q"},
    {E, "[[.a.]]", "a"},
    {E, "[[=a=]b]+", "ab"},
    {E, "[[:alpha:]]+", "12abC3"},
    {E, "[[:digit:][:space:]]+", "x1 2\t3y"},
    {E, "[[:upper:]]+", "abCD"},
    {E, "[[:punct:]]+", "a!-/b"},
    {E, "[[:xdigit:]]+", "zAf09g"},
    {E, "[\\w]+", "\\w"},
    {E, "[^a-z]+", "abc123def"},
    {E, "\\w+", "  foo_1 "},
    {E, "\\W+", "ab, cd"},
    {E, "\\s+", "a \t b"},
    {E, "\\S+", "  xy "},
    {E, "\\bfoo\\b", "afoo foo"},
    {E, "\\Boo\\B", "foo fooo"},
    {E, "\\<b", "ab b"},
    {E, "a\\>", "aa a"},
    {E, "\\`a", "a"},
    {E, "a\\'", "aa"},
    {E, "\\x", "x"},
    {E, ".", ""},
    {E, "", "abc"},
    {E, "a*", "baaa"},
    {E, "a|ab|abc", "abcd"},
    {E, "b+", "abbbc"},
    {E | I, "ABC", "xaBc"},
    {E | I, "[A-C]+", "xaBcd"},
    {E | I, "[^a]", "A"},
    {E | I, "[[:upper:]]+", "abCD"},
    {E | I, "[[:lower:]]+", "ABcd"},
    {E | S, "(a)(b)", "ab"},
    {E | N, "^b", "a\nb"},
    {E | N, "a$", "a\nb"},
    {E | N, "a.b", "a\nb"},
    {E | N, "a[^x]b", "a\nb"},
    {E, "a.b", "a\nb"},
    {E, "a[^x]b", "a\nb"},
    {E, "^b", "a\nb"},
    /* Without REG_NEWLINE, a newline read inside the match still starts a
       line, and '$' still stands before a newline read next; a match
       cannot end before one. */
    {E, "\\W^b", "a\nb"},
    {E, "a\n^b", "a\nb"},
    {E, "$\\W", "x\nab"},
    {E, "a$\n", "a\nb"},
    {E, "a$.", "a\nb"},
    {E, "a$", "a\nb"},
    {E, "x$\n", "x\n"},
    /* Errors. */
    {E, "*a", ""},
    {E, "a|*b", ""},
    {E, "(*a)", ""},
    {E, "^*", ""},
    {E, "a{1", ""},
    {E, "a{1,2", ""},
    {E, "a{2,1}", ""},
    {E, "a{}", ""},
    {E, "{1}", ""},
    {E, "a{", ""},
    {E, "a{x", ""},
    {E, "a{1,2,3}", ""},
    {E, "a{32768}", ""},
    {E, "(a", ""},
    {E, "[a", ""},
    {E, "[z-a]", ""},
    {E, "[[:foo:]]", ""},
    {E, "[[.space.]]", ""},
    {E, "[[:alpha:]", ""},
    {E, "[a-[:alpha:]]", ""},
    {E, "a\\", ""},
    {E, "(a\\1)", ""},
    {E, "(a)\\2", ""},
    {E, "(+)", ""},
    {0, "a**", ""},
    {0, "\\{1\\}", ""},
    {0, "\\(", ""},
    {0, "a\\)", ""},
    {0, "a\\{1", ""},
    {0, "a\\{1,2,3\\}", ""},
    {0, "a\\{2,1\\}", ""},
    {0, "[z-a]", ""},
    {0, "a\\", ""},
    {0, "\\(a\\)\\2", ""},
    {0, "a*\\{2\\}", ""},
    {0, "a\\?*", ""},
    {0, "x\\>\\{2\\}", ""},
    {E, "^${0,2}", ""},
    {E, "a\\>{0,1}", ""},
    {E, "\\'?", ""},
    {E, "(a)|\\1", ""},
    {E, "((a)|b\\2)", ""},
    {E, "(a)(b|\\1)", "ab"},
    {0, "[", ""},
    {E, "x[^", ""},
    {E, "[]", ""},
    {E, "a{1\\}", ""},
    {E, "a{1x}", ""},
    {E, "a{1,2x", ""},
};

static void show(const regex_t* re, int rc, const regmatch_t* m, size_t n) {
  if (rc != 0) {
    char text[64];
    size_t size = regerror(rc, re, text, sizeof text);
    printf(" exec %d %s(%zu)\n", rc, text, size);
    return;
  }
  printf(" nsub %zu:", re->re_nsub);
  for (size_t i = 0; i < n; ++i) printf(" (%d,%d)", (int)m[i].rm_so, (int)m[i].rm_eo);
  printf("\n");
}

static void flags(const char* pattern, int cflags, const char* subject,
                  int eflags, int so, int eo) {
  regex_t re;
  regmatch_t m[4];
  int rc = regcomp(&re, pattern, cflags);
  printf("[%s] eflags %d {%d,%d}", pattern, eflags, so, eo);
  if (rc != 0) {
    printf(" comp %d\n", rc);
    return;
  }
  m[0].rm_so = so;
  m[0].rm_eo = eo;
  rc = regexec(&re, subject, 4, m, eflags);
  show(&re, rc, m, 1 + re.re_nsub < 4 ? 1 + re.re_nsub : 4);
  regfree(&re);
}

int main(void) {
  for (size_t r = 0; r < sizeof rows / sizeof rows[0]; ++r) {
    regex_t re;
    regmatch_t m[12];
    int rc = regcomp(&re, rows[r].pattern, rows[r].cflags);
    printf("%d [%s] [%s]", rows[r].cflags, rows[r].pattern, rows[r].subject);
    if (rc != 0) {
      char text[80], small[6];
      size_t size = regerror(rc, &re, text, sizeof text);
      regerror(rc, &re, small, sizeof small);
      printf(" comp %d %s (%zu) [%s]\n", rc, text, size, small);
      continue;
    }
    for (int i = 0; i < 12; ++i) m[i].rm_so = m[i].rm_eo = -7;
    rc = regexec(&re, rows[r].subject, 12, m, 0);
    size_t shown = re.re_nsub + 2 < 12 ? re.re_nsub + 2 : 12;
    show(&re, rc, m, shown);
    if (rc == 0 && (rows[r].cflags & REG_NOSUB) == 0) {
      /* Fewer slots than groups, and none at all. */
      regmatch_t one;
      rc = regexec(&re, rows[r].subject, 1, &one, 0);
      if (rc != 0 || one.rm_so != m[0].rm_so || one.rm_eo != m[0].rm_eo)
        printf("  one slot differs\n");
      if (regexec(&re, rows[r].subject, 0, NULL, 0) != 0) printf("  no slots differ\n");
    }
    regfree(&re);
  }

  for (int i = 0; i <= 16; ++i) {
    char text[80];
    size_t size = regerror(i, NULL, text, sizeof text);
    printf("regerror %d %zu %s\n", i, size, text);
  }
  printf("regerror size only %zu\n", regerror(REG_EBRACK, NULL, NULL, 0));

  /* What a failed regcomp leaves: regfree after it is harmless. */
  {
    regex_t re;
    memset(&re, 0x55, sizeof re);
    int rc = regcomp(&re, "(a)(b", REG_EXTENDED);
    printf("failed %d buffer %d allocated %lu nsub %zu fastmap %d\n", rc,
           re.buffer != NULL, (unsigned long)re.allocated, re.re_nsub, re.fastmap != NULL);
    regfree(&re);
    rc = regcomp(&re, "(a)", REG_EXTENDED);
    regfree(&re);
    printf("freed %d buffer %d allocated %lu nsub %zu\n", rc, re.buffer != NULL,
           (unsigned long)re.allocated, re.re_nsub);
  }

  flags("^a", E, "aa", REG_NOTBOL, 0, 0);
  flags("a$", E, "aa", REG_NOTEOL, 0, 0);
  flags("^a", E | N, "a\na", REG_NOTBOL, 0, 0);
  flags("a$", E | N, "a\na", REG_NOTEOL, 0, 0);
  flags("\\`a", E, "aa", REG_NOTBOL, 0, 0);
  flags("a+", E, "xaaay", REG_STARTEND, 2, 3);
  flags("^a", E, "xaaay", REG_STARTEND, 1, 3);
  flags("a$", E, "xaaay", REG_STARTEND, 1, 3);
  flags("\\ba", E, "xaaay", REG_STARTEND, 1, 3);
  flags("(a)(b)?", E, "zzabzz", REG_STARTEND, 2, 6);
  flags("^a", E | N, "x\naa", REG_STARTEND, 2, 4);
  flags("b", E, "a\0b", REG_STARTEND, 0, 3);
  flags("a.b", E, "a\0b", REG_STARTEND, 0, 3);
  flags("a[^x]b", E, "a\0b", REG_STARTEND, 0, 3);
  flags("a$", E, "xaaay", REG_STARTEND | REG_NOTEOL, 1, 3);

  /* Exponential for backtracking; printed, not timed. */
  {
    char as[64], text[4096];
    memset(as, 'a', 30);
    as[30] = 0;
    flags("(a*)*b", E, as, 0, 0, 0);
    flags("(a|aa)+$", E, as, 0, 0, 0);
    flags("(a+)+b", E, as, 0, 0, 0);
    flags("(a?){30}a{30}", E, as, 0, 0, 0);
    flags("((a*)*)*c", E, as, 0, 0, 0);
    /* With back-references, which force a search of paths. */
    flags("(a*)*\\1b", E, as, 0, 0, 0);
    flags("((a*)*)*(\\1)c", E, as, 0, 0, 0);
    flags("(a|aa)*\\1$", E, as, 0, 0, 0);
    for (int i = 0; i < 4000; ++i) text[i] = "abcab"[i % 5];
    text[4000] = 0;
    flags("(.*)*(x|c)+$", E, text, 0, 0, 0);
    flags("([abc]+)*d", E, text, 0, 0, 0);
    flags("(a|b|c|ab|bc|ca)*$", E, text, 0, 0, 0);
  }
  return 0;
}
