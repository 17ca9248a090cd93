#include "engine/RepeatGate.h"

#include <algorithm>

namespace conv {

RepeatGate::RepeatGate(int total, const std::atomic<bool>& stop) : m_stop(stop), m_settled(std::size_t(total), 0) {}

void RepeatGate::Settle(int index)
{
    if (index < 0 || index >= int(m_settled.size()))
        return;
    m_settled[std::size_t(index)] = 1;
    while (m_next < int(m_settled.size()) && m_settled[std::size_t(m_next)])
        ++m_next;
}

void RepeatGate::Handed(int index)
{
    {
        std::lock_guard lock(m_mutex);
        for (; m_handed < index; ++m_handed)
            Settle(m_handed);
        m_handed = std::max(m_handed, index + 1);
    }
    m_changed.notify_all();
}

void RepeatGate::Pass(int index)
{
    {
        std::lock_guard lock(m_mutex);
        Settle(index);
    }
    m_changed.notify_all();
}

std::optional<int> RepeatGate::Decide(int index, int position, media::ComparedPlanes planes)
{
    std::optional<int> repeats;
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_next >= index || m_stop.load(); });
        if (m_next < index)
            return std::nullopt;
        if (m_kept && media::LookTheSame(planes, *m_kept))
            repeats = m_keptAt;
        else
            m_kept = std::move(planes), m_keptAt = position;
        Settle(index);
    }
    m_changed.notify_all();
    return repeats;
}

void RepeatGate::Wake()
{
    std::lock_guard lock(m_mutex);
    m_changed.notify_all();
}

} // namespace conv
