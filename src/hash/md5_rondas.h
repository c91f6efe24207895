#pragma once
// The 64 steps of one MD5 block (RFC 1321), written once for every width:
// V is one 32-bit word (the scalar path) or a vector of one word per lane.
// V supplies R (the register type), suma, constante, rota<S> and the four
// round functions f, g, h, i.
#include <cstddef>
#include <cstdint>

template <class V>
inline void RondasMd5(typename V::R& a, typename V::R& b, typename V::R& c, typename V::R& d, const typename V::R* M)
{
    using R = typename V::R;
    const R a0 = a, b0 = b, c0 = c, d0 = d;
#define TERV_PASO(FN, w, x, y, z, k, s, t) \
    w = V::suma(x, V::template rota<s>(V::suma(V::suma(w, V::FN(x, y, z)), V::suma(M[k], V::constante(t)))))
    TERV_PASO(f, a, b, c, d, 0, 7, 0xd76aa478u);
    TERV_PASO(f, d, a, b, c, 1, 12, 0xe8c7b756u);
    TERV_PASO(f, c, d, a, b, 2, 17, 0x242070dbu);
    TERV_PASO(f, b, c, d, a, 3, 22, 0xc1bdceeeu);
    TERV_PASO(f, a, b, c, d, 4, 7, 0xf57c0fafu);
    TERV_PASO(f, d, a, b, c, 5, 12, 0x4787c62au);
    TERV_PASO(f, c, d, a, b, 6, 17, 0xa8304613u);
    TERV_PASO(f, b, c, d, a, 7, 22, 0xfd469501u);
    TERV_PASO(f, a, b, c, d, 8, 7, 0x698098d8u);
    TERV_PASO(f, d, a, b, c, 9, 12, 0x8b44f7afu);
    TERV_PASO(f, c, d, a, b, 10, 17, 0xffff5bb1u);
    TERV_PASO(f, b, c, d, a, 11, 22, 0x895cd7beu);
    TERV_PASO(f, a, b, c, d, 12, 7, 0x6b901122u);
    TERV_PASO(f, d, a, b, c, 13, 12, 0xfd987193u);
    TERV_PASO(f, c, d, a, b, 14, 17, 0xa679438eu);
    TERV_PASO(f, b, c, d, a, 15, 22, 0x49b40821u);

    TERV_PASO(g, a, b, c, d, 1, 5, 0xf61e2562u);
    TERV_PASO(g, d, a, b, c, 6, 9, 0xc040b340u);
    TERV_PASO(g, c, d, a, b, 11, 14, 0x265e5a51u);
    TERV_PASO(g, b, c, d, a, 0, 20, 0xe9b6c7aau);
    TERV_PASO(g, a, b, c, d, 5, 5, 0xd62f105du);
    TERV_PASO(g, d, a, b, c, 10, 9, 0x02441453u);
    TERV_PASO(g, c, d, a, b, 15, 14, 0xd8a1e681u);
    TERV_PASO(g, b, c, d, a, 4, 20, 0xe7d3fbc8u);
    TERV_PASO(g, a, b, c, d, 9, 5, 0x21e1cde6u);
    TERV_PASO(g, d, a, b, c, 14, 9, 0xc33707d6u);
    TERV_PASO(g, c, d, a, b, 3, 14, 0xf4d50d87u);
    TERV_PASO(g, b, c, d, a, 8, 20, 0x455a14edu);
    TERV_PASO(g, a, b, c, d, 13, 5, 0xa9e3e905u);
    TERV_PASO(g, d, a, b, c, 2, 9, 0xfcefa3f8u);
    TERV_PASO(g, c, d, a, b, 7, 14, 0x676f02d9u);
    TERV_PASO(g, b, c, d, a, 12, 20, 0x8d2a4c8au);

    TERV_PASO(h, a, b, c, d, 5, 4, 0xfffa3942u);
    TERV_PASO(h, d, a, b, c, 8, 11, 0x8771f681u);
    TERV_PASO(h, c, d, a, b, 11, 16, 0x6d9d6122u);
    TERV_PASO(h, b, c, d, a, 14, 23, 0xfde5380cu);
    TERV_PASO(h, a, b, c, d, 1, 4, 0xa4beea44u);
    TERV_PASO(h, d, a, b, c, 4, 11, 0x4bdecfa9u);
    TERV_PASO(h, c, d, a, b, 7, 16, 0xf6bb4b60u);
    TERV_PASO(h, b, c, d, a, 10, 23, 0xbebfbc70u);
    TERV_PASO(h, a, b, c, d, 13, 4, 0x289b7ec6u);
    TERV_PASO(h, d, a, b, c, 0, 11, 0xeaa127fau);
    TERV_PASO(h, c, d, a, b, 3, 16, 0xd4ef3085u);
    TERV_PASO(h, b, c, d, a, 6, 23, 0x04881d05u);
    TERV_PASO(h, a, b, c, d, 9, 4, 0xd9d4d039u);
    TERV_PASO(h, d, a, b, c, 12, 11, 0xe6db99e5u);
    TERV_PASO(h, c, d, a, b, 15, 16, 0x1fa27cf8u);
    TERV_PASO(h, b, c, d, a, 2, 23, 0xc4ac5665u);

    TERV_PASO(i, a, b, c, d, 0, 6, 0xf4292244u);
    TERV_PASO(i, d, a, b, c, 7, 10, 0x432aff97u);
    TERV_PASO(i, c, d, a, b, 14, 15, 0xab9423a7u);
    TERV_PASO(i, b, c, d, a, 5, 21, 0xfc93a039u);
    TERV_PASO(i, a, b, c, d, 12, 6, 0x655b59c3u);
    TERV_PASO(i, d, a, b, c, 3, 10, 0x8f0ccc92u);
    TERV_PASO(i, c, d, a, b, 10, 15, 0xffeff47du);
    TERV_PASO(i, b, c, d, a, 1, 21, 0x85845dd1u);
    TERV_PASO(i, a, b, c, d, 8, 6, 0x6fa87e4fu);
    TERV_PASO(i, d, a, b, c, 15, 10, 0xfe2ce6e0u);
    TERV_PASO(i, c, d, a, b, 6, 15, 0xa3014314u);
    TERV_PASO(i, b, c, d, a, 13, 21, 0x4e0811a1u);
    TERV_PASO(i, a, b, c, d, 4, 6, 0xf7537e82u);
    TERV_PASO(i, d, a, b, c, 11, 10, 0xbd3af235u);
    TERV_PASO(i, c, d, a, b, 2, 15, 0x2ad7d2bbu);
    TERV_PASO(i, b, c, d, a, 9, 21, 0xeb86d391u);
#undef TERV_PASO
    a = V::suma(a, a0);
    b = V::suma(b, b0);
    c = V::suma(c, c0);
    d = V::suma(d, d0);
}

// The lane kernels share one signature: estado holds A, B, C and D of every
// lane (A of lane 0..L-1, then B, ...); datos[l] points at lane l's blocks.
using NucleoBloques = void (*)(std::uint32_t* estado, const unsigned char* const* datos, std::size_t bloques);
void Md5BloquesAvx2(std::uint32_t* estado, const unsigned char* const* datos, std::size_t bloques);   // 8 lanes
void Md5BloquesAvx512(std::uint32_t* estado, const unsigned char* const* datos, std::size_t bloques); // 16 lanes
