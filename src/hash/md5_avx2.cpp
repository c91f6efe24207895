// Eight MD5 streams per step in 256-bit registers; built with -mavx2 and only
// called when the processor has it.
#include "hash/md5_rondas.h"

#include <immintrin.h>

// Writable, so the compiler keeps the loads instead of rebuilding each
// constant from an immediate.
SenosEnCarriles<8> gSenosMd5x8;

namespace {

struct V8 {
    using R = __m256i;
    static R suma(R x, R y) { return _mm256_add_epi32(x, y); }
    static R constante(int n) { return _mm256_load_si256(reinterpret_cast<const __m256i*>(gSenosMd5x8.v[n])); }
    template <int S>
    static R rota(R x)
    {
        return _mm256_or_si256(_mm256_slli_epi32(x, S), _mm256_srli_epi32(x, 32 - S));
    }
    static R f(R b, R c, R d) { return _mm256_xor_si256(d, _mm256_and_si256(b, _mm256_xor_si256(c, d))); }
    static R g(R b, R c, R d) { return _mm256_xor_si256(c, _mm256_and_si256(d, _mm256_xor_si256(b, c))); }
    static R h(R b, R c, R d) { return _mm256_xor_si256(_mm256_xor_si256(b, c), d); }
    static R i(R b, R c, R d)
    {
        return _mm256_xor_si256(c, _mm256_or_si256(b, _mm256_xor_si256(d, _mm256_set1_epi32(-1))));
    }
};

// r[l] holds eight words of lane l; afterwards r[w] holds word w of every lane.
inline void traspongo8(__m256i* r)
{
    __m256i t[8], u[8];
#pragma GCC unroll 8
    for (int k = 0; k < 4; ++k) {
        t[2 * k] = _mm256_unpacklo_epi32(r[2 * k], r[2 * k + 1]);
        t[2 * k + 1] = _mm256_unpackhi_epi32(r[2 * k], r[2 * k + 1]);
    }
#pragma GCC unroll 8
    for (int k = 0; k < 2; ++k) {
        u[4 * k + 0] = _mm256_unpacklo_epi64(t[4 * k], t[4 * k + 2]);
        u[4 * k + 1] = _mm256_unpackhi_epi64(t[4 * k], t[4 * k + 2]);
        u[4 * k + 2] = _mm256_unpacklo_epi64(t[4 * k + 1], t[4 * k + 3]);
        u[4 * k + 3] = _mm256_unpackhi_epi64(t[4 * k + 1], t[4 * k + 3]);
    }
#pragma GCC unroll 8
    for (int j = 0; j < 4; ++j) {
        r[j] = _mm256_permute2x128_si256(u[j], u[4 + j], 0x20);
        r[4 + j] = _mm256_permute2x128_si256(u[j], u[4 + j], 0x31);
    }
}

} // namespace

void Md5BloquesAvx2(std::uint32_t* estado, const unsigned char* const* datos, std::size_t bloques)
{
    auto* e = reinterpret_cast<__m256i*>(estado);
    __m256i a = _mm256_loadu_si256(e), b = _mm256_loadu_si256(e + 1), c = _mm256_loadu_si256(e + 2),
            d = _mm256_loadu_si256(e + 3);
    for (std::size_t n = 0; n < bloques; ++n) {
        __m256i M[16];
#pragma GCC unroll 8
        for (int l = 0; l < 8; ++l) {
            const auto* p = reinterpret_cast<const __m256i*>(datos[l] + 64 * n);
            M[l] = _mm256_loadu_si256(p);
            M[8 + l] = _mm256_loadu_si256(p + 1);
        }
        traspongo8(M);
        traspongo8(M + 8);
        RondasMd5<V8>(a, b, c, d, M);
    }
    _mm256_storeu_si256(e, a);
    _mm256_storeu_si256(e + 1, b);
    _mm256_storeu_si256(e + 2, c);
    _mm256_storeu_si256(e + 3, d);
}
