// Sixteen MD5 streams per step in 512-bit registers; built with the AVX-512
// flags and only called when the processor has them. One ternary-logic
// instruction gives each round function, one instruction each rotation.
#include "hash/md5_rondas.h"

#include <immintrin.h>

// Writable, so the compiler keeps the loads instead of rebuilding each
// constant from an immediate.
SenosEnCarriles<16> gSenosMd5x16;

namespace {

struct V16 {
    using R = __m512i;
    static R suma(R x, R y) { return _mm512_add_epi32(x, y); }
    static R constante(int n) { return _mm512_load_si512(gSenosMd5x16.v[n]); }
    template <int S>
    static R rota(R x)
    {
        return _mm512_rol_epi32(x, S);
    }
    // Truth tables over (b, c, d) = (0xF0, 0xCC, 0xAA).
    static R f(R b, R c, R d) { return _mm512_ternarylogic_epi32(b, c, d, 0xCA); }
    static R g(R b, R c, R d) { return _mm512_ternarylogic_epi32(b, c, d, 0xE4); }
    static R h(R b, R c, R d) { return _mm512_ternarylogic_epi32(b, c, d, 0x96); }
    static R i(R b, R c, R d) { return _mm512_ternarylogic_epi32(b, c, d, 0x39); }
};

// r[l] holds the sixteen words of lane l; afterwards r[w] holds word w of every lane.
inline void traspongo16(__m512i* r)
{
    __m512i t[16], u[16];
#pragma GCC unroll 8
    for (int k = 0; k < 8; ++k) {
        t[2 * k] = _mm512_unpacklo_epi32(r[2 * k], r[2 * k + 1]);
        t[2 * k + 1] = _mm512_unpackhi_epi32(r[2 * k], r[2 * k + 1]);
    }
    // u[4g + j], 128-bit chunk k: word 4k + j of lanes 4g .. 4g + 3.
#pragma GCC unroll 8
    for (int g = 0; g < 4; ++g) {
        u[4 * g + 0] = _mm512_unpacklo_epi64(t[4 * g], t[4 * g + 2]);
        u[4 * g + 1] = _mm512_unpackhi_epi64(t[4 * g], t[4 * g + 2]);
        u[4 * g + 2] = _mm512_unpacklo_epi64(t[4 * g + 1], t[4 * g + 3]);
        u[4 * g + 3] = _mm512_unpackhi_epi64(t[4 * g + 1], t[4 * g + 3]);
    }
#pragma GCC unroll 8
    for (int j = 0; j < 4; ++j) {
        const __m512i v0 = _mm512_shuffle_i32x4(u[j], u[4 + j], 0x44);
        const __m512i v1 = _mm512_shuffle_i32x4(u[j], u[4 + j], 0xEE);
        const __m512i v2 = _mm512_shuffle_i32x4(u[8 + j], u[12 + j], 0x44);
        const __m512i v3 = _mm512_shuffle_i32x4(u[8 + j], u[12 + j], 0xEE);
        r[j] = _mm512_shuffle_i32x4(v0, v2, 0x88);
        r[4 + j] = _mm512_shuffle_i32x4(v0, v2, 0xDD);
        r[8 + j] = _mm512_shuffle_i32x4(v1, v3, 0x88);
        r[12 + j] = _mm512_shuffle_i32x4(v1, v3, 0xDD);
    }
}

} // namespace

void Md5BloquesAvx512(std::uint32_t* estado, const unsigned char* const* datos, std::size_t bloques)
{
    __m512i a = _mm512_loadu_si512(estado), b = _mm512_loadu_si512(estado + 16), c = _mm512_loadu_si512(estado + 32),
            d = _mm512_loadu_si512(estado + 48);
    for (std::size_t n = 0; n < bloques; ++n) {
        __m512i M[16];
#pragma GCC unroll 16
        for (int l = 0; l < 16; ++l)
            M[l] = _mm512_loadu_si512(datos[l] + 64 * n);
        traspongo16(M);
        RondasMd5<V16>(a, b, c, d, M);
    }
    _mm512_storeu_si512(estado, a);
    _mm512_storeu_si512(estado + 16, b);
    _mm512_storeu_si512(estado + 32, c);
    _mm512_storeu_si512(estado + 48, d);
}
