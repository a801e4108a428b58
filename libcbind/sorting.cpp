// Sorting and searching with guest comparators. A comparator is guest code:
// it is called the i386 System V way on a 16-byte aligned stack
// (CallGuest), never straight from host code with the host's alignment.
//
// The algorithms are the Linux C library's, because a guest sees them: a
// comparator that prints its arguments, equal elements' final order, and
// the shape of a search tree (twalk's depths) all follow from them.
// - qsort: a top-down merge sort (halves of n/2 and n - n/2, ties taken
//   from the left) into a temporary buffer; elements over 32 bytes are
//   sorted through an array of pointers and then moved once into place.
// - tsearch: a red-black tree built top-down, splitting nodes with two red
//   children on the way down; tdelete overwrites a node with its successor
//   and rebalances bottom-up, and answers the deleted node's parent.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "libcbind/families.h"
#include "libcbind/guest.h"
#include "libcbind/sorting.h"
#include "runtime/heap.h"
#include "runtime/rtl.h"

extern "C" int32_t tumbex_Compare2(uint32_t entry, uint32_t a, uint32_t b);
extern "C" int32_t tumbex_Compare3(uint32_t entry, uint32_t a, uint32_t b,
                                   uint32_t c);

namespace tblibc {
namespace {

// ---- qsort --------------------------------------------------------------------

struct Sort {
  uint32_t compare;
  uint32_t argument;
  bool withArgument;  // qsort_r: compare(a, b, argument)
  bool indirect;      // the elements are pointers to the real elements
  size_t size;
  char* temp;

  int Compare(const void* a, const void* b) const {
    if (indirect) {
      a = *static_cast<const void* const*>(a);
      b = *static_cast<const void* const*>(b);
    }
    return withArgument
               ? tumbex_Compare3(compare, Address(a), Address(b), argument)
               : tumbex_Compare2(compare, Address(a), Address(b));
  }
};

inline void CopyElement(char* to, const char* from, size_t size) {
  switch (size) {
    case 4:
      std::memcpy(to, from, 4);
      break;
    case 8:
      std::memcpy(to, from, 8);
      break;
    default:
      std::memcpy(to, from, size);
  }
}

void MergeSort(const Sort& s, char* base, size_t n) {
  if (n <= 1) return;
  size_t n1 = n / 2;
  size_t n2 = n - n1;
  char* b1 = base;
  char* b2 = base + n1 * s.size;
  MergeSort(s, b1, n1);
  MergeSort(s, b2, n2);
  char* out = s.temp;
  while (n1 > 0 && n2 > 0) {
    if (s.Compare(b1, b2) <= 0) {
      CopyElement(out, b1, s.size);
      b1 += s.size;
      --n1;
    } else {
      CopyElement(out, b2, s.size);
      b2 += s.size;
      --n2;
    }
    out += s.size;
  }
  if (n1 > 0) std::memcpy(out, b1, n1 * s.size);
  // What is left of the right half is in place already.
  std::memcpy(base, s.temp, (n - n2) * s.size);
}

// Without memory for the buffer: a stable insertion of each element into
// the sorted prefix (binary search for the place past its equals), so that
// equal elements still end as the merge sort leaves them.
void InsertionSort(const Sort& s, char* base, size_t n) {
  std::vector<char> held;
  char small[64];
  char* hold = small;
  if (s.size > sizeof small) {
    held.resize(s.size);
    hold = held.data();
  }
  for (size_t i = 1; i < n; ++i) {
    char* item = base + i * s.size;
    size_t lo = 0, hi = i;
    while (lo < hi) {
      const size_t mid = lo + (hi - lo) / 2;
      if (s.Compare(item, base + mid * s.size) < 0) {
        hi = mid;
      } else {
        lo = mid + 1;
      }
    }
    if (lo == i) continue;
    std::memcpy(hold, item, s.size);
    std::memmove(base + (lo + 1) * s.size, base + lo * s.size,
                 (i - lo) * s.size);
    std::memcpy(base + lo * s.size, hold, s.size);
  }
}

void SortArray(void* array, uint32_t count, uint32_t size, uint32_t compare,
               uint32_t argument, bool withArgument) {
  if (count <= 1 || size == 0 || array == nullptr) return;
  char* base = static_cast<char*>(array);
  Sort s{compare, argument, withArgument, false, size, nullptr};
  const bool indirect = size > 32;
  const uint64_t need = indirect ? 2ull * count * sizeof(void*)
                                 : uint64_t{count} * size;
  char stackBuffer[1024];
  char* heap = nullptr;
  if (need <= sizeof stackBuffer) {
    s.temp = stackBuffer;
  } else {
    // Host memory: the guest never sees it. A comparator that leaves by
    // longjmp leaves it behind, as the Linux C library's does.
    heap = need < 0x80000000ull ? static_cast<char*>(std::malloc(need)) : nullptr;
    if (heap == nullptr) {
      InsertionSort(s, base, count);
      return;
    }
    s.temp = heap;
  }
  if (!indirect) {
    MergeSort(s, base, count);
  } else {
    // Pointers to the elements in the upper half of the buffer, sorted with
    // the lower half as the merge space.
    char** pointers = reinterpret_cast<char**>(s.temp) + count;
    for (uint32_t i = 0; i < count; ++i) pointers[i] = base + size_t{i} * size;
    Sort p = s;
    p.indirect = true;
    p.size = sizeof(void*);
    MergeSort(p, reinterpret_cast<char*>(pointers), count);
    // Move each cycle of the permutation once, through one held element.
    std::vector<char> hold(size);
    for (uint32_t i = 0; i < count; ++i) {
      char* want = pointers[i];
      char* slot = base + size_t{i} * size;
      if (want == slot) continue;
      std::memcpy(hold.data(), slot, size);
      uint32_t j = i;
      while (true) {
        char* from = pointers[j];
        char* to = base + size_t{j} * size;
        pointers[j] = to;
        const uint32_t k = static_cast<uint32_t>((from - base) / size);
        if (k == i) {
          std::memcpy(to, hold.data(), size);
          break;
        }
        std::memcpy(to, from, size);
        j = k;
      }
    }
  }
  std::free(heap);
}

// ---- Search trees ---------------------------------------------------------------
//
// A node as the guest sees it: the key pointer first (what tsearch's answer
// points at), then the children. The left link's low bit is the node's
// colour (1: red); nodes come from the loader's heap, so it is free.
struct Node {
  const void* key;
  uintptr_t leftAndRed;
  Node* right;

  Node* Left() const { return reinterpret_cast<Node*>(leftAndRed & ~uintptr_t{1}); }
  void SetLeft(Node* n) {
    leftAndRed = reinterpret_cast<uintptr_t>(n) | (leftAndRed & 1);
  }
  bool Red() const { return leftAndRed & 1; }
  void SetRed() { leftAndRed |= 1; }
  void SetBlack() { leftAndRed &= ~uintptr_t{1}; }
};
static_assert(sizeof(void*) != 4 || sizeof(Node) == 12);

bool IsRed(const Node* n) { return n != nullptr && n->Red(); }

// A link the tree code writes through: the root pointer or a child field.
// Left links keep their node's colour bit.
struct Link {
  Node** right = nullptr;      // a right field or the root pointer
  uintptr_t* left = nullptr;   // a left field

  static Link Root(Node** p) { return {p, nullptr}; }
  static Link LeftOf(Node* n) { return {nullptr, &n->leftAndRed}; }
  static Link RightOf(Node* n) { return {&n->right, nullptr}; }
  bool Null() const { return right == nullptr && left == nullptr; }
  Node* Get() const {
    if (left != nullptr) return reinterpret_cast<Node*>(*left & ~uintptr_t{1});
    return *right;
  }
  void Set(Node* n) const {
    if (left != nullptr) {
      *left = reinterpret_cast<uintptr_t>(n) | (*left & 1);
    } else {
      *right = n;
    }
  }
  bool operator==(const Link& o) const {
    return right == o.right && left == o.left;
  }
};

int CompareKey(uint32_t compare, const void* a, const void* b) {
  return tumbex_Compare2(compare, Address(a), Address(b));
}

// The node at `at` has just been reached going down (mode false) or just
// been added (mode true, red by then). Two red children make it red and
// them black; a red node under a red parent is rotated away. `fromParent`
// and `fromGrand` are the comparison signs that led from the grandparent to
// the parent and from the parent to this node.
void SplitOnTheWay(Link at, Link parent, Link grand, int toNode, int toParent,
                   bool added) {
  Node* node = at.Get();
  Node* right = node->right;
  Node* left = node->Left();
  if (!added && !(IsRed(right) && IsRed(left))) return;
  node->SetRed();
  if (right != nullptr) right->SetBlack();
  if (left != nullptr) left->SetBlack();
  if (parent.Null() || !parent.Get()->Red()) return;
  Node* g = grand.Get();
  Node* p = parent.Get();
  if ((toNode > 0) != (toParent > 0)) {
    // A zig-zag: the node rises above both, which become its children.
    p->SetRed();
    g->SetRed();
    node->SetBlack();
    if (toNode < 0) {
      p->SetLeft(right);
      node->right = p;
      g->right = left;
      node->SetLeft(g);
    } else {
      p->right = left;
      node->SetLeft(p);
      g->SetLeft(right);
      node->right = g;
    }
    grand.Set(node);
  } else {
    // Both links the same way: the parent rises above the grandparent.
    grand.Set(p);
    p->SetBlack();
    g->SetRed();
    if (toNode < 0) {
      g->SetLeft(p->right);
      p->right = g;
    } else {
      g->right = p->Left();
      p->SetLeft(g);
    }
  }
}

Node* Search(const void* key, Node** root, uint32_t compare) {
  if (root == nullptr) return nullptr;
  Link at = Link::Root(root);
  Link parent, grand;
  if (*root != nullptr) (*root)->SetBlack();
  Link next = at;
  int r = 0, toNode = 0, toParent = 0;
  while (next.Get() != nullptr) {
    Node* node = at.Get();
    r = CompareKey(compare, key, node->key);
    if (r == 0) return node;
    SplitOnTheWay(at, parent, grand, toNode, toParent, false);
    // After a rotation `parent` and `grand` are stale, but then they are
    // not read again before they are replaced.
    next = r < 0 ? Link::LeftOf(node) : Link::RightOf(node);
    if (next.Get() == nullptr) break;
    grand = parent;
    parent = at;
    at = next;
    toParent = toNode;
    toNode = r;
  }
  auto* added = static_cast<Node*>(GuestAlloc(sizeof(Node)));
  if (added == nullptr) return nullptr;
  added->key = key;
  added->leftAndRed = 1;  // red, no children
  added->right = nullptr;
  next.Set(added);
  if (!(next == at)) SplitOnTheWay(next, at, parent, r, toNode, true);
  return added;
}

Node* Find(const void* key, Node* const* root, uint32_t compare) {
  if (root == nullptr) return nullptr;
  Node* node = *root;
  while (node != nullptr) {
    const int r = CompareKey(compare, key, node->key);
    if (r == 0) return node;
    node = r < 0 ? node->Left() : node->right;
  }
  return nullptr;
}

Node* Delete(const void* key, Node** root, uint32_t compare) {
  if (root == nullptr || *root == nullptr) return nullptr;
  std::vector<Link> stack;  // the links down to the node's parents
  Link at = Link::Root(root);
  Node* parent = *root;
  Node* node = *root;
  int r;
  while ((r = CompareKey(compare, key, node->key)) != 0) {
    stack.push_back(at);
    parent = at.Get();
    at = r < 0 ? Link::LeftOf(parent) : Link::RightOf(parent);
    node = at.Get();
    if (node == nullptr) return nullptr;
  }
  // The Linux C library answers the parent of the deleted node (the root
  // itself when the root goes).
  Node* const answer = parent;

  // A node with two children takes its successor's key; the successor,
  // with at most one child, is the node unlinked.
  Node* unchained = node;
  if (node->Left() != nullptr && node->right != nullptr) {
    Link up = Link::RightOf(node);
    Link from = at;
    while (true) {
      stack.push_back(from);
      from = up;
      Node* n = up.Get();
      if (n->Left() == nullptr) break;
      up = Link::LeftOf(n);
    }
    unchained = up.Get();
  }
  Node* child = unchained->Left();
  if (child == nullptr) child = unchained->right;
  if (stack.empty()) {
    at.Set(child);
  } else {
    Node* q = stack.back().Get();
    if (unchained == q->right) {
      q->right = child;
    } else {
      q->SetLeft(child);
    }
  }
  if (unchained != node) node->key = unchained->key;

  if (!unchained->Red()) {
    // A black link is gone from every path through `child`: repaint or
    // rotate on the way up until the counts agree again.
    while (!stack.empty() && !IsRed(child)) {
      Link pp = stack.back();
      Node* p = pp.Get();
      if (child == p->Left()) {
        Node* q = p->right;
        if (q->Red()) {
          q->SetBlack();
          p->SetRed();
          p->right = q->Left();
          q->SetLeft(p);
          pp.Set(q);
          pp = Link::LeftOf(q);
          stack.push_back(pp);
          q = p->right;
        }
        if (!IsRed(q->Left()) && !IsRed(q->right)) {
          q->SetRed();
          child = p;
        } else {
          if (!IsRed(q->right)) {
            Node* q2 = q->Left();
            if (p->Red()) q2->SetRed(); else q2->SetBlack();
            p->right = q2->Left();
            q->SetLeft(q2->right);
            q2->right = q;
            q2->SetLeft(p);
            pp.Set(q2);
            p->SetBlack();
          } else {
            if (p->Red()) q->SetRed(); else q->SetBlack();
            p->SetBlack();
            q->right->SetBlack();
            p->right = q->Left();
            q->SetLeft(p);
            pp.Set(q);
          }
          stack.resize(1);
          child = nullptr;
        }
      } else {
        Node* q = p->Left();
        if (q->Red()) {
          q->SetBlack();
          p->SetRed();
          p->SetLeft(q->right);
          q->right = p;
          pp.Set(q);
          pp = Link::RightOf(q);
          stack.push_back(pp);
          q = p->Left();
        }
        if (!IsRed(q->right) && !IsRed(q->Left())) {
          q->SetRed();
          child = p;
        } else {
          if (!IsRed(q->Left())) {
            Node* q2 = q->right;
            if (p->Red()) q2->SetRed(); else q2->SetBlack();
            p->SetLeft(q2->right);
            q->right = q2->Left();
            q2->SetLeft(q);
            q2->right = p;
            pp.Set(q2);
            p->SetBlack();
          } else {
            if (p->Red()) q->SetRed(); else q->SetBlack();
            p->SetBlack();
            q->Left()->SetBlack();
            p->SetLeft(q->right);
            q->right = p;
            pp.Set(q);
          }
          stack.resize(1);
          child = nullptr;
        }
      }
      stack.pop_back();
    }
    if (child != nullptr) child->SetBlack();
  }
  rtl::HeapFree(unchained);
  return answer;
}

// twalk's VISIT values.
constexpr uint32_t kPreorder = 0, kPostorder = 1, kEndorder = 2, kLeaf = 3;

void Walk(const Node* node, uint32_t action, uint32_t level, bool withClosure,
          uint32_t closure) {
  auto visit = [&](uint32_t which) {
    CallGuest(action,
              {Address(node), which, withClosure ? closure : level});
  };
  if (node->Left() == nullptr && node->right == nullptr) {
    visit(kLeaf);
    return;
  }
  visit(kPreorder);
  if (node->Left() != nullptr)
    Walk(node->Left(), action, level + 1, withClosure, closure);
  visit(kPostorder);
  if (node->right != nullptr)
    Walk(node->right, action, level + 1, withClosure, closure);
  visit(kEndorder);
}

void Destroy(Node* node, uint32_t release) {
  if (node->Left() != nullptr) Destroy(node->Left(), release);
  if (node->right != nullptr) Destroy(node->right, release);
  CallGuest(release, {Address(node->key)});
  rtl::HeapFree(node);
}

}  // namespace
}  // namespace tblibc

// ---- Entries ----------------------------------------------------------------

extern "C" {

using tblibc::Address;
using tblibc::CallGuest;

void tblibc_qsort(void* base, uint32_t count, uint32_t size, uint32_t compare) {
  tblibc::SortArray(base, count, size, compare, 0, false);
}

void tblibc_qsort_r(void* base, uint32_t count, uint32_t size,
                    uint32_t compare, uint32_t argument) {
  tblibc::SortArray(base, count, size, compare, argument, true);
}

void* tblibc_bsearch(const void* key, const void* base, uint32_t count,
                     uint32_t size, uint32_t compare) {
  uint32_t lo = 0, hi = count;
  while (lo < hi) {
    const uint32_t mid = (lo + hi) / 2;
    const char* p = static_cast<const char*>(base) + size_t{mid} * size;
    const int32_t r = tumbex_Compare2(compare, Address(key), Address(p));
    if (r < 0) {
      hi = mid;
    } else if (r > 0) {
      lo = mid + 1;
    } else {
      return const_cast<char*>(p);
    }
  }
  return nullptr;
}

void* tblibc_lfind(const void* key, const void* base, const uint32_t* count,
                   uint32_t size, uint32_t compare) {
  const char* p = static_cast<const char*>(base);
  for (uint32_t i = 0; i < *count; ++i, p += size) {
    if (tumbex_Compare2(compare, Address(key), Address(p)) == 0) {
      return const_cast<char*>(p);
    }
  }
  return nullptr;
}

void* tblibc_lsearch(const void* key, void* base, uint32_t* count,
                     uint32_t size, uint32_t compare) {
  void* found = tblibc_lfind(key, base, count, size, compare);
  if (found != nullptr) return found;
  char* end = static_cast<char*>(base) + size_t{*count} * size;
  std::memcpy(end, key, size);
  ++*count;
  return end;
}

void* tblibc_tsearch(const void* key, tblibc::Node** root, uint32_t compare) {
  return tblibc::Search(key, root, compare);
}

void* tblibc_tfind(const void* key, tblibc::Node* const* root,
                   uint32_t compare) {
  return tblibc::Find(key, root, compare);
}

void* tblibc_tdelete(const void* key, tblibc::Node** root, uint32_t compare) {
  return tblibc::Delete(key, root, compare);
}

void tblibc_twalk(const tblibc::Node* root, uint32_t action) {
  if (root != nullptr && action != 0) tblibc::Walk(root, action, 0, false, 0);
}

void tblibc_twalk_r(const tblibc::Node* root, uint32_t action,
                    uint32_t closure) {
  if (root != nullptr && action != 0)
    tblibc::Walk(root, action, 0, true, closure);
}

void tblibc_tdestroy(tblibc::Node* root, uint32_t release) {
  if (root != nullptr) tblibc::Destroy(root, release);
}

}  // extern "C"

namespace tblibc {
namespace {

constexpr Export kExports[] = {
    Fn<&tblibc_qsort>("qsort"),
    Fn<&tblibc_qsort_r>("qsort_r"),
    Fn<&tblibc_lfind>("lfind"),
    Fn<&tblibc_lsearch>("lsearch"),
    Fn<&tblibc_tsearch>("tsearch"),
    Fn<&tblibc_tsearch>("__tsearch"),
    Fn<&tblibc_tfind>("tfind"),
    Fn<&tblibc_tfind>("__tfind"),
    Fn<&tblibc_tdelete>("tdelete"),
    Fn<&tblibc_tdelete>("__tdelete"),
    Fn<&tblibc_twalk>("twalk"),
    Fn<&tblibc_twalk>("__twalk"),
    Fn<&tblibc_twalk_r>("twalk_r"),
    Fn<&tblibc_tdestroy>("tdestroy"),
};

}  // namespace

extern const Family kSortingFamily;
const Family kSortingFamily{"sorting", kExports};

}  // namespace tblibc
