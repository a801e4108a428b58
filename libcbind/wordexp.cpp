// Shell word expansion (wordexp) as glibc does it in the "C" locale, short
// of running commands: there is no shell to run them in, so a command
// substitution is refused with WRDE_CMDSUB whether or not WRDE_NOCMD asks
// for that (glibc would run it through /bin/sh).
//
// The words are built host-side and reach the guest's vector only when the
// whole expansion succeeded, so an error leaves the caller's wordexp_t as
// glibc leaves it: untouched.
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "abi/files.h"
#include "abi/wordexp.h"
#include "libcbind/environment.h"
#include "libcbind/families.h"
#include "libcbind/guest.h"
#include "libcbind/iofile.h"
#include "libcbind/match.h"
#include "libcbind/streams.h"
#include "process/process.h"
#include "runtime/heap.h"

extern "C" {
int tblibc_setenv(const char* name, const char* value, int overwrite);
int32_t tblibc_getpid();
uint32_t tblibc_getuid();
process::UserRecord* tblibc_getpwnam(const char* name);
process::UserRecord* tblibc_getpwuid(uint32_t uid);
int32_t tblibc_glob(const char* pattern, int32_t flags, uint32_t errfunc,
                    linux::Glob* g);
void tblibc_globfree(linux::Glob* g);
}

namespace {

using namespace linux;

// Thrown out of the expansion with a WRDE_* answer.
struct Failure {
  int32_t code;
};

bool NameStart(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
bool NameChar(char c) { return NameStart(c) || (c >= '0' && c <= '9'); }
bool Digit(char c) { return c >= '0' && c <= '9'; }

// A variable's value: null when unset.
struct Value {
  bool set = false;
  std::string text;
};

class Expander {
 public:
  Expander(const char* words, int32_t flags) : s_(words), flags_(flags) {}

  std::vector<std::string> Run() {
    while (at_ < s_.size()) Step();
    EndWord();
    return std::move(fields_);
  }

  std::vector<std::string> Finished() { return std::move(fields_); }

 private:
  void Step() {
    const char c = s_[at_];
    switch (c) {
      case ' ':
      case '\t':
        if (nested_) break;
        ++at_;
        EndWord();
        return;
      case '\n': case '|': case '&': case ';': case '<': case '>':
      case '(': case ')': case '{': case '}':
        throw Failure{kWRDE_BADCHAR};
      case '\\':
        if (++at_ >= s_.size()) throw Failure{kWRDE_SYNTAX};
        AddQuoted(s_[at_++]);
        return;
      case '\'': {
        size_t end = s_.find('\'', at_ + 1);
        if (end == std::string::npos && !glob_) throw Failure{kWRDE_SYNTAX};
        // glibc lets a quote opened after a pattern character run to the end.
        if (end == std::string::npos) end = s_.size();
        started_ = true;
        for (size_t i = at_ + 1; i < end; ++i) AddQuoted(s_[i]);
        at_ = end + 1;
        return;
      }
      case '"':
        ++at_;
        DoubleQuoted();
        return;
      case '`':
        return Command();
      case '$':
        Dollar(false);
        return;
      case '~':
        if (word_.empty() && !started_) return Tilde();
        break;
      case '*': case '?': case '[':
        glob_ = true;
        word_ += c;
        pattern_ += c;
        ++at_;
        return;
      case '=':
        word_ += c;
        pattern_ += c;
        if (++at_ < s_.size() && s_[at_] == '~') Tilde();
        return;
      default:
        break;
    }
    word_ += c;
    pattern_ += c;
    ++at_;
  }

  void AddQuoted(char c) {
    if (c == '*' || c == '?' || c == '[' || c == '\\') pattern_ += '\\';
    pattern_ += c;
    word_ += c;
  }
  void AddQuoted(const std::string& text) {
    for (char c : text) AddQuoted(c);
  }

  void EndWord() {
    if (word_.empty() && !started_) return;
    if (glob_ && Glob()) {
    } else {
      fields_.push_back(word_);
    }
    word_.clear();
    pattern_.clear();
    started_ = glob_ = false;
  }

  // True when the pattern matched something, its matches added.
  bool Glob() {
    linux::Glob g{};
    const int32_t code = tblibc_glob(pattern_.c_str(), 0, 0, &g);
    auto** paths = reinterpret_cast<char**>(static_cast<uintptr_t>(g.gl_pathv));
    if (code == 0)
      for (uint32_t i = 0; i < g.gl_pathc; ++i) fields_.push_back(paths[i]);
    tblibc_globfree(&g);
    return code == 0;
  }

  void DoubleQuoted() {
    started_ = true;
    for (;;) {
      if (at_ >= s_.size() && glob_) return;
      if (at_ >= s_.size()) throw Failure{kWRDE_SYNTAX};
      const char c = s_[at_];
      if (c == '"') {
        ++at_;
        return;
      }
      if (c == '\\') {
        if (at_ + 1 >= s_.size()) throw Failure{kWRDE_SYNTAX};
        const char next = s_[at_ + 1];
        if (next == '$' || next == '`' || next == '"' || next == '\\' ||
            next == '\n') {
          if (next != '\n') AddQuoted(next);
          at_ += 2;
        } else {
          AddQuoted(c);
          ++at_;
        }
      } else if (c == '`') {
        Command();
      } else if (c == '$') {
        Dollar(true);
      } else {
        AddQuoted(c);
        ++at_;
      }
    }
  }

  // ~ and ~user: HOME (or the password entry of the user running), the
  // user's home directory, or the text itself for a user unknown.
  void Tilde() {
    size_t end = at_ + 1;
    while (end < s_.size() && std::strchr("/: \t\\'\"$`|&;<>(){}\n", s_[end]) == nullptr)
      ++end;
    const std::string name = s_.substr(at_ + 1, end - at_ - 1);
    const char* home = nullptr;
    if (name.empty()) {
      home = tblibc_getenv("HOME");
      if (home == nullptr) {
        const process::UserRecord* user = tblibc_getpwuid(tblibc_getuid());
        if (user != nullptr) home = user->pw_dir;
      }
    } else {
      const process::UserRecord* user = tblibc_getpwnam(name.c_str());
      if (user != nullptr) home = user->pw_dir;
    }
    if (home != nullptr) {
      AddQuoted(std::string(home));
    } else {
      word_ += '~';
      pattern_ += '~';
      AddQuoted(name);
    }
    at_ = end;
  }

  static Value Lookup(const std::string& name) {
    Value v;
    if (name.empty()) return v;
    if (Digit(name[0])) {
      const long n = std::strtol(name.c_str(), nullptr, 10);
      if (n < process::GuestArgc && process::GuestArgv != nullptr) {
        v.set = true;
        v.text = process::GuestArgv[n];
      }
      return v;
    }
    if (name == "$") {
      v.set = true;
      v.text = std::to_string(tblibc_getpid());
      return v;
    }
    if (name == "#") {
      v.set = true;
      v.text = std::to_string(process::GuestArgc > 0 ? process::GuestArgc - 1 : 0);
      return v;
    }
    if (name == "*" || name == "@") {
      v.set = process::GuestArgc > 1;
      for (int32_t i = 1; i < process::GuestArgc; ++i) {
        if (i > 1) v.text += ' ';
        v.text += process::GuestArgv[i];
      }
      return v;
    }
    const char* text = tblibc_getenv(name.c_str());
    if (text != nullptr) {
      v.set = true;
      v.text = text;
    }
    return v;
  }

  Value Get(const std::string& name) {
    Value v = Lookup(name);
    if (!v.set && (flags_ & kWRDE_UNDEF) != 0) throw Failure{kWRDE_BADVAL};
    return v;
  }

  // The text up to the '}' that closes a ${, quotes and nested ${ kept.
  std::string BraceWord() {
    const size_t start = at_;
    int depth = 0;
    while (at_ < s_.size()) {
      const char c = s_[at_];
      if (c == '\\') {
        at_ += 2;
        continue;
      }
      if (c == '\'' || c == '"') {
        const size_t end = s_.find(c, at_ + 1);
        if (end == std::string::npos) throw Failure{kWRDE_SYNTAX};
        at_ = end + 1;
        continue;
      }
      if (c == '$' && at_ + 1 < s_.size() && s_[at_ + 1] == '{') ++depth;
      if (c == '}') {
        if (depth == 0) {
          ++at_;
          return s_.substr(start, at_ - 1 - start);
        }
        --depth;
      }
      ++at_;
    }
    throw Failure{kWRDE_SYNTAX};
  }

  // A ${...} operand expanded with its quotes removed, never split.
  std::string Operand(const std::string& text) {
    Expander inner(("\"" + Escape(text) + "\"").c_str(), flags_);
    inner.nested_ = true;
    std::vector<std::string> words = inner.Run();
    return words.empty() ? std::string() : words[0];
  }

  // A ${v#...} operand as an fnmatch pattern: its quoted characters made
  // plain, the rest left active.
  std::string PatternOf(const std::string& text) {
    Expander inner(text.c_str(), flags_);
    inner.nested_ = true;
    while (inner.at_ < inner.s_.size()) inner.Step();
    return inner.pattern_;
  }

  // Unquoted text made fit for inside double quotes: its single quotes and
  // double quotes removed the way the shell would.
  static std::string Escape(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
      const char c = text[i];
      if (c == '\'') {
        for (++i; i < text.size() && text[i] != '\''; ++i) {
          if (std::strchr("$`\"\\", text[i]) != nullptr) out += '\\';
          out += text[i];
        }
      } else if (c == '"') {
      } else if (c == '\\' && i + 1 < text.size()) {
        out += '\\';
        out += text[++i];
      } else {
        out += c;
      }
    }
    return out;
  }

  void Dollar(bool quoted) {
    const size_t next = at_ + 1;
    if (next >= s_.size()) {
      AddLiteral('$');
      ++at_;
      return;
    }
    const char c = s_[next];
    if (c == '(' && next + 1 < s_.size() && s_[next + 1] == '(') {
      at_ = next + 2;
      return Arithmetic("))", quoted);
    }
    if (c == '[') {
      at_ = next + 1;
      return Arithmetic("]", quoted);
    }
    if (c == '(') {
      int depth = 0;
      for (size_t end = next; end < s_.size(); ++end) {
        if (s_[end] == '(') ++depth;
        if (s_[end] == ')' && --depth == 0) throw Failure{kWRDE_CMDSUB};
      }
      throw Failure{kWRDE_SYNTAX};
    }
    if (c == '{') {
      at_ = next + 1;
      return Braced(quoted);
    }
    std::string name;
    if (NameStart(c)) {
      size_t end = next;
      while (end < s_.size() && NameChar(s_[end])) ++end;
      name = s_.substr(next, end - next);
      at_ = end;
    } else if (Digit(c) || c == '$' || c == '#' || c == '*' || c == '@') {
      name = std::string(1, c);
      at_ = next + 1;
    } else {
      // $?, $-, $!, a lone $: the text itself.
      AddLiteral('$');
      ++at_;
      return;
    }
    Substitute(Get(name), quoted, true);
  }

  // A command substitution is refused once it is seen to be complete; an
  // unterminated one is a syntax error, as glibc finds it.
  [[noreturn]] void Command() {
    for (size_t end = at_ + 1; end < s_.size(); ++end) {
      if (s_[end] == '\\') ++end;
      else if (s_[end] == '`') throw Failure{kWRDE_CMDSUB};
    }
    throw Failure{kWRDE_SYNTAX};
  }

  void AddLiteral(char c) {
    word_ += c;
    pattern_ += c;
  }

  void Braced(bool quoted) {
    if (at_ >= s_.size()) throw Failure{kWRDE_SYNTAX};
    bool length = false;
    if (s_[at_] == '#' && at_ + 1 < s_.size() && s_[at_ + 1] != '}') {
      length = true;
      ++at_;
    }
    std::string name;
    size_t end = at_;
    if (end < s_.size() && NameStart(s_[end])) {
      while (end < s_.size() && NameChar(s_[end])) ++end;
    } else if (end < s_.size() && Digit(s_[end])) {
      while (end < s_.size() && Digit(s_[end])) ++end;
    } else if (end < s_.size() && std::strchr("$#*@", s_[end]) != nullptr) {
      ++end;
    }
    name = s_.substr(at_, end - at_);
    at_ = end;
    if (name.empty() || name == "#" || at_ >= s_.size()) throw Failure{kWRDE_SYNTAX};
    std::string op;
    if (s_[at_] == '}') {
      ++at_;
    } else if (s_[at_] == ':') {
      if (at_ + 1 >= s_.size() || std::strchr("-=?+", s_[at_ + 1]) == nullptr)
        throw Failure{kWRDE_SYNTAX};
      op = s_.substr(at_, 2);
      at_ += 2;
    } else if (std::strchr("-=?+", s_[at_]) != nullptr) {
      op = s_.substr(at_++, 1);
    } else if (s_[at_] == '#' || s_[at_] == '%') {
      op = s_.substr(at_++, 1);
      if (at_ < s_.size() && s_[at_] == op[0]) op += s_[at_++];
    } else {
      throw Failure{kWRDE_SYNTAX};
    }
    const std::string operand = op.empty() ? std::string() : BraceWord();
    Value v = Get(name);
    const bool colon = op.size() == 2 && op[0] == ':';
    const bool absent = !v.set || (colon && v.text.empty());
    switch (op.empty() ? 0 : op[0] == ':' ? op[1] : op[0]) {
      case 0:
        if (!length) return Substitute(v, quoted, true);
        break;
      case '-':
        if (absent) v = {true, Operand(operand)};
        break;
      case '=':
        if (absent) {
          v = {true, Operand(operand)};
          tblibc_setenv(name.c_str(), v.text.c_str(), 1);
        }
        break;
      case '?':
        // glibc reports the word on standard error, whatever WRDE_SHOWERR
        // says, and goes on with nothing in the variable's place.
        if (absent) {
          Report(name + ": " + Operand(operand) + "\n");
          return;
        }
        break;
      case '+':
        v = absent ? Value{} : Value{true, Operand(operand)};
        break;
      case '#':
      case '%':
        v.text = Trim(v.text, PatternOf(operand), op.size() == 2, op[0] == '#');
        break;
    }
    // ${#name...} is the length of what the rest would give.
    if (length) v = {true, std::to_string(v.text.size())};
    Substitute(v, quoted);
  }

  static void Report(const std::string& line) {
    void* error = tblibc::io::Current(2);
    tblibc::io::Write(tblibc::io::File(error), line.data(),
                      static_cast<uint32_t>(line.size()));
    tblibc_fflush(error);
  }

  // ${v#p} ${v##p} ${v%p} ${v%%p}: the shortest or longest prefix or
  // suffix that the pattern matches, removed.
  static std::string Trim(const std::string& text, const std::string& pattern,
                          bool longest, bool prefix) {
    const size_t n = text.size();
    for (size_t k = 0; k <= n; ++k) {
      const size_t length = longest ? n - k : k;
      const std::string part = prefix ? text.substr(0, length) : text.substr(n - length);
      if (tblibc::match::Fnmatch(pattern, part, 0) == 0)
        return prefix ? text.substr(length) : text.substr(0, n - length);
    }
    return text;
  }

  // A parameter's value put into the word: whole within double quotes,
  // split on IFS outside them.
  void Substitute(const Value& v, bool quoted, bool plain = false) {
    if (quoted) {
      // glibc's quirks for a quoted expansion that opens a word: an unset
      // one ends an empty word there, an empty one fails for want of space.
      if (plain && word_.empty() && !nested_) {
        if (!v.set) {
          fields_.push_back("");
          started_ = false;
          return;
        }
        if (v.text.empty()) throw Failure{kWRDE_NOSPACE};
      }
      AddQuoted(v.text);
      return;
    }
    if (nested_) {
      word_ += v.text;
      pattern_ += v.text;
      return;
    }
    const char* ifsValue = tblibc_getenv("IFS");
    const std::string ifs = ifsValue != nullptr ? ifsValue : " \t\n";
    if (ifs.empty()) {
      AddQuoted(v.text);
      return;
    }
    auto isIfs = [&](char c) { return ifs.find(c) != std::string::npos; };
    auto isWhite = [&](char c) { return isIfs(c) && (c == ' ' || c == '\t' || c == '\n'); };
    size_t i = 0, n = v.text.size();
    // Leading and trailing IFS white space join nothing and split nothing.
    while (i < n && isWhite(v.text[i])) ++i;
    while (n > i && isWhite(v.text[n - 1])) --n;
    while (i < n) {
      const char c = v.text[i];
      if (!isIfs(c)) {
        AddQuoted(c);
        ++i;
        continue;
      }
      while (i < n && isWhite(v.text[i])) ++i;
      if (i < n && isIfs(v.text[i]) && !isWhite(v.text[i])) {
        ++i;
        while (i < n && isWhite(v.text[i])) ++i;
      }
      started_ = true;
      EndWord();
    }
  }

  // $((...)) and $[...]: integer arithmetic, the operand's parameters
  // expanded first.
  void Arithmetic(const char* close, bool quoted) {
    const size_t closeLength = std::strlen(close);
    size_t end = at_;
    int depth = 0;
    for (;; ++end) {
      if (end >= s_.size()) throw Failure{kWRDE_SYNTAX};
      if (depth == 0 && s_.compare(end, closeLength, close) == 0) break;
      if (s_[end] == '(') ++depth;
      if (s_[end] == ')') --depth;
    }
    const std::string raw = s_.substr(at_, end - at_);
    if (raw.find_first_of("'\"\\") != std::string::npos) throw Failure{kWRDE_SYNTAX};
    const std::string text = Operand(raw);
    at_ = end + closeLength;
    size_t i = 0;
    int64_t value = Sum(text, &i);
    while (i < text.size() && text[i] == ' ') ++i;
    if (i < text.size() && text[i] == ')') throw Failure{kWRDE_SYNTAX};
    Substitute({true, std::to_string(static_cast<int32_t>(value))}, quoted);
  }

  static void Blanks(const std::string& t, size_t* i) {
    while (*i < t.size() && (t[*i] == ' ' || t[*i] == '\t' || t[*i] == '\n')) ++*i;
  }

  static int64_t Sum(const std::string& t, size_t* i) {
    int64_t value = Product(t, i);
    for (;;) {
      Blanks(t, i);
      if (*i >= t.size() || (t[*i] != '+' && t[*i] != '-')) return value;
      const char op = t[(*i)++];
      const int64_t right = Product(t, i);
      value = op == '+' ? value + right : value - right;
    }
  }

  static int64_t Product(const std::string& t, size_t* i) {
    int64_t value = Unary(t, i);
    for (;;) {
      Blanks(t, i);
      // glibc knows no %: the expression ends before it.
      if (*i >= t.size() || (t[*i] != '*' && t[*i] != '/')) return value;
      const char op = t[(*i)++];
      const int64_t right = Unary(t, i);
      if (op == '*') {
        value *= right;
      } else {
        if (right == 0) throw Failure{kWRDE_SYNTAX};
        value /= right;
      }
    }
  }

  static int64_t Unary(const std::string& t, size_t* i) {
    Blanks(t, i);
    if (*i < t.size() && (t[*i] == '-' || t[*i] == '+')) {
      // A sign goes with a number only, never with a parenthesis.
      const char op = t[(*i)++];
      Blanks(t, i);
      if (*i >= t.size() || !Digit(t[*i])) throw Failure{kWRDE_SYNTAX};
      const int64_t value = Primary(t, i);
      return op == '-' ? -value : value;
    }
    return Primary(t, i);
  }

  static int64_t Primary(const std::string& t, size_t* i) {
    Blanks(t, i);
    if (*i >= t.size()) throw Failure{kWRDE_SYNTAX};
    if (t[*i] == '(') {
      ++*i;
      const int64_t value = Sum(t, i);
      Blanks(t, i);
      if (*i >= t.size() || t[*i] != ')') throw Failure{kWRDE_SYNTAX};
      ++*i;
      return value;
    }
    if (!Digit(t[*i])) throw Failure{kWRDE_SYNTAX};
    char* end = nullptr;
    const int64_t value = std::strtoll(t.c_str() + *i, &end, 0);
    *i = static_cast<size_t>(end - t.c_str());
    return value;
  }

  std::string s_;
  int32_t flags_;
  size_t at_ = 0;
  std::string word_, pattern_;
  bool started_ = false, glob_ = false, nested_ = false;
  std::vector<std::string> fields_;
};

char** Vector(const WordExp* w) {
  return reinterpret_cast<char**>(static_cast<uintptr_t>(w->we_wordv));
}

}  // namespace

extern "C" {

void tblibc_wordfree(WordExp* w) {
  if (w == nullptr || w->we_wordv == 0) return;
  char** v = Vector(w);
  for (char** p = v + w->we_offs; *p != nullptr; ++p) rtl::HeapFree(*p);
  rtl::HeapFree(v);
  w->we_wordv = 0;
}

int32_t tblibc_wordexp(const char* words, WordExp* w, int32_t flags) {
  using namespace tblibc;
  // Reused storage is gone even when the expansion then fails.
  if ((flags & kWRDE_REUSE) != 0) {
    tblibc_wordfree(w);
    w->we_wordc = 0;
  }
  std::vector<std::string> fields;
  int32_t code = 0;
  Expander expander(words, flags);
  try {
    fields = expander.Run();
  } catch (const Failure& failure) {
    code = failure.code;
    // Out of space, glibc hands over the words it had finished.
    fields = expander.Finished();
  }
  if (code != 0 && code != kWRDE_NOSPACE) return code;
  if ((flags & kWRDE_APPEND) == 0) {
    w->we_wordc = 0;
    w->we_wordv = 0;
    if ((flags & kWRDE_DOOFFS) == 0) w->we_offs = 0;
  }
  const size_t base = w->we_offs + w->we_wordc;
  auto** v = static_cast<char**>(
      GuestRealloc(Vector(w), (base + fields.size() + 1) * sizeof(uint32_t)));
  if (v == nullptr) return kWRDE_NOSPACE;
  if (w->we_wordv == 0)
    for (size_t i = 0; i < w->we_offs; ++i) v[i] = nullptr;
  for (size_t i = 0; i < fields.size(); ++i) v[base + i] = GuestStrdup(fields[i]);
  v[base + fields.size()] = nullptr;
  w->we_wordv = Address(v);
  w->we_wordc += static_cast<uint32_t>(fields.size());
  return code;
}

}  // extern "C"

namespace tblibc {

extern const Family kWordExpFamily;

constexpr Export kExports[] = {
    Fn<&tblibc_wordexp>("wordexp"),
    Fn<&tblibc_wordfree>("wordfree"),
};

const Family kWordExpFamily{"wordexp", kExports};

}  // namespace tblibc
