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

inline bool Take(const media::Result<void>& result, std::string& error)
{
    error = result.Message();
    return bool(result);
}


