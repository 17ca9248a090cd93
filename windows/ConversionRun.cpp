#include "windows/ConversionRun.h"

#include <exception>

TConversionRun::TConversionRun(conv::RunRequest request, Kind kind, QObject* parent)
    : QObject(parent), m_request(std::move(request)), m_kind(kind)
{
    m_request.cancel = &m_cancel;
}

TConversionRun::~TConversionRun()
{
    m_cancel = true;
    if (m_thread.joinable())
        m_thread.join();
}

void TConversionRun::Start() { m_thread = std::thread([this] { Work(); }); }

void TConversionRun::Work()
{
    media::Result<void> result;
    try {
        const conv::Report report = [this](const conv::Outcome& outcome, int total) {
            std::unique_lock lock(m_mutex);
            m_arrived.push_back({outcome, total, {}});
            Wake(lock);
        };
        const conv::MovieStep movieDone = [this](const std::string& movie) {
            std::unique_lock lock(m_mutex);
            m_arrived.push_back({{}, std::nullopt, movie});
            Wake(lock);
        };
        if (m_kind == Kind::Movies)
            conv::ConvertMovies(m_request, report, m_totals, m_moviesNotRead, nullptr, movieDone);
        else
            result = m_kind == Kind::Movie ? conv::ConvertMovie(m_request, report, m_totals)
                                           : conv::ConvertPictures(m_request, report, m_totals);
    } catch (const std::exception& e) {
        // Memory running out where no picture's work could take it.
        result = media::Fail(media::FailureKind::StepFailed, e.what());
    } catch (...) {
        result = media::Fail(media::FailureKind::StepFailed, "unknown error");
    }
    std::unique_lock lock(m_mutex);
    m_result = std::move(result);
    m_done = true;
    Wake(lock);
}

void TConversionRun::Wake(std::unique_lock<std::mutex>& lock)
{
    if (m_wakeAsked)
        return;
    m_wakeAsked = true;
    lock.unlock();
    // Dropped by Qt if this object is gone by then.
    QMetaObject::invokeMethod(this, [this] { Deliver(); }, Qt::QueuedConnection);
}

void TConversionRun::Deliver()
{
    std::deque<Arrival> batch;
    bool done = false;
    {
        std::lock_guard lock(m_mutex);
        batch.swap(m_arrived);
        done = m_done;
        m_wakeAsked = false;
    }
    for (const Arrival& a : batch) {
        if (a.total)
            emit PictureDone(a.outcome, *a.total);
        else
            emit MovieDone(a.movieDone);
    }
    if (done && !m_ended) {
        m_ended = true;
        m_thread.join();
        emit Ended();
    }
}
