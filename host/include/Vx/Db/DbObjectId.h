// Object identities: the 128-bit ids that name compositions, graphs and nodes for the lifetime of
// a document, and the helpers that make and compare them.
//
// Ids are plain values, made on the main thread when an object is created; comparing them is safe
// from any thread.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace Vx {

/// A 128-bit object id. The all-zero id is the null id ("no object").
struct DbObjectId
{
    std::array<std::uint8_t, 16> bytes{};

    bool isNull() const;
    /// The canonical text form: 32 lower-case hexadecimal digits in groups 8-4-4-4-12.
    std::string toString() const;
};

struct UuidUtil
{
    /// A new random (version 4) id; never the null id.
    static DbObjectId generate();
    /// Whether two ids are the same id.
    static bool equal(const DbObjectId& a, const DbObjectId& b) { return a.bytes == b.bytes; }
};

} // namespace Vx
