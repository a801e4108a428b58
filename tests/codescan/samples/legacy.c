// The older one- and two-byte maps: x87, 16-bit and 8-bit operands with
// their immediates, MMX and SSE through SSE4.2 with the mandatory prefixes,
// atomic instructions, and a switch's jump table.
#include <cpuid.h>
#include <x86intrin.h>
#include <stdint.h>

long double Extended(long double a, const long double* p, double d, int i) {
  long double r = a * p[2] + d / p[1] - (long double)i;
  if (r < p[3]) r = -r;
  return r + (long double)(long long)(d * 3.5) + (float)p[4];
}

long long Converts(float f, double d, long double e) { return (long long)f + (long long)d + (long long)e; }

int16_t Shorts(int16_t* p, uint8_t* b) {
  p[3] += 0x1234;
  p[1] = 0x5678;
  p[5] ^= 0x7FF1;
  if (p[7] & 0x1234) p[2] = (int16_t)(p[2] * 0x321);
  if (b[3] & 0x10) b[9] |= 0x80;
  b[4] = (uint8_t)(b[5] << 3);
  return (int16_t)(p[0] + p[1]);
}

int Table(int c, int x) {
  switch (c) {
    case 0: return x + 1;
    case 1: return x * 3;
    case 2: return x - 7;
    case 3: return x << 2;
    case 4: return x / 5;
    case 5: return x % 11;
    case 6: return x ^ 0x55;
    default: return 0;
  }
}

__m64 Mmx(__m64 a, __m64 b, const __m64* p) {
  __m64 x = _mm_add_pi16(a, p[1]);
  x = _mm_shuffle_pi16(x, 0x1B);
  x = _mm_srli_pi16(x, 3);
  x = _mm_insert_pi16(x, _mm_extract_pi16(b, 2), 1);
  x = _mm_madd_pi16(x, _mm_unpacklo_pi8(b, p[2]));
  return x;
}

__m128i Sse(__m128 a, __m128i b, const __m128i* p, int* idx) {
  a = _mm_shuffle_ps(a, a, 0x39);
  a = _mm_cmpneq_ps(a, _mm_loadu_ps((const float*)(p + 2)));
  __m128i x = _mm_srli_si128(_mm_castps_si128(a), 3);
  x = _mm_alignr_epi8(x, p[1], 7);
  x = _mm_shuffle_epi8(x, b);
  x = _mm_blend_epi16(x, b, 0xA5);
  x = _mm_insert_epi32(x, _mm_extract_epi8(b, 9), 2);
  x = _mm_min_epu32(x, _mm_cvtepu8_epi32(p[3]));
  x = _mm_castps_si128(_mm_dp_ps(_mm_castsi128_ps(x), a, 0x7F));
  x = _mm_castps_si128(_mm_round_ps(_mm_castsi128_ps(x), 1));
  *idx = _mm_cmpestri(x, 5, p[4], 9, _SIDD_CMP_EQUAL_ORDERED);
  idx[1] = _mm_cmpistri(x, b, _SIDD_UBYTE_OPS);
  x = _mm_shufflehi_epi16(_mm_shufflelo_epi16(x, 0x1B), 0xB1);
  x = _mm_sad_epu8(x, _mm_cvtsi32_si128(idx[2]));
  return _mm_add_epi64(x, _mm_move_epi64(x));
}

uint64_t Atomics(volatile uint64_t* q, volatile uint32_t* w, uint32_t v) {
  uint64_t old = __sync_val_compare_and_swap(q, 1, 2);
  __sync_fetch_and_add(w, v);
  uint32_t r = __atomic_exchange_n(w + 1, v, __ATOMIC_SEQ_CST);
  __atomic_fetch_or(w + 2, 4, __ATOMIC_RELAXED);
  if (__sync_bool_compare_and_swap(w + 3, r, v)) ++r;
  return old + r + __builtin_popcount(v) + __builtin_ctz(v | 1);
}

uint64_t Machine(unsigned* out, void* line) {
  unsigned a, b, c, d;
  __cpuid_count(7, 0, a, b, c, d);
  out[0] = a ^ b ^ c ^ d;
  _mm_pause();
  _mm_lfence();
  _mm_mfence();
  _mm_sfence();
  _mm_clflush(line);
  _mm_prefetch((const char*)line + 128, _MM_HINT_T0);
  _mm_prefetch((const char*)line + 256, _MM_HINT_NTA);
  out[1] = _mm_getcsr();
  _mm_setcsr(out[2]);
  unsigned aux;
  return __rdtsc() + __rdtscp(&aux) + aux;
}

uint64_t Wide(uint64_t a, uint64_t b, int s) {
  return (a << s) + (b >> (s & 31)) + a / b + (uint64_t)((int64_t)a >> 7) + __builtin_bswap64(b);
}
