// The search tree and the sort, in-process with host comparators: the
// red-black rules hold after every insertion and deletion of long fixed
// pseudo-random sequences (a broken rotation shows as a wrong count long
// before a guest's twalk would show it), and qsort is stable for every
// element size, through the pointer array above 32 bytes.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <set>
#include <vector>

extern "C" {
void* tblibc_tsearch(const void*, void**, uint32_t);
void* tblibc_tfind(const void*, void* const*, uint32_t);
void* tblibc_tdelete(const void*, void**, uint32_t);
void tblibc_qsort(void*, uint32_t, uint32_t, uint32_t);
}

namespace {

// The node layout the guest sees: key, left link with the colour in its
// low bit, right link.
struct Node {
  const int* key;
  uintptr_t left;
  Node* right;
};

Node* Left(const Node* n) { return reinterpret_cast<Node*>(n->left & ~uintptr_t{1}); }
bool Red(const Node* n) { return n != nullptr && (n->left & 1); }

int CompareInts(const void* a, const void* b) {
  const int x = *static_cast<const int*>(a), y = *static_cast<const int*>(b);
  return (x > y) - (x < y);
}

uint32_t Entry(int (*f)(const void*, const void*)) {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(f));
}

// Black height of the subtree, or -1 when a rule is broken; keys in order.
int Check(const Node* n, const int* low, const int* high, size_t* count) {
  if (n == nullptr) return 1;
  if ((low && *n->key <= *low) || (high && *n->key >= *high)) return -1;
  if (Red(n) && (Red(Left(n)) || Red(n->right))) return -1;
  ++*count;
  const int l = Check(Left(n), low, n->key, count);
  const int r = Check(n->right, n->key, high, count);
  if (l < 0 || r < 0 || l != r) return -1;
  return l + (Red(n) ? 0 : 1);
}

TEST(SearchTree, StaysARedBlackTreeThroughInsertionsAndDeletions) {
  static int keys[2000];
  for (int i = 0; i < 2000; ++i) keys[i] = i;
  void* root = nullptr;
  std::set<int> model;
  uint32_t state = 12345;  // a fixed linear congruential sequence
  for (int step = 0; step < 20000; ++step) {
    state = state * 1103515245u + 12345u;
    const int k = static_cast<int>((state >> 8) % 2000);
    if ((state >> 28) < 9) {
      void* node = tblibc_tsearch(&keys[k], &root, Entry(CompareInts));
      ASSERT_NE(node, nullptr);
      EXPECT_EQ(*static_cast<Node*>(node)->key, k);
      model.insert(k);
    } else {
      void* parent = tblibc_tdelete(&keys[k], &root, Entry(CompareInts));
      EXPECT_EQ(parent != nullptr, model.count(k) == 1) << k;
      model.erase(k);
    }
    if (step % 97 == 0 || step > 19900) {
      size_t count = 0;
      ASSERT_GE(Check(static_cast<Node*>(root), nullptr, nullptr, &count), 0)
          << "step " << step;
      ASSERT_EQ(count, model.size());
      EXPECT_FALSE(Red(static_cast<Node*>(root)));
    }
  }
  for (int k = 0; k < 2000; ++k) {
    const bool there = tblibc_tfind(&keys[k], &root, Entry(CompareInts)) != nullptr;
    EXPECT_EQ(there, model.count(k) == 1);
  }
  for (int k : std::vector<int>(model.begin(), model.end()))
    tblibc_tdelete(&keys[k], &root, Entry(CompareInts));
  EXPECT_EQ(root, nullptr);
}

template <size_t N>
struct Element {
  int key;
  int order;
  char pad[N];
};

template <size_t N>
int ByKey(const void* a, const void* b) {
  return CompareInts(&static_cast<const Element<N>*>(a)->key,
                     &static_cast<const Element<N>*>(b)->key);
}

template <size_t N>
void ExpectStable(uint32_t count) {
  std::vector<Element<N>> v(count);
  for (uint32_t i = 0; i < count; ++i) {
    v[i].key = static_cast<int>((i * 7919u) % 13u);
    v[i].order = static_cast<int>(i);
    std::memset(v[i].pad, static_cast<int>(i & 0x7F), N);
  }
  tblibc_qsort(v.data(), count, sizeof(Element<N>), Entry(ByKey<N>));
  for (uint32_t i = 1; i < count; ++i) {
    ASSERT_TRUE(v[i - 1].key < v[i].key ||
                (v[i - 1].key == v[i].key && v[i - 1].order < v[i].order))
        << "size " << sizeof(Element<N>) << " at " << i;
  }
  for (const auto& e : v) ASSERT_EQ(e.pad[N - 1], static_cast<char>(e.order & 0x7F));
}

TEST(Qsort, IsStableForSmallAndLargeElementsOnTheStackAndOffIt) {
  for (uint32_t count : {0u, 1u, 2u, 3u, 17u, 100u, 5000u}) {
    ExpectStable<1>(count);    // 12 bytes
    ExpectStable<24>(count);   // 32 bytes: the last direct size
    ExpectStable<28>(count);   // 36 bytes: through pointers
    ExpectStable<200>(count);
  }
}

}  // namespace
