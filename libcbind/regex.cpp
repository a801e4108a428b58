// The regex family: POSIX regcomp/regexec/regerror/regfree, and the GNU
// interface over the same engine (re_compile_pattern, re_search, re_match
// and their two-string forms, registers, re_syntax_options, re_comp and
// re_exec), with the Linux C library's answers in the "C" locale.
//
// The parser reads glibc's syntax bits; regcomp hands it the POSIX presets.
// Bits that only tune glibc's own machinery (RE_NO_POSIX_BACKTRACKING,
// RE_DEBUG) change nothing here; RE_CARET_ANCHORS_HERE is not read, '^'
// anchoring where BRE context allows it. A malformed interval read as
// characters under RE_INVALID_INTERVAL_ORD is told from an error as glibc
// tells them for the forms tried here. The fastmap is never filled: the
// engine does not need it.
//
// A pattern is parsed into a tree, then laid out as a small program of
// instructions (consume a byte of a set, split, assert, open or close a
// group, back-reference, match) in the order glibc lays out its own
// automaton, because its submatches depend on that order. Where a match
// lies is found by running every thread of the program in step over the
// text, so no pattern costs more than the program's size per byte. glibc
// reports the submatches of one path among those that reach the longest
// match: at each split, the branch laid out first that can still reach the
// match's end, with its rules for empty iterations. That path is found by
// marking, for every position of the match, the instructions from which
// the end is still reachable, then walking forward. Only a back-reference
// makes the match depend on what groups captured, and only then does the
// search backtrack.
#include <algorithm>
#include <bitset>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "abi/regex.h"
#include "libcbind/ctype.h"
#include "libcbind/families.h"
#include "libcbind/guest.h"

namespace tblibc::regex {
namespace {

using linux::RegError;

// The library's largest repetition count.
constexpr int kDupMax = 0x7fff;

using ByteSet = std::bitset<256>;

enum class Op : uint8_t { kChar, kSplit, kJump, kAssert, kOpen, kClose, kBackref, kMatch };
enum class Assert : uint8_t {
  kLineBegin, kLineEnd, kWordBegin, kWordEnd, kInsideWord, kOutsideWord,
  kBufferBegin, kBufferEnd,
};

struct Inst {
  Op op;
  Assert assert = Assert::kLineBegin;
  // A group closed in an optional repetition of itself: an empty iteration
  // after a non-empty one takes back what it changed.
  bool optional = false;
  int32_t next = -1;
  int32_t alt = -1;  // kSplit: the second choice
  int32_t arg = 0;   // kChar: set index; kOpen/kClose/kBackref: group
};

struct Program {
  std::vector<Inst> insts;
  std::vector<ByteSet> sets;
  int32_t start = 0;
  uint32_t nsub = 0;
  bool backrefs = false;
  bool icase = false;
  bool nosub = false;
  // For each instruction, the epsilon instructions that lead to it.
  std::vector<std::vector<int32_t>> preds;
  // The bytes a match can begin with, assertions taken as passed; `anyFirst`
  // when a match may be empty or begin with a back-reference. A search
  // skips the positions where no match can begin.
  ByteSet first;
  bool anyFirst = true;
};

bool IsWordByte(unsigned char c) { return ctype::InClass(c, ctype::kAlnum) || c == '_'; }
unsigned char Lower(unsigned char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + 32) : c;
}
unsigned char Upper(unsigned char c) {
  return c >= 'a' && c <= 'z' ? static_cast<unsigned char>(c - 32) : c;
}

// ---- The tree -------------------------------------------------------------

enum class Kind : uint8_t { kSet, kEmpty, kAssert, kGroup, kCat, kAlt, kRepeat, kBackref };

struct Node {
  explicit Node(Kind k, int32_t first = 0, int32_t second = 0)
      : kind(k), a(first), b(second) {}
  Kind kind;
  int32_t a;  // set index, assert, group, minimum, back-reference
  int32_t b;  // maximum (-1: unbounded)
  std::vector<int32_t> kids;
};

class Parser {
 public:
  Parser(std::string_view pattern, uint32_t syntax, Program* program)
      : p_(pattern), syn_(syntax), icase_((syntax & linux::kRE_ICASE) != 0), prog_(program) {}

  // The root node, or -1 with error_ set.
  int32_t Parse() {
    const int32_t root = ParseAlt(0);
    if (error_ != 0) return -1;
    if (i_ < p_.size()) {
      // Only a closing parenthesis stops the top level early.
      error_ = linux::kREG_ERPAREN;
      return -1;
    }
    return root;
  }

  int32_t error_ = 0;
  std::vector<Node> nodes_;
  uint32_t groups_ = 0;

 private:
  int32_t Add(Node n) {
    nodes_.push_back(std::move(n));
    return static_cast<int32_t>(nodes_.size() - 1);
  }
  int32_t AddSet(const ByteSet& set) {
    prog_->sets.push_back(set);
    return Add(Node(Kind::kSet, static_cast<int32_t>(prog_->sets.size() - 1)));
  }
  int32_t AddByte(unsigned char c) {
    ByteSet s;
    s.set(c);
    if (icase_) {
      s.set(Lower(c));
      s.set(Upper(c));
    }
    return AddSet(s);
  }

  bool Has(uint32_t bit) const { return (syn_ & bit) != 0; }
  // Whether the operator `c` is at i_, written bare (`bare`) or after a
  // backslash; its width in *width.
  bool AtToken(char c, bool bare, size_t* width = nullptr) const {
    if (i_ >= p_.size()) return false;
    size_t w = 0;
    if (bare && p_[i_] == c) w = 1;
    if (!bare && p_[i_] == '\\' && i_ + 1 < p_.size() && p_[i_ + 1] == c) w = 2;
    if (width != nullptr) *width = w;
    return w != 0;
  }
  size_t AltBarWidth() const {
    size_t w = 0;
    if (Has(linux::kRE_NEWLINE_ALT) && AtToken('\n', true, &w)) return w;
    if (Has(linux::kRE_LIMITED_OPS)) return 0;
    AtToken('|', Has(linux::kRE_NO_BK_VBAR), &w);
    return w;
  }
  bool AtAltBar() const { return AltBarWidth() != 0; }
  bool BareParens() const { return Has(linux::kRE_NO_BK_PARENS); }
  bool BareBraces() const { return Has(linux::kRE_NO_BK_BRACES); }
  // An unmatched bare ')' at the top is an ordinary character where the
  // syntax says so.
  bool AtCloseParen(int depth) const {
    if (!AtToken(')', BareParens())) return false;
    return depth > 0 || !BareParens() || !Has(linux::kRE_UNMATCHED_RIGHT_PAREN_ORD);
  }

  int32_t ParseAlt(int depth) {
    std::vector<int32_t> branches;
    // A back-reference may not name a group closed in an earlier
    // alternative of the same alternation.
    const std::vector<bool> before = closed_;
    std::vector<bool> closedHere = closed_;
    while (true) {
      if (!branches.empty()) {
        closed_ = before;
        closed_.resize(groups_, false);
      }
      branches.push_back(ParseBranch(depth));
      if (error_ != 0) return -1;
      for (size_t g = 0; g < closed_.size(); ++g) {
        if (g >= closedHere.size()) closedHere.push_back(false);
        if (closed_[g]) closedHere[g] = true;
      }
      const size_t bar = AltBarWidth();
      if (bar == 0) break;
      i_ += bar;
    }
    closedHere.resize(groups_, false);
    closed_ = closedHere;
    if (branches.size() == 1) return branches[0];
    Node n(Kind::kAlt);
    n.kids = std::move(branches);
    return Add(std::move(n));
  }

  // A repetition operator at i_, and its width; 0 when none.
  size_t RepeatAt(char* which) const {
    size_t w = 0;
    *which = 0;
    if (AtToken('*', true, &w)) *which = '*';
    const bool plusQm = !Has(linux::kRE_LIMITED_OPS);
    const bool bareQm = !Has(linux::kRE_BK_PLUS_QM);
    if (!*which && plusQm && AtToken('+', bareQm, &w)) *which = '+';
    if (!*which && plusQm && AtToken('?', bareQm, &w)) *which = '?';
    if (!*which && Has(linux::kRE_INTERVALS) && AtToken('{', BareBraces(), &w)) *which = '{';
    return *which ? w : 0;
  }

  int32_t ParseBranch(int depth) {
    std::vector<int32_t> items;
    // Whether the last item can take a repetition: not at the start, not
    // after '^'.
    bool haveAtom = false;
    bool lastRepeated = false;
    const size_t branchStart = i_;
    while (i_ < p_.size() && !AtAltBar() && !AtCloseParen(depth)) {
      char op = 0;
      const size_t width = RepeatAt(&op);
      if (width != 0) {
        const bool dup = op == '*' || op == '{';
        if (!haveAtom) {
          // Where nothing precedes, the syntax says whether the operator
          // is an error, is dropped, or is itself.
          if (Has(linux::kRE_CONTEXT_INVALID_OPS) ||
              (op == '{' && Has(linux::kRE_CONTEXT_INVALID_DUP))) {
            error_ = linux::kREG_BADRPT;
            return -1;
          }
          i_ += width;
          if (Has(linux::kRE_CONTEXT_INDEP_OPS)) continue;
          items.push_back(AddByte(static_cast<unsigned char>(op)));
          haveAtom = true;
          lastRepeated = false;
          continue;
        }
        if (Has(linux::kRE_CONTEXT_INVALID_DUP) && lastRepeated && dup) {
          error_ = linux::kREG_BADRPT;
          return -1;
        }
        const size_t at = i_;
        i_ += width;
        int32_t lo = 0, hi = -1;
        if (op == '+') lo = 1;
        if (op == '?') hi = 1;
        if (op == '{' && !ParseInterval(&lo, &hi)) {
          // A malformed interval may stand for its characters; an empty
          // one, counts out of order or too large stay errors.
          if (!Has(linux::kRE_INVALID_INTERVAL_ORD) || firmError_ ||
              error_ == linux::kREG_ESIZE)
            return -1;
          error_ = 0;
          i_ = at + width;
          items.push_back(AddByte('{'));
          lastRepeated = false;
          continue;
        }
        Node n(Kind::kRepeat, lo, hi);
        n.kids.push_back(items.back());
        items.back() = Add(std::move(n));
        lastRepeated = true;
        continue;
      }
      lastRepeated = false;
      const char c = p_[i_];
      const bool anchors = Has(linux::kRE_CONTEXT_INDEP_ANCHORS);
      if (c == '^' && (anchors || i_ == branchStart)) {
        ++i_;
        items.push_back(Add(Node(Kind::kAssert, static_cast<int32_t>(Assert::kLineBegin))));
        haveAtom = false;
        continue;
      }
      if (c == '$' && (anchors || i_ + 1 == p_.size() || AtEndOfBranchAfterDollar(depth))) {
        ++i_;
        items.push_back(Add(Node(Kind::kAssert, static_cast<int32_t>(Assert::kLineEnd))));
        haveAtom = false;
        continue;
      }
      const size_t before = nodes_.size();
      const int32_t atom = ParseAtom(depth);
      if (error_ != 0) return -1;
      items.push_back(atom);
      // An assertion takes no repetition: what follows is read as at the
      // start of an expression.
      haveAtom = !(nodes_.size() > before && IsAssertion(atom));
    }
    if (items.empty()) return Add(Node(Kind::kEmpty));
    if (items.size() == 1) return items[0];
    Node n(Kind::kCat);
    n.kids = std::move(items);
    return Add(std::move(n));
  }

  bool IsAssertion(int32_t node) const {
    const Node& n = nodes_[node];
    if (n.kind == Kind::kAssert) return true;
    return n.kind == Kind::kAlt && n.kids.size() == 2 &&
           nodes_[n.kids[0]].kind == Kind::kAssert;
  }

  // In a BRE, '$' anchors only at the end of the pattern or of a group or
  // alternative.
  bool AtEndOfBranchAfterDollar(int depth) {
    ++i_;
    const bool end = AtAltBar() || AtCloseParen(depth);
    --i_;
    return end;
  }

  // One count of an interval: -1 none, -2 not a number; stops before '}'
  // or ',' or at the end (then *atEnd).
  int32_t FetchNumber(bool* atEnd) {
    int32_t n = -1;
    while (true) {
      if (i_ >= p_.size()) {
        *atEnd = true;
        return -2;
      }
      const char c = p_[i_];
      if (c == ',' || IsCloseBrace()) return n;
      ++i_;
      // An escaped character is one token, never the closing brace.
      if (c == '\\') {
        if (i_ < p_.size()) ++i_;
        n = -2;
        continue;
      }
      if (c < '0' || c > '9' || n == -2)
        n = -2;
      else
        n = std::min(kDupMax + 1, (n == -1 ? 0 : n * 10) + (c - '0'));
    }
  }
  bool IsCloseBrace() const { return AtToken('}', BareBraces()); }

  bool ParseInterval(int32_t* lo, int32_t* hi) {
    bool atEnd = false;
    int32_t start = FetchNumber(&atEnd);
    int32_t end = -2;
    const bool comma = !atEnd && p_[i_] == ',';
    if (start == -1) {
      if (!comma) {
        error_ = atEnd ? linux::kREG_EBRACE : linux::kREG_BADBR;
        firmError_ = !atEnd;
        return false;
      }
      start = 0;
    }
    if (start != -2) {
      if (comma) {
        ++i_;
        end = FetchNumber(&atEnd);
      } else {
        end = start;
      }
    }
    if (start == -2 || end == -2) {
      error_ = atEnd ? linux::kREG_EBRACE : linux::kREG_BADBR;
      return false;
    }
    if (end != -1 && start > end) {
      error_ = linux::kREG_BADBR;
      firmError_ = true;
      return false;
    }
    if (!IsCloseBrace()) {
      error_ = linux::kREG_BADBR;
      return false;
    }
    i_ += BareBraces() ? 1 : 2;
    if ((end == -1 ? start : end) > kDupMax) {
      error_ = linux::kREG_ESIZE;
      return false;
    }
    *lo = start;
    *hi = end;
    return true;
  }

  int32_t ParseAtom(int depth) {
    const char c = p_[i_];
    if (BareParens() && c == '(') {
      ++i_;
      return ParseGroup(depth);
    }
    if (c == '[') {
      ++i_;
      return ParseBracket();
    }
    if (c == '.') {
      ++i_;
      ByteSet s;
      s.set();
      if (Has(linux::kRE_DOT_NOT_NULL)) s.reset(0);
      if (!Has(linux::kRE_DOT_NEWLINE)) s.reset('\n');
      return AddSet(s);
    }
    if (c != '\\') {
      ++i_;
      return AddByte(static_cast<unsigned char>(c));
    }
    if (i_ + 1 >= p_.size()) {
      error_ = linux::kREG_EESCAPE;
      return -1;
    }
    const char d = p_[i_ + 1];
    i_ += 2;
    if (!BareParens() && d == '(') return ParseGroup(depth);
    if (d >= '1' && d <= '9' && !Has(linux::kRE_NO_BK_REFS)) {
      const int32_t g = d - '0';
      if (static_cast<size_t>(g) > closed_.size() || !closed_[g - 1]) {
        error_ = linux::kREG_ESUBREG;
        return -1;
      }
      prog_->backrefs = true;
      return Add(Node(Kind::kBackref, g));
    }
    if (Has(linux::kRE_NO_GNU_OPS)) return AddByte(static_cast<unsigned char>(d));
    ByteSet s;
    switch (d) {
      case 'w':
      case 'W':
        for (int b = 0; b < 256; ++b)
          if (IsWordByte(static_cast<unsigned char>(b))) s.set(b);
        if (d == 'W') s.flip();
        return AddSet(s);
      case 's':
      case 'S':
        for (int b = 0; b < 256; ++b)
          if (ctype::InClass(static_cast<unsigned char>(b), ctype::kSpace)) s.set(b);
        if (d == 'S') s.flip();
        return AddSet(s);
      // The library lays a word boundary out as either of two assertions.
      case 'b': return AddEither(Assert::kWordBegin, Assert::kWordEnd);
      case 'B': return AddEither(Assert::kInsideWord, Assert::kOutsideWord);
      case '<': return AddAssert(Assert::kWordBegin);
      case '>': return AddAssert(Assert::kWordEnd);
      case '`': return AddAssert(Assert::kBufferBegin);
      case '\'': return AddAssert(Assert::kBufferEnd);
      default: return AddByte(static_cast<unsigned char>(d));
    }
  }

  int32_t AddAssert(Assert a) { return Add(Node(Kind::kAssert, static_cast<int32_t>(a))); }
  int32_t AddEither(Assert a, Assert b) {
    Node n(Kind::kAlt);
    n.kids = {AddAssert(a), AddAssert(b)};
    return Add(std::move(n));
  }

  int32_t ParseGroup(int depth) {
    const int32_t g = static_cast<int32_t>(++groups_);
    closed_.resize(groups_, false);
    const int32_t body = ParseAlt(depth + 1);
    if (error_ != 0) return -1;
    if (!AtCloseParen(depth + 1)) {
      error_ = linux::kREG_EPAREN;
      return -1;
    }
    i_ += BareParens() ? 1 : 2;
    closed_[g - 1] = true;
    Node n(Kind::kGroup, g);
    n.kids.push_back(body);
    return Add(std::move(n));
  }

  // One element of a bracket: a byte, or a class into *classSet.
  // Returns 0 for a byte, 1 for a class, -1 on error.
  int BracketElement(unsigned char* byte, ByteSet* classSet) {
    if (i_ >= p_.size()) {
      error_ = linux::kREG_EBRACK;
      return -1;
    }
    const char c = p_[i_];
    if (c == '\\' && Has(linux::kRE_BACKSLASH_ESCAPE_IN_LISTS) && i_ + 1 < p_.size()) {
      *byte = static_cast<unsigned char>(p_[i_ + 1]);
      i_ += 2;
      return 0;
    }
    if (c == '[' && i_ + 1 < p_.size() &&
        ((p_[i_ + 1] == ':' && Has(linux::kRE_CHAR_CLASSES)) || p_[i_ + 1] == '.' ||
         p_[i_ + 1] == '=')) {
      const char kind = p_[i_ + 1];
      const char close[3] = {kind, ']', 0};
      const size_t end = p_.find(close, i_ + 2);
      if (end == std::string_view::npos) {
        error_ = linux::kREG_EBRACK;
        return -1;
      }
      const std::string_view name = p_.substr(i_ + 2, end - i_ - 2);
      i_ = end + 2;
      if (kind == ':') {
        uint16_t bits = ctype::ClassNamed(name);
        if (bits != 0) {
          // Case folding widens the case classes to letters.
          if (icase_ && (bits == ctype::kUpper || bits == ctype::kLower)) bits |= ctype::kAlpha;
          for (int b = 0; b < 256; ++b)
            if (ctype::InClass(static_cast<unsigned char>(b), bits)) classSet->set(b);
          return 1;
        }
        error_ = linux::kREG_ECTYPE;
        return -1;
      }
      if (name.size() != 1) {
        error_ = linux::kREG_ECOLLATE;
        return -1;
      }
      *byte = static_cast<unsigned char>(name[0]);
      return 0;
    }
    *byte = static_cast<unsigned char>(c);
    ++i_;
    return 0;
  }

  int32_t ParseBracket() {
    ByteSet set;
    bool negate = false;
    if (i_ < p_.size() && p_[i_] == '^') {
      negate = true;
      ++i_;
    }
    // Nothing at all after the bracket's opening is a bad pattern rather
    // than an unclosed bracket.
    if (i_ >= p_.size()) {
      error_ = linux::kREG_BADPAT;
      return -1;
    }
    bool first = true;
    while (true) {
      if (i_ >= p_.size()) {
        error_ = linux::kREG_EBRACK;
        return -1;
      }
      if (p_[i_] == ']' && !first) {
        ++i_;
        break;
      }
      first = false;
      unsigned char lo = 0;
      ByteSet cls;
      const int kind = BracketElement(&lo, &cls);
      if (kind < 0) return -1;
      const bool range = i_ + 1 < p_.size() && p_[i_] == '-' && p_[i_ + 1] != ']';
      if (kind == 1) {
        if (range) {
          error_ = linux::kREG_ERANGE;
          return -1;
        }
        set |= cls;
        continue;
      }
      if (!range) {
        set.set(lo);
        continue;
      }
      ++i_;
      unsigned char hi = 0;
      const int hiKind = BracketElement(&hi, &cls);
      if (hiKind < 0) return -1;
      if (hiKind == 1 || (hi < lo && Has(linux::kRE_NO_EMPTY_RANGES))) {
        error_ = linux::kREG_ERANGE;
        return -1;
      }
      for (int b = lo; b <= hi; ++b) set.set(b);
    }
    if (icase_) {
      ByteSet folded = set;
      for (int b = 0; b < 256; ++b) {
        if (!set.test(b)) continue;
        folded.set(Lower(static_cast<unsigned char>(b)));
        folded.set(Upper(static_cast<unsigned char>(b)));
      }
      set = folded;
    }
    if (negate) {
      set.flip();
      if (Has(linux::kRE_HAT_LISTS_NOT_NEWLINE)) set.reset('\n');
    }
    return AddSet(set);
  }

  std::string_view p_;
  size_t i_ = 0;
  uint32_t syn_;
  bool icase_;
  bool firmError_ = false;
  Program* prog_;
  std::vector<bool> closed_;
};

// ---- Laying out the program -----------------------------------------------

// The program is laid out as the library lays out its own automaton, since
// its choice between two branches goes to the one laid out first: a tree
// of concatenations, alternatives (left-nested, `x?` being an alternative
// with nothing), stars and group brackets, numbered in post-order with
// concatenations taking no number. Repetitions are copies: `x{2,4}` is
// `x x (x? x)?`, `x+` is `x x*`, and only the first optional copy of
// a group is marked optional.
class Emitter {
 public:
  Emitter(const std::vector<Node>& nodes, Program* prog) : nodes_(nodes), prog_(prog) {}

  // Lays out `root` followed by the match instruction.
  void Lay(int32_t root) {
    const int32_t tree = Build(root, false, true);
    const int32_t end = Make(T::kEnd);
    const int32_t top = tree < 0 ? end : Make(T::kConcat, tree, end);
    Number(top);
    Link(top);
    prog_->insts.assign(static_cast<size_t>(count_), Inst{Op::kMatch});
    for (const TNode& t : tree_) {
      if (t.type == T::kConcat) continue;
      Inst& inst = prog_->insts[static_cast<size_t>(t.index)];
      inst.next = t.next;
      inst.arg = t.arg;
      inst.assert = t.assert;
      inst.optional = t.optional;
      switch (t.type) {
        case T::kChar: inst.op = Op::kChar; break;
        case T::kAssert: inst.op = Op::kAssert; break;
        case T::kBackref: inst.op = Op::kBackref; break;
        case T::kOpen: inst.op = Op::kOpen; break;
        case T::kClose: inst.op = Op::kClose; break;
        case T::kEnd: inst.op = Op::kMatch; break;
        case T::kAlt:
        case T::kStar: {
          const int32_t x = t.left >= 0 ? tree_[t.left].first : t.next;
          const int32_t y = t.right >= 0 ? tree_[t.right].first : t.next;
          if (x == y) {
            inst.op = Op::kJump;
            inst.next = x;
          } else {
            inst.op = Op::kSplit;
            inst.next = std::min(x, y);
            inst.alt = std::max(x, y);
          }
          break;
        }
        case T::kConcat: break;
      }
    }
    prog_->start = tree_[top].first;
  }

  // How many instructions `node` lays out, stopping early past `limit`.
  size_t Size(int32_t node, size_t limit) const {
    const Node& n = nodes_[node];
    size_t own = n.kind == Kind::kGroup ? 2 : 1;
    for (const int32_t kid : n.kids) {
      own += Size(kid, limit);
      if (own > limit) return limit + 1;
    }
    if (n.kind == Kind::kRepeat) {
      const size_t copies = static_cast<size_t>(n.b == -1 ? n.a + 1 : n.b);
      if (own > limit / std::max<size_t>(copies, 1)) return limit + 1;
      own = own * copies + copies;
    }
    return std::min(own, limit + 1);
  }

 private:
  enum class T : uint8_t { kChar, kAssert, kBackref, kOpen, kClose, kAlt, kStar, kConcat, kEnd };
  struct TNode {
    T type;
    int32_t left = -1, right = -1;
    int32_t arg = 0;
    Assert assert = Assert::kLineBegin;
    bool optional = false;
    int32_t index = -1, first = -1, next = -1;
  };

  int32_t Make(T type, int32_t left = -1, int32_t right = -1) {
    TNode t{type};
    t.left = left;
    t.right = right;
    tree_.push_back(t);
    return static_cast<int32_t>(tree_.size() - 1);
  }
  int32_t Cat(int32_t a, int32_t b) {
    if (a < 0) return b;
    if (b < 0) return a;
    return Make(T::kConcat, a, b);
  }

  // The tree of `node`, -1 when it lays out nothing. The library marks a
  // group optional when it parses the repetition, and a copy it makes of a
  // subtree afterwards loses the marks inside: `keep` says whether this
  // subtree is the parsed original.
  int32_t Build(int32_t node, bool optional, bool keep) {
    const Node& n = nodes_[node];
    switch (n.kind) {
      case Kind::kSet: {
        const int32_t t = Make(T::kChar);
        tree_[t].arg = n.a;
        return t;
      }
      case Kind::kEmpty:
        return -1;
      case Kind::kAssert: {
        const int32_t t = Make(T::kAssert);
        tree_[t].assert = static_cast<Assert>(n.a);
        return t;
      }
      case Kind::kBackref: {
        const int32_t t = Make(T::kBackref);
        tree_[t].arg = n.a;
        return t;
      }
      case Kind::kGroup: {
        const int32_t open = Make(T::kOpen);
        tree_[open].arg = n.a;
        tree_[open].optional = optional;
        const int32_t body = Build(n.kids[0], false, keep);
        const int32_t close = Make(T::kClose);
        tree_[close].arg = n.a;
        tree_[close].optional = optional;
        return Make(T::kConcat, Cat(open, body), close);
      }
      case Kind::kCat: {
        int32_t t = -1;
        for (const int32_t kid : n.kids) t = Cat(t, Build(kid, false, keep));
        return t;
      }
      case Kind::kAlt: {
        int32_t t = Build(n.kids[0], false, keep);
        for (size_t k = 1; k < n.kids.size(); ++k) t = Make(T::kAlt, t, Build(n.kids[k], false, keep));
        return t;
      }
      case Kind::kRepeat: {
        const int32_t child = n.kids[0];
        const bool group = nodes_[child].kind == Kind::kGroup;
        int32_t t = -1;
        // The first copy laid out is the original; the rest are copies.
        for (int32_t k = 0; k < n.a; ++k) t = Cat(t, Build(child, false, keep && k == 0));
        if (n.a == n.b) return t;
        const int32_t elem = Build(child, group && keep, keep && n.a == 0);
        if (elem < 0) return t;
        int32_t tail = Make(n.b == -1 ? T::kStar : T::kAlt, elem, -1);
        for (int32_t k = n.a + 2; k <= n.b; ++k)
          tail = Make(T::kAlt, Cat(tail, Build(child, false, false)), -1);
        return Cat(t, tail);
      }
    }
    return -1;
  }

  // Post-order numbers, and each subtree's first instruction.
  void Number(int32_t top) {
    std::vector<std::pair<int32_t, bool>> stack{{top, false}};
    while (!stack.empty()) {
      auto [t, expanded] = stack.back();
      stack.pop_back();
      TNode& node = tree_[t];
      if (!expanded) {
        stack.push_back({t, true});
        if (node.right >= 0) stack.push_back({node.right, false});
        if (node.left >= 0) stack.push_back({node.left, false});
        continue;
      }
      if (node.type == T::kConcat) {
        node.first = tree_[node.left].first;
      } else {
        node.index = count_++;
        node.first = node.index;
      }
    }
  }

  // Where each subtree goes on to.
  void Link(int32_t top) {
    std::vector<int32_t> stack{top};
    while (!stack.empty()) {
      const int32_t t = stack.back();
      stack.pop_back();
      const TNode& node = tree_[t];
      if (node.left < 0 && node.right < 0) continue;
      switch (node.type) {
        case T::kConcat:
          tree_[node.left].next = tree_[node.right].first;
          tree_[node.right].next = node.next;
          break;
        case T::kStar:
          tree_[node.left].next = node.index;
          break;
        default:
          if (node.left >= 0) tree_[node.left].next = node.next;
          if (node.right >= 0) tree_[node.right].next = node.next;
          break;
      }
      if (node.left >= 0) stack.push_back(node.left);
      if (node.right >= 0) stack.push_back(node.right);
    }
  }

  const std::vector<Node>& nodes_;
  Program* prog_;
  std::vector<TNode> tree_;
  int32_t count_ = 0;
};

// Instructions beyond this are refused as the library refuses a pattern
// too big for its memory.
constexpr size_t kMaxInsts = 1u << 22;

void FirstBytes(Program* prog) {
  std::vector<char> seen(prog->insts.size(), 0);
  std::vector<int32_t> todo{prog->start};
  prog->first.reset();
  prog->anyFirst = false;
  while (!todo.empty()) {
    const int32_t pc = todo.back();
    todo.pop_back();
    if (seen[pc]) continue;
    seen[pc] = 1;
    const Inst& inst = prog->insts[pc];
    switch (inst.op) {
      case Op::kChar: prog->first |= prog->sets[inst.arg]; break;
      case Op::kMatch:
      case Op::kBackref: prog->anyFirst = true; break;
      case Op::kSplit: todo.push_back(inst.alt); [[fallthrough]];
      default: todo.push_back(inst.next); break;
    }
  }
}

int32_t Compile(std::string_view pattern, uint32_t syntax, Program* prog) {
  prog->icase = (syntax & linux::kRE_ICASE) != 0;
  Parser parser(pattern, syntax, prog);
  const int32_t root = parser.Parse();
  prog->nsub = parser.groups_;
  if (root < 0) return parser.error_;
  Emitter emitter(parser.nodes_, prog);
  // The size first: repetitions multiply their operand.
  if (emitter.Size(root, kMaxInsts) > kMaxInsts) return linux::kREG_ESPACE;
  emitter.Lay(root);
  FirstBytes(prog);
  prog->preds.assign(prog->insts.size(), {});
  for (size_t k = 0; k < prog->insts.size(); ++k) {
    const Inst& inst = prog->insts[k];
    switch (inst.op) {
      case Op::kSplit:
        prog->preds[inst.alt].push_back(static_cast<int32_t>(k));
        [[fallthrough]];
      case Op::kJump:
      case Op::kAssert:
      case Op::kOpen:
      case Op::kClose:
        prog->preds[inst.next].push_back(static_cast<int32_t>(k));
        break;
      default:
        break;
    }
  }
  return 0;
}

// ---- Matching -------------------------------------------------------------

struct Subject {
  const unsigned char* text;
  int32_t length;
  bool notbol, noteol, newline;
  // No match reads at or past `stop`; the line and the text still end at
  // `length`.
  int32_t stop = length;

  bool EndsLine(int32_t p) const {
    return (p == length && !noteol) || (newline && p < length && text[p] == '\n');
  }
  // Whether passing `a` at p leaves a debt: the next thing on the path must
  // read the newline at p, not end the match.
  bool Owes(Assert a, int32_t p) const { return a == Assert::kLineEnd && !EndsLine(p); }

  bool Word(int32_t i) const { return i >= 0 && i < length && IsWordByte(text[i]); }
  // `initial`: p is where this attempt started. glibc's automaton moves
  // into a line-start state on reading a newline whatever REG_NEWLINE says;
  // only where an attempt starts does it ask the flag.
  bool Holds(Assert a, int32_t p, bool initial) const {
    switch (a) {
      case Assert::kLineBegin:
        return (p == 0 && !notbol) ||
               ((newline || !initial) && p > 0 && text[p - 1] == '\n');
      case Assert::kLineEnd:
        // Met before a newline that is read next, whatever REG_NEWLINE
        // says; a match may end there only as EndsLine allows (Owes).
        return EndsLine(p) || (p < length && text[p] == '\n');
      case Assert::kWordBegin: return !Word(p - 1) && Word(p);
      case Assert::kWordEnd: return Word(p - 1) && !Word(p);
      case Assert::kBufferBegin: return p == 0;
      case Assert::kBufferEnd: return p == length;
      case Assert::kInsideWord: return Word(p - 1) && Word(p);
      case Assert::kOutsideWord: return !Word(p - 1) && !Word(p);
    }
    return false;
  }
};

using Regs = std::vector<linux::RegMatch>;

// Where the leftmost-longest match lies, without back-references: every
// thread runs in step, each instruction kept by the thread that started
// leftmost.
class Scanner {
 public:
  Scanner(const Program& prog, const Subject& s) : prog_(prog), s_(s) {
    mark_.assign(prog.insts.size() * 2, -1);
  }

  // The match starts between `from` and `last`, or nowhere.
  bool Find(int32_t from, int32_t last, bool anyMatch, int32_t* so, int32_t* eo) {
    std::vector<Thread> now, next;
    for (int32_t p = from;; ++p) {
      if (now.empty() && bestStart_ < 0 && !prog_.anyFirst) {
        while (p < s_.stop && p <= last && !prog_.first.test(s_.text[p])) ++p;
      }
      if (bestStart_ < 0 && p <= last) Add(&now, prog_.start, p, p);
      if (bestStart_ >= 0 && anyMatch) break;
      if (now.empty() && (bestStart_ >= 0 || p >= last || p >= s_.stop)) break;
      if (p >= s_.stop) break;
      next.clear();
      const unsigned char c = s_.text[p];
      for (const Thread& t : now) {
        if (bestStart_ >= 0 && t.start > bestStart_) continue;
        const Inst& inst = prog_.insts[t.pc];
        if (prog_.sets[inst.arg].test(c)) Add(&next, inst.next, t.start, p + 1);
      }
      now.swap(next);
    }
    if (bestStart_ < 0) return false;
    *so = bestStart_;
    *eo = bestEnd_;
    return true;
  }

 private:
  struct Thread {
    int32_t pc;
    int32_t start;
  };

  // Each instruction is met at most twice a position: without and with a
  // debt (Subject::Owes).
  void Add(std::vector<Thread>* list, int32_t pc0, int32_t start, int32_t p) {
    stack_.clear();
    stack_.push_back(pc0 * 2);
    while (!stack_.empty()) {
      const int32_t pc = stack_.back() >> 1;
      const int32_t owe = stack_.back() & 1;
      stack_.pop_back();
      if (mark_[pc * 2 + owe] == p) continue;
      mark_[pc * 2 + owe] = p;
      const Inst& inst = prog_.insts[pc];
      switch (inst.op) {
        case Op::kChar:
          if (mark_[pc * 2 + (1 - owe)] != p) list->push_back({pc, start});
          break;
        case Op::kSplit:
          stack_.push_back(inst.alt * 2 + owe);
          stack_.push_back(inst.next * 2 + owe);
          break;
        case Op::kAssert:
          if (s_.Holds(inst.assert, p, start == p))
            stack_.push_back(inst.next * 2 + (owe | (s_.Owes(inst.assert, p) ? 1 : 0)));
          break;
        case Op::kMatch:
          if (owe) break;
          if (bestStart_ < 0 || start < bestStart_ ||
              (start == bestStart_ && p > bestEnd_)) {
            bestStart_ = start;
            bestEnd_ = p;
          }
          break;
        default:
          stack_.push_back(inst.next * 2 + owe);
          break;
      }
    }
  }

  const Program& prog_;
  const Subject& s_;
  std::vector<int32_t> mark_;
  std::vector<int32_t> stack_;
  int32_t bestStart_ = -1, bestEnd_ = -1;
};

// What closing group `inst.arg` at `p` does to the registers, the
// library's way.
void CloseGroup(const Inst& inst, int32_t p, Regs* regs, Regs* prev) {
  linux::RegMatch& r = (*regs)[inst.arg];
  if (r.rm_so < p) {
    r.rm_eo = p;
    *prev = *regs;
  } else if (inst.optional && (*prev)[inst.arg].rm_so != -1) {
    *regs = *prev;
  } else {
    r.rm_eo = p;
  }
}

// Whether the threads that start at `so` and read up to `eo` reach the
// match instruction there through no assertion.
bool ReachesEndPlainly(const Program& prog, const Subject& s, int32_t so, int32_t eo) {
  const size_t n = prog.insts.size();
  std::vector<char> now(n), next(n);
  std::vector<int32_t> stack;
  // The epsilon closure of `from` into `set`; assertions are passed only
  // when `asserts`, else they stop the closure.
  auto Close = [&](std::vector<char>* set, int32_t from, int32_t p, bool asserts) {
    stack.assign(1, from);
    bool match = false;
    while (!stack.empty()) {
      const int32_t pc = stack.back();
      stack.pop_back();
      if ((*set)[pc]) continue;
      (*set)[pc] = 1;
      const Inst& inst = prog.insts[pc];
      switch (inst.op) {
        case Op::kChar:
        case Op::kBackref:
          break;
        case Op::kMatch:
          match = true;
          break;
        case Op::kSplit:
          stack.push_back(inst.alt);
          stack.push_back(inst.next);
          break;
        case Op::kAssert:
          if (asserts && s.Holds(inst.assert, p, p == so)) stack.push_back(inst.next);
          break;
        default:
          stack.push_back(inst.next);
          break;
      }
    }
    return match;
  };
  std::vector<int32_t> entries{prog.start};
  for (int32_t p = so; p < eo; ++p) {
    std::fill(now.begin(), now.end(), 0);
    for (const int32_t e : entries) Close(&now, e, p, true);
    entries.clear();
    for (size_t pc = 0; pc < n; ++pc) {
      const Inst& inst = prog.insts[pc];
      if (now[pc] && inst.op == Op::kChar && prog.sets[inst.arg].test(s.text[p]))
        entries.push_back(inst.next);
    }
  }
  std::fill(next.begin(), next.end(), 0);
  bool plain = false;
  for (const int32_t e : entries) plain = Close(&next, e, eo, false) || plain;
  return plain;
}

// The submatches of the match [so, eo) of a program without
// back-references.
void Submatches(const Program& prog, const Subject& s, int32_t so, int32_t eo,
                Regs* regs) {
  const size_t n = prog.insts.size();
  // The library ends its walk on the match instruction as its automaton
  // state holds it at the end: one reached through no assertion when there
  // is such, and then no path through an assertion may end there.
  const bool plainEnd = ReachesEndPlainly(prog, s, so, eo);
  std::vector<int32_t> work;
  // Row p: the instructions from which the end is reachable at p, made
  // from row p + 1 (`after`, unused at the end).
  auto Row = [&](int32_t p, const char* after, char* row) {
    std::fill(row, row + n, 0);
    work.clear();
    for (size_t pc = 0; pc < n; ++pc) {
      const Inst& inst = prog.insts[pc];
      bool ok = false;
      if (inst.op == Op::kMatch) ok = p == eo;
      if (inst.op == Op::kChar && p < eo)
        ok = prog.sets[inst.arg].test(s.text[p]) && after[inst.next];
      if (ok) {
        row[pc] = 1;
        work.push_back(static_cast<int32_t>(pc));
      }
    }
    while (!work.empty()) {
      const int32_t pc = work.back();
      work.pop_back();
      for (const int32_t pred : prog.preds[pc]) {
        if (row[pred]) continue;
        const Inst& inst = prog.insts[pred];
        if (inst.op == Op::kAssert &&
            (!s.Holds(inst.assert, p, p == so) || (p == eo && plainEnd) ||
             (p == eo && s.Owes(inst.assert, p))))
          continue;
        row[pred] = 1;
        work.push_back(pred);
      }
    }
  };
  // A long match keeps only every step-th row on the way back, and each
  // stretch is made again from the row after it as the walk comes to it:
  // twice the work, memory of the square root of the match's length.
  const size_t span = static_cast<size_t>(eo - so) + 1;
  size_t step = 64;
  while (step * step < span) step *= 2;
  const size_t marks = span / step + 1;
  std::vector<char> kept(marks * n), stretch(step * n), scratch(2 * n);
  {
    char* after = scratch.data();
    char* row = scratch.data() + n;
    for (int32_t p = eo; p >= so; --p) {
      Row(p, after, row);
      const size_t at = static_cast<size_t>(p - so);
      if (at % step == 0) std::copy(row, row + n, kept.data() + (at / step) * n);
      std::swap(after, row);
    }
  }
  int32_t stretchStart = -1;
  auto Live = [&](int32_t p, int32_t pc) -> bool {
    const size_t at = static_cast<size_t>(p - so);
    if (at % step == 0) return kept[(at / step) * n + static_cast<size_t>(pc)] != 0;
    const int32_t first = so + static_cast<int32_t>((at / step) * step);
    if (first != stretchStart) {
      // Rows first+1 .. first+step-1 from the kept row after the stretch,
      // or from the end.
      const int32_t last = std::min<int32_t>(first + static_cast<int32_t>(step) - 1, eo);
      const size_t nextAt = static_cast<size_t>(last + 1 - so);
      const char* after = last + 1 <= eo ? kept.data() + (nextAt / step) * n : nullptr;
      for (int32_t q = last; q > first; --q) {
        char* row = stretch.data() + static_cast<size_t>(q - first) * n;
        Row(q, after, row);
        after = row;
      }
      stretchStart = first;
    }
    return stretch[static_cast<size_t>(p - first) * n + static_cast<size_t>(pc)] != 0;
  };
  Regs prev = *regs;
  // The epsilon instructions passed since the last byte, by generation.
  std::vector<int64_t> seen(n, -1);
  int64_t gen = 0;
  int32_t pc = prog.start, p = so;
  size_t steps = 0;
  while (true) {
    const Inst& inst = prog.insts[pc];
    if (inst.op == Op::kMatch) break;
    if (inst.op == Op::kChar) {
      ++p;
      ++gen;
      steps = 0;
      pc = inst.next;
      continue;
    }
    if (++steps > 4 * n + 4) break;  // never expected: a loop of empty steps
    seen[pc] = gen;
    switch (inst.op) {
      case Op::kSplit: {
        const bool a = Live(p, inst.next), b = Live(p, inst.alt);
        if (a && b)
          pc = seen[inst.next] == gen ? inst.alt : inst.next;
        else
          pc = a ? inst.next : inst.alt;
        break;
      }
      case Op::kOpen:
        (*regs)[inst.arg] = {p, -1};
        pc = inst.next;
        break;
      case Op::kClose:
        CloseGroup(inst, p, regs, &prev);
        pc = inst.next;
        break;
      default:
        pc = inst.next;
        break;
    }
  }
}

// Patterns with back-references: a backtracking search from each start,
// every path tried, the first to reach the farthest end kept.
class Backtracker {
 public:
  Backtracker(const Program& prog, const Subject& s) : prog_(prog), s_(s) {}

  bool Find(int32_t from, int32_t last, Regs* out) {
    last = std::min(last, s_.stop);
    for (int32_t start = from; start <= last; ++start) {
      bestEnd_ = -1;
      Run(start);
      if (bestEnd_ >= 0) {
        *out = best_;
        (*out)[0] = {start, bestEnd_};
        return true;
      }
    }
    return false;
  }

 private:
  struct Choice {
    int32_t pc, p;
    Regs regs, prev;
    std::vector<int32_t> seen;
    bool owe = false;  // Subject::Owes
  };

  bool Fresh(const Choice& c) {
    key_.clear();
    auto Put = [&](int32_t v) { key_.append(reinterpret_cast<const char*>(&v), sizeof v); };
    Put(c.pc * 2 + (c.owe ? 1 : 0));
    Put(c.p);
    for (const linux::RegMatch& r : c.regs) {
      Put(r.rm_so);
      Put(r.rm_eo);
    }
    for (const linux::RegMatch& r : c.prev) {
      Put(r.rm_so);
      Put(r.rm_eo);
    }
    for (const int32_t pc : c.seen) Put(pc);
    // Forgetting only costs time again, never a different answer.
    if (visited_.size() > (1u << 20)) visited_.clear();
    return visited_.insert(key_).second;
  }

  bool Seen(const std::vector<int32_t>& seen, int32_t pc) const {
    return std::find(seen.begin(), seen.end(), pc) != seen.end();
  }

  void Run(int32_t start) {
    std::vector<Choice> stack;
    Regs blank(prog_.nsub + 1, linux::RegMatch{-1, -1});
    stack.push_back({prog_.start, start, blank, blank, {}});
    while (!stack.empty()) {
      Choice c = std::move(stack.back());
      stack.pop_back();
      while (true) {
        const Inst& inst = prog_.insts[c.pc];
        bool fail = false;
        switch (inst.op) {
          case Op::kMatch:
            if (!c.owe && c.p > bestEnd_) {
              bestEnd_ = c.p;
              best_ = c.regs;
            }
            fail = true;
            break;
          case Op::kChar:
            if (c.p < s_.stop && prog_.sets[inst.arg].test(s_.text[c.p])) {
              ++c.p;
              c.seen.clear();
              c.owe = false;
              c.pc = inst.next;
            } else {
              fail = true;
            }
            break;
          case Op::kBackref: {
            const linux::RegMatch r = c.regs[inst.arg];
            if (r.rm_so < 0 || r.rm_eo < 0) {
              fail = true;
              break;
            }
            const int32_t len = r.rm_eo - r.rm_so;
            if (len > s_.stop - c.p) {
              fail = true;
              break;
            }
            for (int32_t k = 0; k < len && !fail; ++k) {
              unsigned char x = s_.text[r.rm_so + k], y = s_.text[c.p + k];
              if (prog_.icase) {
                x = Lower(x);
                y = Lower(y);
              }
              fail = x != y;
            }
            if (fail) break;
            if (len > 0) {
              c.seen.clear();
              c.owe = false;
            } else if (Seen(c.seen, c.pc)) {
              fail = true;
              break;
            } else {
              c.seen.push_back(c.pc);
            }
            c.p += len;
            c.pc = inst.next;
            break;
          }
          default: {
            c.seen.push_back(c.pc);
            if (inst.op == Op::kSplit) {
              // A state met before has been explored whole, and found no
              // end a second visit would not find.
              if (!Fresh(c)) {
                fail = true;
                break;
              }
              const bool a = !Seen(c.seen, inst.next), b = !Seen(c.seen, inst.alt);
              if (a && b) {
                stack.push_back({inst.alt, c.p, c.regs, c.prev, c.seen, c.owe});
                c.pc = inst.next;
              } else if (a || b) {
                c.pc = a ? inst.next : inst.alt;
              } else {
                fail = true;
              }
              break;
            }
            if (inst.op == Op::kAssert) {
              if (!s_.Holds(inst.assert, c.p, c.p == start)) {
                fail = true;
                break;
              }
              if (s_.Owes(inst.assert, c.p)) c.owe = true;
            }
            if (inst.op == Op::kOpen) c.regs[inst.arg] = {c.p, -1};
            if (inst.op == Op::kClose) CloseGroup(inst, c.p, &c.regs, &c.prev);
            c.pc = inst.next;
            break;
          }
        }
        if (fail) break;
      }
    }
  }

  const Program& prog_;
  const Subject& s_;
  int32_t bestEnd_ = -1;
  Regs best_;
  std::unordered_set<std::string> visited_;
  std::string key_;
};

// The match starting between `from` and `last` into regs, sized for every
// group; the groups only when `groups`. `any`: only whether there is one
// matters, not where.
bool Search(const Program& prog, const Subject& s, int32_t from, int32_t last, bool groups,
            bool any, Regs* regs) {
  regs->assign(prog.nsub + 1, linux::RegMatch{-1, -1});
  if (prog.backrefs) return Backtracker(prog, s).Find(from, last, regs);
  int32_t so = 0, eo = 0;
  if (!Scanner(prog, s).Find(from, last, any, &so, &eo)) return false;
  if (groups && prog.nsub > 0) Submatches(prog, s, so, eo, regs);
  (*regs)[0] = {so, eo};
  return true;
}

constexpr std::string_view kMessages[] = {
    "Success",
    "No match",
    "Invalid regular expression",
    "Invalid collation character",
    "Invalid character class name",
    "Trailing backslash",
    "Invalid back reference",
    "Unmatched [, [^, [:, [., or [=",
    "Unmatched ( or \\(",
    "Unmatched \\{",
    "Invalid content of \\{\\}",
    "Invalid range end",
    "Memory exhausted",
    "Invalid preceding regular expression",
    "Premature end of regular expression",
    "Regular expression too big",
    "Unmatched ) or \\)",
};

constexpr uint32_t kGlibcPatternSize = 140;

Program* ProgramOf(const linux::RegexT* preg) {
  return reinterpret_cast<Program*>(static_cast<uintptr_t>(preg->buffer));
}

// ---- The GNU interface ----------------------------------------------------

// re_syntax_options: the guest's copy once the loader binds it, read at
// every compile since the guest may write it directly.
uint32_t gSyntaxHome = 0;
uint32_t* gSyntax = &gSyntaxHome;

void BindSyntax(uint32_t address, uint32_t size) {
  if (size < 4) return;
  gSyntax = reinterpret_cast<uint32_t*>(uintptr_t{address});
  *gSyntax = 0;
}

const unsigned char* TranslateOf(const linux::RegexT* buf) {
  return reinterpret_cast<const unsigned char*>(uintptr_t{buf->translate});
}

std::string Translated(const char* text, size_t length, const unsigned char* table) {
  std::string out(text, length);
  if (table != nullptr)
    for (char& c : out) c = static_cast<char>(table[static_cast<unsigned char>(c)]);
  return out;
}

uint32_t RegsMode(const linux::RegexT* buf) {
  return (buf->bits & linux::kRegAllocMask) >> linux::kRegAllocShift;
}
void SetRegsMode(linux::RegexT* buf, uint32_t mode) {
  buf->bits = (buf->bits & ~linux::kRegAllocMask) | (mode << linux::kRegAllocShift);
}

// Hands the match's registers to the guest as glibc does: one more than
// the groups, the extra one -1, the arrays from the guest's heap unless
// the program fixed them. False when the heap cannot give them.
bool CopyRegisters(linux::RegexT* buf, linux::ReRegisters* out, const Regs& regs,
                   size_t count) {
  const uint32_t need = static_cast<uint32_t>(count + 1);
  uint32_t mode = RegsMode(buf);
  if (mode == linux::kREGS_UNALLOCATED || mode == linux::kREGS_REALLOCATE) {
    if (mode == linux::kREGS_UNALLOCATED || out->num_regs < need) {
      void* oldStart = mode == linux::kREGS_UNALLOCATED
                           ? nullptr
                           : reinterpret_cast<void*>(uintptr_t{out->start});
      void* oldEnd = mode == linux::kREGS_UNALLOCATED
                         ? nullptr
                         : reinterpret_cast<void*>(uintptr_t{out->end});
      void* start = tblibc::GuestRealloc(oldStart, need * sizeof(int32_t));
      if (start == nullptr) return false;
      out->start = tblibc::Address(start);
      void* end = tblibc::GuestRealloc(oldEnd, need * sizeof(int32_t));
      if (end == nullptr) return false;
      out->end = tblibc::Address(end);
      out->num_regs = need;
    }
    SetRegsMode(buf, linux::kREGS_REALLOCATE);
  }
  auto* starts = reinterpret_cast<int32_t*>(uintptr_t{out->start});
  auto* ends = reinterpret_cast<int32_t*>(uintptr_t{out->end});
  for (uint32_t k = 0; k < out->num_regs; ++k) {
    linux::RegMatch r{-1, -1};
    if (k < count && k < regs.size() && regs[k].rm_eo != -1) r = regs[k];
    starts[k] = r.rm_so;
    ends[k] = r.rm_eo;
  }
  return true;
}

// re_search and its kin over one text: starts from `start` towards
// start + range, a match read no further than `stop`. The match's start,
// or with `length` its length; -1 none, -2 trouble.
int32_t SearchText(linux::RegexT* buf, const char* raw, int32_t size, int32_t start,
                   int32_t range, int32_t stop, linux::ReRegisters* regs, bool length) {
  const Program* prog = ProgramOf(buf);
  if (prog == nullptr) return -2;
  if (start < 0 || start > size) return -1;
  int32_t last = start + range;
  if (size < last || (range >= 0 && last < start))
    last = size;
  else if (last < 0 || (range < 0 && start <= last))
    last = 0;
  if (stop < 0 || stop > size) stop = size;
  const std::string text = Translated(raw, static_cast<size_t>(size), TranslateOf(buf));
  Subject s{reinterpret_cast<const unsigned char*>(text.data()), size,
            (buf->bits & linux::kRegBitNotBol) != 0, (buf->bits & linux::kRegBitNotEol) != 0,
            (buf->bits & linux::kRegBitNewlineAnchor) != 0};
  s.stop = stop;
  // A buffer without subexpressions fills no registers; a fixed set too
  // small for every group takes what fits.
  if ((buf->bits & linux::kRegBitNoSub) != 0) regs = nullptr;
  const bool groups = regs != nullptr;
  Regs found;
  int32_t at = -1;
  if (last >= start) {
    if (Search(*prog, s, start, last, groups, false, &found)) at = found[0].rm_so;
  } else {
    for (int32_t p = start; p >= last && at < 0; --p)
      if (Search(*prog, s, p, p, groups, false, &found)) at = p;
  }
  if (at < 0) return -1;
  if (regs != nullptr && !CopyRegisters(buf, regs, found, prog->nsub + 1)) return -2;
  return length ? found[0].rm_eo - at : at;
}

// The BSD pair's one pattern.
linux::RegexT gReComp{};

// The two strings seen as one.
int32_t SearchTwo(linux::RegexT* buf, const char* s1, int32_t size1, const char* s2,
                  int32_t size2, int32_t start, int32_t range, linux::ReRegisters* regs,
                  int32_t stop, bool length) {
  if (size1 < 0 || size2 < 0 || stop < 0 || size1 > INT32_MAX - size2) return -2;
  std::string joined;
  if (size1 > 0) joined.append(s1, static_cast<size_t>(size1));
  if (size2 > 0) joined.append(s2, static_cast<size_t>(size2));
  return SearchText(buf, joined.data(), size1 + size2, start, range, stop, regs, length);
}

}  // namespace
}  // namespace tblibc::regex

using namespace tblibc::regex;

extern "C" {

int32_t tblibc_regcomp(linux::RegexT* preg, const char* pattern, int32_t cflags) {
  auto* prog = new Program;
  // The library's syntax bits for POSIX extended and basic, then case
  // folding and newline-sensitive dots and lists.
  uint32_t syntax = (cflags & linux::kREG_EXTENDED) != 0 ? linux::kRE_SYNTAX_POSIX_EXTENDED
                                                         : linux::kRE_SYNTAX_POSIX_BASIC;
  if ((cflags & linux::kREG_ICASE) != 0) syntax |= linux::kRE_ICASE;
  const bool newline = (cflags & linux::kREG_NEWLINE) != 0;
  prog->nosub = (cflags & linux::kREG_NOSUB) != 0;
  if (newline)
    syntax = (syntax & ~linux::kRE_DOT_NEWLINE) | linux::kRE_HAT_LISTS_NOT_NEWLINE;
  int32_t err = Compile(pattern, syntax, prog);
  // POSIX names an unmatched close as it names an unmatched open.
  if (err == linux::kREG_ERPAREN) err = linux::kREG_EPAREN;
  // What glibc leaves in the fields, failed or not: a failed pattern has
  // no buffer, so regfree after it is harmless; `used` is the size of
  // glibc's own compiled pattern.
  preg->syntax = syntax;
  preg->used = kGlibcPatternSize;
  preg->fastmap = 0;
  preg->translate = 0;
  preg->re_nsub = prog->nsub;
  uint32_t bits = preg->bits & ~0xffu;
  if (err != 0) {
    delete prog;
    preg->buffer = 0;
    preg->allocated = 0;
    preg->bits = bits;
    return err;
  }
  preg->buffer = tblibc::Address(prog);
  preg->allocated = kGlibcPatternSize;
  if (prog->nosub) bits |= linux::kRegBitNoSub;
  if (newline) bits |= linux::kRegBitNewlineAnchor;
  preg->bits = bits;
  return 0;
}

int32_t tblibc_regexec(const linux::RegexT* preg, const char* string,
                       uint32_t nmatch, linux::RegMatch* pmatch, int32_t eflags) {
  const Program* prog = ProgramOf(preg);
  if (prog == nullptr) return linux::kREG_BADPAT;
  int32_t from = 0, length = 0;
  if ((eflags & linux::kREG_STARTEND) != 0) {
    from = pmatch[0].rm_so;
    length = pmatch[0].rm_eo;
  } else {
    length = static_cast<int32_t>(std::strlen(string));
  }
  if (from < 0 || from > length) return linux::kREG_NOMATCH;
  // The buffer's flags, as the program may have left them.
  if ((preg->bits & linux::kRegBitNoSub) != 0) nmatch = 0;
  std::string translated;
  if (preg->translate != 0)
    translated = Translated(string, static_cast<size_t>(length), TranslateOf(preg));
  const Subject s{reinterpret_cast<const unsigned char*>(
                      preg->translate != 0 ? translated.data() : string),
                  length,
                  (eflags & linux::kREG_NOTBOL) != 0,
                  (eflags & linux::kREG_NOTEOL) != 0,
                  (preg->bits & linux::kRegBitNewlineAnchor) != 0};
  Regs regs;
  if (!Search(*prog, s, from, INT32_MAX, nmatch > 1, nmatch == 0, &regs))
    return linux::kREG_NOMATCH;
  for (uint32_t k = 0; k < nmatch; ++k) {
    linux::RegMatch r{-1, -1};
    if (k < regs.size() && regs[k].rm_eo != -1) r = regs[k];
    pmatch[k] = r;
  }
  return 0;
}

uint32_t tblibc_regerror(int32_t code, const linux::RegexT*, char* buffer,
                         uint32_t size) {
  const std::string_view text =
      code >= 0 && static_cast<size_t>(code) < std::size(kMessages)
          ? kMessages[code]
          : kMessages[linux::kREG_BADPAT];
  if (size > 0 && buffer != nullptr) {
    const size_t n = std::min<size_t>(text.size(), size - 1);
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
  }
  return static_cast<uint32_t>(text.size() + 1);
}

const char* tblibc_re_compile_pattern(const char* pattern, uint32_t length,
                                      linux::RegexT* buf) {
  const uint32_t syntax = *gSyntax;
  auto* prog = new Program;
  prog->nosub = (syntax & linux::kRE_NO_SUB) != 0;
  const std::string text = Translated(pattern, length, TranslateOf(buf));
  const int32_t err = Compile(text, syntax, prog);
  // Lines end at newlines for the GNU interface; the program may say
  // otherwise in the buffer before it searches.
  uint32_t bits = (buf->bits & ~0xffu) | linux::kRegBitNewlineAnchor;
  if (prog->nosub) bits |= linux::kRegBitNoSub;
  buf->bits = bits;
  buf->syntax = syntax;
  buf->used = kGlibcPatternSize;
  buf->re_nsub = prog->nsub;
  if (err != 0) {
    delete prog;
    buf->buffer = 0;
    buf->allocated = 0;
    return kMessages[err].data();
  }
  buf->buffer = tblibc::Address(prog);
  buf->allocated = kGlibcPatternSize;
  return nullptr;
}

uint32_t tblibc_re_set_syntax(uint32_t syntax) {
  const uint32_t old = *gSyntax;
  *gSyntax = syntax;
  return old;
}

// The engine needs no fastmap; the map is left as the program gave it.
int32_t tblibc_re_compile_fastmap(linux::RegexT* buf) {
  buf->bits |= linux::kRegBitFastmapAccurate;
  return 0;
}

int32_t tblibc_re_search(linux::RegexT* buf, const char* string, int32_t size,
                         int32_t start, int32_t range, linux::ReRegisters* regs) {
  return SearchText(buf, string, size, start, range, size, regs, false);
}

int32_t tblibc_re_search_2(linux::RegexT* buf, const char* s1, int32_t size1,
                           const char* s2, int32_t size2, int32_t start, int32_t range,
                           linux::ReRegisters* regs, int32_t stop) {
  return SearchTwo(buf, s1, size1, s2, size2, start, range, regs, stop, false);
}

int32_t tblibc_re_match(linux::RegexT* buf, const char* string, int32_t size,
                        int32_t start, linux::ReRegisters* regs) {
  return SearchText(buf, string, size, start, 0, size, regs, true);
}

int32_t tblibc_re_match_2(linux::RegexT* buf, const char* s1, int32_t size1,
                          const char* s2, int32_t size2, int32_t start,
                          linux::ReRegisters* regs, int32_t stop) {
  return SearchTwo(buf, s1, size1, s2, size2, start, 0, regs, stop, true);
}

void tblibc_re_set_registers(linux::RegexT* buf, linux::ReRegisters* regs,
                             uint32_t count, uint32_t starts, uint32_t ends) {
  if (count != 0) {
    SetRegsMode(buf, linux::kREGS_REALLOCATE);
    regs->num_regs = count;
    regs->start = starts;
    regs->end = ends;
  } else {
    SetRegsMode(buf, linux::kREGS_UNALLOCATED);
    regs->num_regs = 0;
    regs->start = 0;
    regs->end = 0;
  }
}

const char* tblibc_re_comp(const char* pattern) {
  if (pattern == nullptr)
    return gReComp.buffer == 0 ? "No previous regular expression" : nullptr;
  delete ProgramOf(&gReComp);
  gReComp.buffer = 0;
  return tblibc_re_compile_pattern(pattern, static_cast<uint32_t>(std::strlen(pattern)),
                                   &gReComp);
}

int32_t tblibc_re_exec(const char* string) {
  const auto size = static_cast<int32_t>(std::strlen(string));
  return SearchText(&gReComp, string, size, 0, size, size, nullptr, false) >= 0 ? 1 : 0;
}

void tblibc_regfree(linux::RegexT* preg) {
  delete ProgramOf(preg);
  preg->buffer = 0;
  preg->allocated = 0;
  preg->fastmap = 0;
  preg->translate = 0;
}

}  // extern "C"

namespace tblibc {

extern const Family kRegexFamily;

constexpr Export kExports[] = {
    Fn<&tblibc_regcomp>("regcomp"),
    Fn<&tblibc_regexec>("regexec"),
    Fn<&tblibc_regerror>("regerror"),
    Fn<&tblibc_regfree>("regfree"),
    Fn<&tblibc_re_compile_pattern>("re_compile_pattern"),
    Fn<&tblibc_re_set_syntax>("re_set_syntax"),
    Fn<&tblibc_re_compile_fastmap>("re_compile_fastmap"),
    Fn<&tblibc_re_search>("re_search"),
    Fn<&tblibc_re_search_2>("re_search_2"),
    Fn<&tblibc_re_match>("re_match"),
    Fn<&tblibc_re_match_2>("re_match_2"),
    Fn<&tblibc_re_set_registers>("re_set_registers"),
    Fn<&tblibc_re_comp>("re_comp"),
    Fn<&tblibc_re_exec>("re_exec"),
};

constexpr DataExport kObjects[] = {
    {"re_syntax_options", &tblibc::regex::BindSyntax, 0},
};

const Family kRegexFamily{"regex", kExports, kObjects};

}  // namespace tblibc
