#pragma once
// Vectors of 16 or 32 bytes for the loops that test many bytes at once,
// and whether the processor can run the 32-byte ones (AVX2).

template <int W>
struct TVector;
template <>
struct TVector<16>
{
    typedef unsigned char Type __attribute__((vector_size(16)));
};
template <>
struct TVector<32>
{
    typedef unsigned char Type __attribute__((vector_size(32)));
};
// A vector of W bytes (the attribute cannot take a template's value).
template <int W>
using TBytes = typename TVector<W>::Type;

inline bool HasAvx2()
{
    static const bool has = (__builtin_cpu_init(), __builtin_cpu_supports("avx2"));
    return has;
}
