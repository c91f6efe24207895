#pragma once
// The 64 steps of one MD5 block (RFC 1321), written once for every width:
// V is one 32-bit word (the scalar path) or a vector of one word per lane.
// V supplies R (the register type), suma, constante(n) (step n's constant in
// every lane), rota<S> and the four round functions f, g, h, i.
#include <cstddef>
#include <cstdint>

// The sine constants of the 64 steps, in step order.
inline constexpr std::uint32_t kSenosMd5[64] = {
    0xd76aa478u, 0xe8c7b756u, 0x242070dbu, 0xc1bdceeeu, 0xf57c0fafu, 0x4787c62au, 0xa8304613u, 0xfd469501u,
    0x698098d8u, 0x8b44f7afu, 0xffff5bb1u, 0x895cd7beu, 0x6b901122u, 0xfd987193u, 0xa679438eu, 0x49b40821u,
    0xf61e2562u, 0xc040b340u, 0x265e5a51u, 0xe9b6c7aau, 0xd62f105du, 0x02441453u, 0xd8a1e681u, 0xe7d3fbc8u,
    0x21e1cde6u, 0xc33707d6u, 0xf4d50d87u, 0x455a14edu, 0xa9e3e905u, 0xfcefa3f8u, 0x676f02d9u, 0x8d2a4c8au,
    0xfffa3942u, 0x8771f681u, 0x6d9d6122u, 0xfde5380cu, 0xa4beea44u, 0x4bdecfa9u, 0xf6bb4b60u, 0xbebfbc70u,
    0x289b7ec6u, 0xeaa127fau, 0xd4ef3085u, 0x04881d05u, 0xd9d4d039u, 0xe6db99e5u, 0x1fa27cf8u, 0xc4ac5665u,
    0xf4292244u, 0x432aff97u, 0xab9423a7u, 0xfc93a039u, 0x655b59c3u, 0x8f0ccc92u, 0xffeff47du, 0x85845dd1u,
    0x6fa87e4fu, 0xfe2ce6e0u, 0xa3014314u, 0x4e0811a1u, 0xf7537e82u, 0xbd3af235u, 0x2ad7d2bbu, 0xeb86d391u,
};

// Each step's constant repeated in all L lanes: one vector load per step.
template <int L>
struct SenosEnCarriles {
    alignas(64) std::uint32_t v[64][L];
    constexpr SenosEnCarriles() : v()
    {
        for (int n = 0; n < 64; ++n)
            for (int l = 0; l < L; ++l)
                v[n][l] = kSenosMd5[n];
    }
};

template <class V>
inline void RondasMd5(typename V::R& a, typename V::R& b, typename V::R& c, typename V::R& d, const typename V::R* M)
{
    using R = typename V::R;
    const R a0 = a, b0 = b, c0 = c, d0 = d;
#define TERV_PASO(FN, w, x, y, z, k, s, n)                                                                             \
    w = V::suma(x, V::template rota<s>(V::suma(V::suma(w, V::FN(x, y, z)), V::suma(M[k], V::constante(n)))))
    TERV_PASO(f, a, b, c, d, 0, 7, 0);
    TERV_PASO(f, d, a, b, c, 1, 12, 1);
    TERV_PASO(f, c, d, a, b, 2, 17, 2);
    TERV_PASO(f, b, c, d, a, 3, 22, 3);
    TERV_PASO(f, a, b, c, d, 4, 7, 4);
    TERV_PASO(f, d, a, b, c, 5, 12, 5);
    TERV_PASO(f, c, d, a, b, 6, 17, 6);
    TERV_PASO(f, b, c, d, a, 7, 22, 7);
    TERV_PASO(f, a, b, c, d, 8, 7, 8);
    TERV_PASO(f, d, a, b, c, 9, 12, 9);
    TERV_PASO(f, c, d, a, b, 10, 17, 10);
    TERV_PASO(f, b, c, d, a, 11, 22, 11);
    TERV_PASO(f, a, b, c, d, 12, 7, 12);
    TERV_PASO(f, d, a, b, c, 13, 12, 13);
    TERV_PASO(f, c, d, a, b, 14, 17, 14);
    TERV_PASO(f, b, c, d, a, 15, 22, 15);

    TERV_PASO(g, a, b, c, d, 1, 5, 16);
    TERV_PASO(g, d, a, b, c, 6, 9, 17);
    TERV_PASO(g, c, d, a, b, 11, 14, 18);
    TERV_PASO(g, b, c, d, a, 0, 20, 19);
    TERV_PASO(g, a, b, c, d, 5, 5, 20);
    TERV_PASO(g, d, a, b, c, 10, 9, 21);
    TERV_PASO(g, c, d, a, b, 15, 14, 22);
    TERV_PASO(g, b, c, d, a, 4, 20, 23);
    TERV_PASO(g, a, b, c, d, 9, 5, 24);
    TERV_PASO(g, d, a, b, c, 14, 9, 25);
    TERV_PASO(g, c, d, a, b, 3, 14, 26);
    TERV_PASO(g, b, c, d, a, 8, 20, 27);
    TERV_PASO(g, a, b, c, d, 13, 5, 28);
    TERV_PASO(g, d, a, b, c, 2, 9, 29);
    TERV_PASO(g, c, d, a, b, 7, 14, 30);
    TERV_PASO(g, b, c, d, a, 12, 20, 31);

    TERV_PASO(h, a, b, c, d, 5, 4, 32);
    TERV_PASO(h, d, a, b, c, 8, 11, 33);
    TERV_PASO(h, c, d, a, b, 11, 16, 34);
    TERV_PASO(h, b, c, d, a, 14, 23, 35);
    TERV_PASO(h, a, b, c, d, 1, 4, 36);
    TERV_PASO(h, d, a, b, c, 4, 11, 37);
    TERV_PASO(h, c, d, a, b, 7, 16, 38);
    TERV_PASO(h, b, c, d, a, 10, 23, 39);
    TERV_PASO(h, a, b, c, d, 13, 4, 40);
    TERV_PASO(h, d, a, b, c, 0, 11, 41);
    TERV_PASO(h, c, d, a, b, 3, 16, 42);
    TERV_PASO(h, b, c, d, a, 6, 23, 43);
    TERV_PASO(h, a, b, c, d, 9, 4, 44);
    TERV_PASO(h, d, a, b, c, 12, 11, 45);
    TERV_PASO(h, c, d, a, b, 15, 16, 46);
    TERV_PASO(h, b, c, d, a, 2, 23, 47);

    TERV_PASO(i, a, b, c, d, 0, 6, 48);
    TERV_PASO(i, d, a, b, c, 7, 10, 49);
    TERV_PASO(i, c, d, a, b, 14, 15, 50);
    TERV_PASO(i, b, c, d, a, 5, 21, 51);
    TERV_PASO(i, a, b, c, d, 12, 6, 52);
    TERV_PASO(i, d, a, b, c, 3, 10, 53);
    TERV_PASO(i, c, d, a, b, 10, 15, 54);
    TERV_PASO(i, b, c, d, a, 1, 21, 55);
    TERV_PASO(i, a, b, c, d, 8, 6, 56);
    TERV_PASO(i, d, a, b, c, 15, 10, 57);
    TERV_PASO(i, c, d, a, b, 6, 15, 58);
    TERV_PASO(i, b, c, d, a, 13, 21, 59);
    TERV_PASO(i, a, b, c, d, 4, 6, 60);
    TERV_PASO(i, d, a, b, c, 11, 10, 61);
    TERV_PASO(i, c, d, a, b, 2, 15, 62);
    TERV_PASO(i, b, c, d, a, 9, 21, 63);
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
