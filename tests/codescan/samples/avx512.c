// AVX-512 (EVEX) with masks, broadcasts, embedded rounding, compressed
// displacements and the immediates of the 0F 3A map, and the VEX-encoded
// mask instructions.
#include <immintrin.h>
#include <stdint.h>

__m512i Integers(__m512i a, __m512i b, const int* p, __mmask16 m, __mmask64* out) {
  __m512i x = _mm512_mask_add_epi32(a, m, a, _mm512_loadu_si512(p + 64));
  x = _mm512_ternarylogic_epi32(x, b, _mm512_loadu_si512(p + 1024), 0x96);
  x = _mm512_add_epi32(x, _mm512_set1_epi32(p[5]));
  x = _mm512_rol_epi32(x, 7);
  x = _mm512_shuffle_i32x4(x, b, 0x4E);
  __mmask16 k = _mm512_cmp_epi32_mask(x, b, _MM_CMPINT_LT);
  k = _kor_mask16(k, _knot_mask16(m));
  x = _mm512_maskz_compress_epi32(k, x);
  x = _mm512_mask_i32gather_epi32(x, k, x, p, 4);
  x = _mm512_permutexvar_epi8(x, b);
  x = _mm512_dpbusd_epi32(x, a, b);
  x = _mm512_madd52lo_epu64(x, a, b);
  x = _mm512_popcnt_epi32(x);
  x = _mm512_shldi_epi32(x, b, 5);
  x = _mm512_conflict_epi32(x);
  x = _mm512_mask_blend_epi16((__mmask32)k, x, _mm512_alignr_epi8(x, a, 3));
  x = _mm512_inserti64x4(x, _mm256_mask_mov_epi8(_mm512_castsi512_si256(a), (__mmask32)m,
                                                   _mm512_extracti64x4_epi64(b, 1)), 1);
  __mmask64 bytes = _mm512_cmpeq_epi8_mask(x, b);
  *out = _kshiftli_mask64(bytes, 3) | _mm512_test_epi8_mask(x, a);
  _mm512_mask_storeu_epi16((void*)(p + 32), (__mmask32)bytes, x);
  x = _mm512_srai_epi64(x, 9);
  return _mm512_multishift_epi64_epi8(x, _mm512_maskz_permutex2var_epi16((__mmask32)m, a, x, b));
}

__m512 Floats(__m512 a, __m512 b, const float* p, __mmask16 m, __m128d* d) {
  __m512 x = _mm512_add_round_ps(a, b, _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC);
  x = _mm512_fmadd_ps(x, _mm512_set1_ps(p[3]), _mm512_loadu_ps(p + 48));
  x = _mm512_roundscale_ps(x, 3);
  x = _mm512_getmant_ps(x, _MM_MANT_NORM_1_2, _MM_MANT_SIGN_src);
  x = _mm512_mask_reduce_ps(x, m, x, 4);
  x = _mm512_range_ps(x, b, 5);
  __mmask16 k = _mm512_fpclass_ps_mask(x, 0x22) | _mm512_cmp_ps_mask(x, a, _CMP_LE_OQ);
  x = _mm512_mask_mul_ps(x, k, x, _mm512_scalef_ps(x, b));
  x = _mm512_rcp14_ps(_mm512_rsqrt14_ps(x));
  *d = _mm_fixupimm_sd(d[1], d[2], _mm_loadu_si128((const __m128i*)(p + 8)), 7);
  __m512bh h = _mm512_cvtne2ps_pbh(x, b);
  __m512 y = _mm512_dpbf16_ps(x, _mm512_cvtne2ps_pbh(a, b), h);
  return _mm512_mask_expandloadu_ps(y, m, p + 100);
}

__m256 Lanes(__m256 a, __m128 b, const double* p, __mmask8 m) {
  __m256 x = _mm256_mask_add_ps(a, m, a, _mm256_broadcast_f32x4(b));
  x = _mm256_maskz_permutexvar_ps(m, _mm256_castps_si256(a), x);
  __m128d d = _mm_mask_loadu_pd(_mm_castps_pd(b), m, p + 7);
  d = _mm_maskz_cvtepi64_pd(m, _mm_castpd_si128(d));
  return _mm256_mask_shuffle_f32x4(x, m, x, _mm256_castps128_ps256(_mm_castpd_ps(d)), 1);
}
