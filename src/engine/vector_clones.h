// Function multi-versioning for the hot arithmetic loops.
//
// Where the loader resolves function versions (ELF with GNU indirect
// functions, on x86-64), a marked function is also built for AVX2 and
// AVX-512 and the version is chosen once at load. Every version performs
// the same IEEE operations (the build turns off fused multiply-add
// contraction), so their results are identical. Clang does not clone
// function templates, and other targets have no resolver, so those builds
// keep one version.
#pragma once

#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && defined(__ELF__)
#define OKA_VECTOR_CLONES __attribute__((target_clones("avx512f", "avx2", "default")))
#else
#define OKA_VECTOR_CLONES
#endif
