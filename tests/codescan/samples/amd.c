// AMD's own encodings: XOP (the 8F prefix), FMA4, TBM and LWP (XOP's map
// 10 with four-byte immediates), SSE4a's EXTRQ and INSERTQ (0F 78 and 79
// with two immediates), 3DNow! (0F 0F with its opcode after the operand),
// and MONITORX, MWAITX and CLZERO.
#include <mm3dnow.h>
#include <x86intrin.h>
#include <stdint.h>

__m128i Xop(__m128i a, __m128i b, const __m128i* p, __m256i* w) {
  __m128i x = _mm_maccs_epi16(a, b, p[1]);
  x = _mm_perm_epi8(x, b, p[2]);
  x = _mm_roti_epi32(x, 5);
  x = _mm_rot_epi32(x, p[3]);
  x = _mm_shl_epi32(x, b);
  x = _mm_haddq_epi32(x);
  x = _mm_comlt_epi32(x, p[4]);
  x = _mm_add_epi32(x, _mm_castps_si128(_mm_frcz_ps(_mm_castsi128_ps(p[5]))));
  w[0] = _mm256_cmov_si256(w[1], w[2], w[3]);
  w[4] = _mm256_castps_si256(
      _mm256_permute2_ps(_mm256_castsi256_ps(w[0]), _mm256_castsi256_ps(w[5]), w[6], 2));
  return x;
}

__m256d Fma4(__m256d a, __m256d b, const __m256d* p, __m128* s) {
  *s = _mm_macc_ps(s[1], s[2], s[3]);
  s[4] = _mm_nmsub_ss(s[5], s[0], s[6]);
  return _mm256_maddsub_pd(a, b, p[2]);
}

uint32_t Tbm(uint32_t a, const uint32_t* p) {
  uint32_t r = __bextri_u32(a, 0x0804) + __bextri_u32(p[3], 0x1002);
  r += __blcfill_u32(r) + __blsic_u32(p[1]) + __tzmsk_u32(a) + __blcmsk_u32(r);
  return r;
}

void Lwp(void* cb, uint32_t a, uint32_t b) {
  __llwpcb(cb);
  __lwpval32(a, b, 0x1234);
  if (__lwpins32(a, b, 0x56789A)) __lwpval32(b, a, 7);
  *(void**)cb = __slwpcb();
}

__m128i Sse4a(__m128i a, __m128i b, float* f, double* d) {
  a = _mm_extracti_si64(a, 8, 4);
  a = _mm_inserti_si64(a, b, 12, 20);
  a = _mm_extract_si64(a, b);
  a = _mm_insert_si64(a, b);
  _mm_stream_ss(f, _mm_set_ss(*d));
  _mm_stream_sd(d + 1, _mm_set_sd(*f));
  return a;
}

__m64 Now(__m64 a, __m64 b, const __m64* p, void* line) {
  __m64 x = _m_pfadd(a, p[1]);
  x = _m_pfmul(x, _m_pi2fd(b));
  x = _m_pf2id(_m_pfrcp(x));
  x = _m_pfrcpit1(x, p[2]);
  x = _m_pswapd(_m_pavgusb(x, _m_pmulhrw(a, p[3])));
  x = _m_pfnacc(x, _m_pi2fw(b));
  _m_prefetchw(line);
  _m_prefetch((char*)line + 64);
  _m_femms();
  return x;
}

void Waits(void* line, unsigned hint) {
  _mm_monitorx(line, 0, 0);
  _mm_mwaitx(0, hint, 1000);
  _mm_clzero(line);
}
