#pragma once
// Property setters store a value only when it differs, and then repaint.

namespace fw {

template <class T, class U>
bool StoreIfChanged(T& field, const U& value)
{
    if (field == value)
        return false;
    field = value;
    return true;
}

} // namespace fw
