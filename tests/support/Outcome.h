#pragma once
// A result taken apart the way a test asserts on it: the value into `out`, or the
// failure's facts into `error`; true when there was a value.
#include "media/Result.h"

#include <string>



template <class T>
bool Take(media::Result<T> result, T& out, std::string& error)
{
    if (!result) {
        error = result.Error().message;
        return false;
    }
    out = std::move(*result);
    return true;
}

// The value, or an empty one with the failure's facts in `error` (an opened movie as
// a pointer that may be null).
template <class T>
T Take(media::Result<T> result, std::string& error)
{
    if (!result) {
        error = result.Error().message;
        return T{};
    }
    return std::move(*result);
}

inline bool Take(const media::Result<void>& result, std::string& error)
{
    error = result.Message();
    return bool(result);
}


