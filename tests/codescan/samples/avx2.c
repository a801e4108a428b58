// AVX2, FMA, F16C, BMI, the crypto extensions and other VEX-encoded
// instructions, as -O2 emits them from intrinsics.
#include <immintrin.h>
#include <stdint.h>

__m256i Shuffles(__m256i a, __m256i b, const __m256i* p) {
  __m256i x = _mm256_add_epi32(a, _mm256_loadu_si256(p + 3));
  x = _mm256_shuffle_epi32(x, 0x1B);
  x = _mm256_slli_epi32(x, 3);
  x = _mm256_srli_si256(x, 4);
  x = _mm256_permute4x64_epi64(x, 0x4E);
  x = _mm256_blend_epi32(x, b, 0x55);
  x = _mm256_shuffle_epi8(x, _mm256_load_si256(p + 1));
  x = _mm256_i32gather_epi32((const int*)p, x, 4);
  x = _mm256_alignr_epi8(x, b, 5);
  x = _mm256_mullo_epi32(x, _mm256_broadcastd_epi32(_mm256_castsi256_si128(b)));
  x = _mm256_insertf128_si256(x, _mm256_extracti128_si256(b, 1), 0);
  return _mm256_permute2x128_si256(x, a, 0x21);
}

float Dot(const float* a, const float* b, int n) {
  __m256 acc = _mm256_setzero_ps();
  for (int i = 0; i + 8 <= n; i += 8)
    acc = _mm256_fmadd_ps(_mm256_loadu_ps(a + i), _mm256_loadu_ps(b + i), acc);
  __m128 s = _mm_add_ps(_mm256_castps256_ps128(acc), _mm256_extractf128_ps(acc, 1));
  s = _mm_hadd_ps(s, s);
  s = _mm_fnmadd_ss(s, s, _mm_dp_ps(s, s, 0xF1));
  return _mm_cvtss_f32(_mm_round_ss(s, s, _MM_FROUND_TO_ZERO));
}

void Halves(const float* in, uint16_t* out, __m256d* d) {
  __m128i h = _mm256_cvtps_ph(_mm256_loadu_ps(in), 0);
  _mm_storeu_si128((__m128i*)out, h);
  __m256 back = _mm256_cvtph_ps(_mm_loadu_si128((const __m128i*)(out + 8)));
  d[0] = _mm256_blendv_pd(_mm256_cvtps_pd(_mm256_castps256_ps128(back)), d[1], d[2]);
  d[3] = _mm256_cmp_pd(d[0], d[4], _CMP_NGE_UQ);
  _mm256_maskstore_pd((double*)(d + 5), _mm256_castpd_si256(d[3]), d[0]);
}

uint32_t Bits(uint32_t a, uint32_t b, const uint32_t* p, uint32_t* hi) {
  uint32_t r = _pdep_u32(a, b) ^ _pext_u32(p[2], b);
  r += _bzhi_u32(r, a & 31) + _andn_u32(a, p[4]) + _blsr_u32(b) + _blsi_u32(r);
  r += _lzcnt_u32(a) + _tzcnt_u32(b) + (uint32_t)_popcnt32(r);
  r += __builtin_bswap32(p[7]);
  r += (a >> 5 | a << 27) + (b << (a & 31)) + ((int32_t)b >> (r & 31));
  r += _bextr_u32(p[1], 4, 8);
  return r + _mulx_u32(a, b, hi);
}

uint32_t Sums(uint32_t c, const uint8_t* p, unsigned n, uint32_t* carry) {
  for (unsigned i = 0; i < n; ++i) c = _mm_crc32_u8(c, p[i]);
  c = _mm_crc32_u16(c, *(const uint16_t*)p);
  c = _mm_crc32_u32(c, *(const uint32_t*)(p + 4));
  unsigned int out;
  *carry = _addcarryx_u32(_addcarryx_u32(0, c, p[1], &out), out, c, &out);
  unsigned int r;
  if (_rdrand32_step(&r)) c ^= r;
  if (_rdseed32_step(&r)) c ^= r;
  return c ^ out;
}

__m128i Crypto(__m128i a, __m128i b, const __m128i* k, __m256i* w) {
  a = _mm_aesenc_si128(a, k[0]);
  a = _mm_aesdeclast_si128(a, k[1]);
  a = _mm_xor_si128(a, _mm_aeskeygenassist_si128(b, 0x1B));
  a = _mm_clmulepi64_si128(a, b, 0x11);
  a = _mm_sha1rnds4_epu32(a, k[2], 1);
  a = _mm_sha256rnds2_epu32(a, b, k[3]);
  a = _mm_sha1msg2_epu32(a, b);
  a = _mm_gf2p8affine_epi64_epi8(a, k[4], 3);
  a = _mm_gf2p8mul_epi8(a, b);
  w[0] = _mm256_aesenc_epi128(w[1], w[2]);
  w[3] = _mm256_clmulepi64_epi128(w[0], w[4], 0x01);
  w[5] = _mm256_gf2p8affineinv_epi64_epi8(w[3], w[6], 0x63);
  return a;
}
