#pragma once
// A conversion on the engine's threads (a reading thread and a worker a core for a
// movie, pictures side by side), owned by the window that starts it. It reports on
// the window's thread, by signals: each picture's outcome in the run's order, then
// its end. Destroying it stops the run after the pictures in flight and waits for it.
#include "engine/Pipeline.h"

#include <QObject>

#include <atomic>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

class TConversionRun : public QObject {
    Q_OBJECT
public:
    // Pictures side by side, one movie, or several movies one after another.
    enum class Kind { Pictures, Movie, Movies };
    TConversionRun(conv::RunRequest request, Kind kind, QObject* parent = nullptr);
    ~TConversionRun() override;
    TConversionRun(const TConversionRun&) = delete;
    TConversionRun& operator=(const TConversionRun&) = delete;

    void Start();
    // The run stops after the pictures in flight; the rest are reported as skipped.
    void Stop() { m_cancel = true; }

    // Once ended: the run's totals, and its failure as a whole (a folder that cannot
    // be made, a movie that cannot be read or whose reading broke off).
    const conv::RunTotals& Totals() const { return m_totals; }
    const media::Result<void>& Result() const { return m_result; }
    // Of several movies, those that could not be read, each with its reason.
    const std::vector<std::string>& MoviesNotRead() const { return m_moviesNotRead; }

signals:
    // `total`: the pictures the run takes in all.
    void PictureDone(const conv::Outcome& outcome, int total);
    // Of several movies, one has been cut (after its pictures' PictureDone).
    void MovieDone(const std::string& movie);
    void Ended();

private:
    void Work();
    // On the window's thread: hands on what has arrived, and the end once it has come.
    void Deliver();
    // From the engine's threads: Deliver is asked for unless it already is.
    void Wake(std::unique_lock<std::mutex>& lock);

    conv::RunRequest m_request;
    Kind m_kind;
    std::atomic<bool> m_cancel = false;
    std::thread m_thread;

    std::mutex m_mutex; // guards what follows
    // Each picture with the run's total; a movie's end as its name with no total.
    struct Arrival {
        conv::Outcome outcome;
        std::optional<int> total;
        std::string movieDone;
    };
    std::deque<Arrival> m_arrived;
    bool m_done = false;
    bool m_wakeAsked = false;

    bool m_ended = false; // the window's thread's own
    conv::RunTotals m_totals;
    media::Result<void> m_result;
    std::vector<std::string> m_moviesNotRead;
};
