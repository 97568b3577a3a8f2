// The common base of the things a graph is made of (inputs, outputs, values), for identity tests.
#pragma once

#include <Vx/RC/RCShdPtr.h>

namespace Vx {

class PiGraphObject
{
public:
    virtual ~PiGraphObject() = default;

    /// Whether `other` is this very object (not merely an equal one).
    bool isSame(const PiGraphObject* other) const { return other == this; }
    template <class T> bool isSame(const RCShdPtr<T>& other) const
    {
        return isSame(static_cast<const PiGraphObject*>(other.get()));
    }
};

} // namespace Vx
