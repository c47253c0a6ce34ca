#pragma once

#include <vector>

// The child in 1-based slot index, or an empty child outside 1 … size: a caller that asks past
// the end of a container reads nothing, instead of memory that is not there.
template <typename T> const T& SlotOrEmpty(const std::vector<T>& children, int index)
{
    static const T none;
    if (index < 1 || size_t(index) > children.size())
        return none;
    return children[size_t(index - 1)];
}
