// The byte substitution table shared by archive data and the CVSF container.
// It is part of the stored formats: archives and engine-written files depend
// on it, so its values never change.
#pragma once
#include <array>
#include <cstdint>

namespace files {

using ByteTable = std::array<uint8_t, 256>;

// The substitution: a permutation of 0-255.
extern const ByteTable kSubstitution;
// Its inverse: kInverseSubstitution[kSubstitution[i]] == i.
extern const ByteTable kInverseSubstitution;

}  // namespace files
