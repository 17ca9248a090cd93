#pragma once
#include <cstdint>

namespace fw {

// Milliseconds since an arbitrary fixed start, steadily increasing.
std::uint32_t GetTickCount();

// Handles every window event that is waiting, then returns.
void ProcessMessages();

// Keeps handling window events until `ms` milliseconds have passed or the program
// is terminating. Sleeps between events instead of spinning.
void WaitPumping(std::uint32_t ms);

// True once the program has begun to end.
bool ApplicationTerminated();

} // namespace fw
