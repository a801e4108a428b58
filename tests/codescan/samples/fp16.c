// AVX512-FP16, whose instructions live in EVEX's maps 5 and 6.
#include <immintrin.h>

__m512h Halves(__m512h a, __m512h b, const _Float16* p, __mmask32 m) {
  __m512h x = _mm512_add_ph(a, _mm512_loadu_ph(p + 64));
  x = _mm512_fmadd_ph(x, b, _mm512_set1_ph(p[3]));
  x = _mm512_mask_sqrt_ph(x, m, x);
  x = _mm512_getmant_ph(x, _MM_MANT_NORM_1_2, _MM_MANT_SIGN_src);
  x = _mm512_reduce_ph(x, 3);
  x = _mm512_fcmul_pch(x, b);
  __mmask32 k = _mm512_cmp_ph_mask(x, a, _CMP_LT_OS);
  x = _mm512_mask_div_ph(x, k, x, _mm512_rcp_ph(b));
  __m512 f = _mm512_cvtxph_ps(_mm512_castph512_ph256(x));
  return _mm512_add_ph(x, _mm512_castsi512_ph(_mm512_castps_si512(f)));
}

short Scalars(__m128h a, const _Float16* p, int i) {
  __m128h x = _mm_add_sh(a, _mm_load_sh(p + 9));
  x = _mm_cvti32_sh(x, i);
  return (short)_mm_cvtsh_i32(x) + (short)_mm_cvtsi128_si16(_mm_castph_si128(x));
}
