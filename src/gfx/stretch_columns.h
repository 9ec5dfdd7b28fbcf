#pragma once
// The doubled column walk of 2x stretches: a column table that names every source column twice, in order, is
// followed by AVX-512 word shuffles where the processor has them, by the plain loop elsewhere. Both write exactly
// what the table names.
#include <cstdint>
#include <vector>

namespace velk {

// Whether the column table is First, First, First + 1, First + 1, ... from its start, or from its second entry
// (Phase 1: the clip cut one of a pair).
struct TDoubledColumns {
  bool Doubled = false;
  int32_t First = 0;
  int Phase = 0;
};
TDoubledColumns FindDoubledColumns(const std::vector<int32_t>& index);

// out[k] = src[(k + phase) / 2] for k in [0, n) over 32-bit pixels (phase 0 or 1).
void DoubleColumns32(uint32_t* out, const uint32_t* src, int32_t n, int phase);
// The same through the plain loop, as the reference of the wide one.
void DoubleColumns32Scalar(uint32_t* out, const uint32_t* src, int32_t n, int phase);

}  // namespace velk
