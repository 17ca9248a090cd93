#include "engine/Pipeline.h"

#include "engine/RepeatGate.h"
#include "engine/SmartPicks.h"
#include "engine/StillNames.h"

#include "media/codecs/ShotExif.h"
#include "media/movie/MovieReader.h"

#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <thread>

namespace conv {

namespace {

// A run allocates a picture's buffers (tens of megabytes for a phone's photo) again
// for every picture. glibc maps blocks that large afresh each time, and the kernel
// zeroes every page of them: a tenth of a HEIC batch's time. Kept in the heap instead
// (up to 64 MB a block, 128 MB held back when freed), they are reused.
void KeepPictureBuffers()
{
    static std::once_flag once;
    std::call_once(once, [] {
        mallopt(M_MMAP_THRESHOLD, 64 << 20);
        mallopt(M_TRIM_THRESHOLD, 128 << 20);
    });
}

int JobsFor(const RunRequest& o)
{
    if (o.jobs > 0)
        return o.jobs;
    return std::max(1u, std::thread::hardware_concurrency());
}

// A queue with a bound, so a fast producer never holds more than a few pictures.
template <class T>
class BoundedQueue {
public:
    explicit BoundedQueue(std::size_t capacity) : m_capacity(capacity) {}
    void Push(T item)
    {
        std::unique_lock lock(m_mutex);
        m_notFull.wait(lock, [&] { return m_items.size() < m_capacity; });
        m_items.push_back(std::move(item));
        m_notEmpty.notify_one();
    }
    // Nothing once closed and drained.
    std::optional<T> Pop()
    {
        std::unique_lock lock(m_mutex);
        m_notEmpty.wait(lock, [&] { return !m_items.empty() || m_closed; });
        if (m_items.empty())
            return std::nullopt;
        T item = std::move(m_items.front());
        m_items.pop_front();
        m_notFull.notify_one();
        return item;
    }
    void Close()
    {
        std::lock_guard lock(m_mutex);
        m_closed = true;
        m_notEmpty.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_notEmpty, m_notFull;
    std::deque<T> m_items;
    std::size_t m_capacity;
    bool m_closed = false;
};

// Hands finished pictures to the report in the run's order.
class InOrder {
public:
    InOrder(const Report& report, int total, RunTotals& totals) : m_report(report), m_total(total), m_totals(totals) {}
    void Finished(Outcome outcome)
    {
        std::lock_guard lock(m_mutex);
        m_waiting.emplace(outcome.index, std::move(outcome));
        for (auto it = m_waiting.find(m_next); it != m_waiting.end(); it = m_waiting.find(m_next)) {
            Outcome& done = it->second;
            if (done.existed || done.repeats || done.onSheet) { // told, for the record of the whole set
                ++(done.existed ? m_totals.existed : done.repeats ? m_totals.repeats : m_totals.onSheets);
                if (m_report)
                    m_report(done, m_total);
            } else if (done.skipped) {
                ++m_totals.untried;
            } else {
                (done.written.empty() ? m_totals.failed : m_totals.converted)++;
                if (!done.written.empty())
                    m_totals.written.emplace_back(done.source, done.written);
                // One write failure says it all; the others that were under way say nothing.
                const bool silent = done.stop && m_stopReported;
                m_stopReported = m_stopReported || done.stop;
                if (m_report && !silent)
                    m_report(done, m_total);
            }
            m_waiting.erase(it);
            ++m_next;
        }
    }

    // The run's pictures never finished (a stopped movie run reads no further).
    int Unfinished()
    {
        std::lock_guard lock(m_mutex);
        return m_total - m_next;
    }

private:
    std::mutex m_mutex;
    const Report& m_report;
    int m_total;
    RunTotals& m_totals;
    std::map<int, Outcome> m_waiting;
    int m_next = 0;
    bool m_stopReported = false;
};

bool Cancelled(const RunRequest& o) { return o.cancel && o.cancel->load(); }

// True when the picture is passed over, its file being there already.
bool PassedOver(const RunRequest& o, const std::string& path, Outcome& outcome)
{
    std::error_code ec;
    if (o.existing != Existing::Skip || !std::filesystem::exists(path, ec))
        return false;
    outcome.target = path;
    outcome.existed = true;
    return true;
}

// Where the picture is written: `path`, or where numbered names are asked for and it
// exists, the first of name-1.ext, name-2.ext ... that does not.
std::string TargetFor(const RunRequest& o, const std::string& path)
{
    std::error_code ec;
    if (o.existing != Existing::Number || !std::filesystem::exists(path, ec))
        return path;
    const std::string ext = std::filesystem::path(path).extension().string();
    const std::string stem = path.substr(0, path.size() - ext.size());
    for (int n = 1;; ++n)
        if (const std::string numbered = stem + "-" + std::to_string(n) + ext; !std::filesystem::exists(numbered, ec))
            return numbered;
}

// What an exception that ended a picture's work says.
std::string Described(const std::exception& e)
{
    if (dynamic_cast<const std::bad_alloc*>(&e))
        return "out of memory";
    return e.what();
}

// Runs one picture's work; an exception fails that picture with its reason.
template <class Work>
void Guarded(Outcome& outcome, Work&& work)
{
    try {
        work();
    } catch (const std::exception& e) {
        outcome.written.clear();
        outcome.error = Described(e);
    } catch (...) {
        outcome.written.clear();
        outcome.error = "unknown error";
    }
}

// One converter per thread: its own picture, and the run's way of loading it.
struct Converter {
    media::ImageEditor editor;
    std::string ext;
    media::Reduction reduction;
    explicit Converter(const RunRequest& o)
        : ext(conv::EntryOf(conv::kOutputFormats, o.picture.format).ext),
          // A JPEG the chain makes much smaller is decoded smaller.
          reduction(conv::LoadReduction(o.picture))
    {
    }
    // A converter for the run, or why the run's settings cannot make one (then every
    // picture the thread takes fails with that reason, and the run still ends).
    static media::Result<Converter> For(const RunRequest& o)
    {
        MEDIA_TRY(media::CheckSaveOptions(conv::SaveOptionsOf(o.picture)));
        return Converter(o);
    }
    // The reason the picture could not be loaded, or nothing.
    std::optional<std::string> Load(const std::string& path, const media::Bytes& bytes, media::ImageFormat format)
    {
        if (const media::Result<void> loaded = editor.Load(path, bytes, format, reduction); !loaded)
            return loaded.Message();
        return std::nullopt;
    }
    // A HEIC photo going to JPEG untouched: its HEVC pictures' YCbCr planes straight
    // into the encoder, with no RGB between. False, with nothing written, where the
    // run's settings or the file's coding do not allow it.
    bool FinishFromPlanes(const RunRequest& o, Outcome& outcome, const media::Bytes& bytes, media::ImageFormat format,
                          const std::string& named, std::atomic<bool>& stop)
    {
        const PictureSettings& s = o.picture;
        if (format != media::ImageFormat::Heif || s.format != OutputFormat::Jpeg || !conv::LeavesPixelsAlone(s) ||
            s.rotation != Rotation::None)
            return false;
        const media::Metadata photo = media::ReadMetadata(bytes.data(), bytes.size(), format);
        media::SaveOptions options = conv::SaveOptionsOf(s);
        if (s.keepMetadata)
            options.metadata = &photo;
        else if (!photo.icc.empty()) // its colours are to be made sRGB, which takes the pixels
            return false;
        const bool halved = !media::EncodingOf(options.quality).fullChroma;
        const std::optional<media::YCbCrPlanes> planes = media::DecodeHeifPlanes(bytes.data(), bytes.size(), halved);
        if (!planes)
            return false;
        const media::Result<media::Bytes> jpeg = media::EncodeImage(*planes, options);
        if (!jpeg)
            return false;
        FinishMade(o, outcome, *jpeg, planes->width, planes->height, named, stop);
        SayLeftOut(o, outcome, photo);
        return true;
    }
    // What the photo's metadata left out for its size, beside a file written with it.
    static void SayLeftOut(const RunRequest& o, Outcome& outcome, const media::Metadata& photo)
    {
        if (!o.picture.keepMetadata || photo.leftOut.empty() || outcome.written.empty())
            return;
        outcome.warning = "metadata left out: ";
        for (std::size_t i = 0; i < photo.leftOut.size(); ++i)
            outcome.warning.append(i ? "; " : "").append(photo.leftOut[i]);
    }
    // A file made already (a Motion JPEG frame rewritten), saved as Finish saves.
    void FinishMade(const RunRequest& o, Outcome& outcome, const media::Bytes& bytes, int width, int height,
                    const std::string& named, std::atomic<bool>& stop)
    {
        const std::string path = TargetFor(o, named);
        outcome.target = path;
        Record(outcome, conv::SaveMadeFile(bytes, path, o.outputFolder), path, width, height, stop);
    }
    // The picture's step, as the main window's run takes it. A file that cannot be
    // written stops the run.
    // The picture made goes on the movie's sheets too, where it has them (and only
    // there, with sheetOnly).
    void Finish(const RunRequest& o, Outcome& outcome, const std::optional<std::string>& notTaken,
                const std::string& named, std::atomic<bool>& stop, TileBoard* tiles = nullptr)
    {
        const std::optional<conv::PictureOutcome> failed = conv::ChainPicture(editor, o.picture, notTaken);
        const media::Image& made = editor.Current();
        if (!failed && tiles)
            tiles->Take(outcome.index, outcome.seconds, made);
        if (!failed && tiles && o.sheetOnly) {
            outcome.onSheet = true;
            outcome.width = made.width, outcome.height = made.height;
            return;
        }
        const std::string path = TargetFor(o, named);
        outcome.target = path;
        const conv::PictureOutcome done = failed ? *failed : conv::SavePicture(editor, o.picture, path, o.outputFolder);
        Record(outcome, done, path, made.width, made.height, stop);
        SayLeftOut(o, outcome, editor.PhotoMetadata());
    }
    static void Record(Outcome& outcome, const conv::PictureOutcome& done, const std::string& path, int width,
                       int height, std::atomic<bool>& stop)
    {
        if (done.Written()) {
            outcome.written = path;
            outcome.width = width, outcome.height = height;
        }
        else
            outcome.error = done.stop ? done.stop->message : done.reason;
        if (done.stop) {
            outcome.stop = done.stop;
            stop = true;
        }
    }
};

// A thread's tool, or why it could not be made (every picture the thread takes then
// fails with that reason, so the run still ends).
template <class T, class... Args>
media::Result<std::unique_ptr<T>> Made(Args&&... args)
{
    try {
        return std::make_unique<T>(std::forward<Args>(args)...);
    } catch (const std::exception& e) {
        return media::Fail(media::FailureKind::StepFailed, Described(e));
    }
}

// The run's positions in stretches that begin at key pictures, each holding at least
// one of them: [first, last) into `positions`. One stretch when there are no keys.
std::vector<std::pair<std::size_t, std::size_t>> Stretches(const std::vector<int>& keys, const std::vector<int>& positions)
{
    std::vector<std::pair<std::size_t, std::size_t>> stretches;
    std::size_t from = 0;
    auto key = keys.begin();
    for (std::size_t i = 1; i < positions.size(); ++i) {
        // A key after the position before this one, at or before this one: a new stretch.
        while (key != keys.end() && *key <= positions[i - 1])
            ++key;
        if (key != keys.end() && *key <= positions[i]) {
            stretches.emplace_back(from, i);
            from = i;
        }
    }
    if (from < positions.size())
        stretches.emplace_back(from, positions.size());
    return stretches;
}

// What the stills of a movie say of it: nothing without a creation time, or when the
// metadata is to be left out.
std::optional<media::ShotFacts> ShotOf(const media::MovieOrigin& origin, bool keep)
{
    if (!keep || !origin.createdUtcMicros)
        return std::nullopt;
    return media::ShotFacts{*origin.createdUtcMicros, origin.offsetMinutes, origin.make,
                            origin.model,            origin.latitude,      origin.longitude,
                            origin.altitude};
}

// The movie's facts for the picture shown `seconds` into it.
media::ShotFacts ShotAt(media::ShotFacts shot, double seconds)
{
    shot.utcMicros += std::llround(seconds * 1e6);
    return shot;
}

// The folder a picture of a mirrored tree goes into, made as needed; false, with the
// reason in the outcome, when it cannot be.
bool MadeFolderFor(const std::string& path, Outcome& outcome)
{
    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    if (std::filesystem::is_directory(folder, ec) || std::filesystem::create_directories(folder, ec))
        return true;
    outcome.target = path;
    outcome.error = "cannot make the folder " + folder.string() + ": " + ec.message();
    return false;
}

// How a run's Motion JPEG frames are written from their coefficients, where its
// settings let them: JPEG out, the pixels left alone but for a turn.
std::optional<media::CoefficientWrite> CoefficientRoute(const PictureSettings& s)
{
    if (s.format != OutputFormat::Jpeg || !conv::LeavesPixelsAlone(s))
        return std::nullopt;
    media::CoefficientWrite how;
    how.quality = s.jpegQuality;
    how.progressive = s.progressive;
    how.quarterTurns = int(s.rotation); // None, 90, 180, 270 clockwise in that order
    return how;
}

// Why a named input is passed over before it is tried, or nothing.
std::optional<std::string> Unusable(const std::string& input)
{
    // A name that names nothing, or nothing this user may read: the system's reason,
    // whatever the name looks like.
    if (::access(input.c_str(), R_OK) != 0)
        return input + ": " + std::strerror(errno);
    std::error_code ec;
    if (std::filesystem::is_directory(input, ec))
        return input + ": is a folder (-r converts the pictures in it)";
    if (!conv::IsPictureFileName(input))
        return input + ": is neither a movie nor a " + media::FormatNames(", ", " or ") + " picture";
    return std::nullopt;
}

// A movie run's shared state. The reading threads hand out undeveloped frames; each
// worker develops its own (decodes it, where every picture stands alone, and
// converts it) and finishes it.
struct MovieRun {
    struct Frame {
        int index;
        media::UndevelopedFrame picture;
    };

    const RunRequest& o;
    std::string movie;
    std::unique_ptr<media::MovieReader> reader;
    std::vector<int> positions; // what the run takes, in the run's order (ascending but for --at)
    std::map<int, int> indexOf;  // each position's place in that order
    std::vector<int> toRead;    // of those, the ones whose files are to be written
    std::vector<Outcome> passedOver; // the others: their files are there already
    std::vector<std::string> paths; // the file of each
    std::string fitted;             // how the range was brought inside the movie, if it was
    std::vector<double> times;      // every position's presentation time
    std::vector<int> keys;          // the key pictures' positions, ascending
    LookedAt looked;                // what looking at the pictures chose
    std::map<int, std::string> asked; // with --at: each position's place as asked
    std::vector<std::string> beyond;  // with --at: the places beyond the movie's end
    std::unique_ptr<RepeatGate> repeats; // with --dedup: where each picture learns whether it repeats
    std::unique_ptr<TileBoard> tiles;     // with sheets: where each still leaves its tiles
    bool keysAlone = false;               // key pictures handed out as packets, decoded by the workers
    std::optional<media::ShotFacts> shot; // when the movie began, the camera, where: its stills carry them
    int total = 0;
    int jobs = 1;
    BoundedQueue<Frame> frames;
    std::atomic<bool> stop = false;
    // The stretches of the run, taken one after another by the reading threads.
    std::vector<std::pair<std::size_t, std::size_t>> stretches;
    int readers = 1;
    std::atomic<std::size_t> nextStretch = 0;
    std::atomic<int> readersLeft = 0;
    std::mutex brokeMutex;
    std::string readingBroke;

    MovieRun(const RunRequest& request, int jobCount)
        : o(request), movie(request.inputs.front()), jobs(jobCount), frames(std::size_t(jobCount) * 2)
    {
    }
};

// Opens the movie and works out the run's positions; the folder is made last, so a
// movie that cannot be read leaves no folder behind.
// The outcome of the run's `index`-th picture, at `position`: where it is and when.
Outcome MovieOutcome(const MovieRun& run, int index, int position)
{
    Outcome outcome;
    outcome.index = index;
    outcome.source = run.movie + "#" + std::to_string(position);
    outcome.frame = position;
    outcome.seconds = run.times[std::size_t(position)];
    outcome.key = std::binary_search(run.keys.begin(), run.keys.end(), position);
    const auto noted = [position](const auto& found, auto& field) {
        if (const auto it = found.find(position); it != found.end())
            field = it->second;
    };
    noted(run.looked.nominal, outcome.nominal);
    noted(run.looked.score, outcome.score);
    noted(run.looked.shot, outcome.shot);
    noted(run.asked, outcome.asked);
    return outcome;
}

media::Result<void> PrepareMovieRun(MovieRun& run)
{
    const RunRequest& o = run.o;
    media::MovieReader::Options options;
    options.storedSize = o.storedSize;
    options.deinterlace = o.deinterlace;
    auto opened = o.movieFile ? media::MovieReader::Open(o.movieFile, options) : media::MovieReader::Open(run.movie, options);
    if (!opened)
        return opened.Error();
    run.reader = std::move(*opened);
    run.times = run.reader->PresentationTimes();
    run.keys = run.reader->KeyPositions();
    run.shot = ShotOf(run.reader->Origin(), o.picture.keepMetadata);
    std::string fitted;
    const MoviePicks picks = o.fitRange ? FitToMovie(o.picks, run.times, fitted) : o.picks;
    run.fitted = fitted;
    media::Result<std::vector<int>> positions = picks.at.empty()
                                                    ? PickPositions(picks, run.times, run.keys, run.movie)
                                                    : media::Result<std::vector<int>>(std::vector<int>());
    if (!picks.at.empty()) {
        std::vector<std::pair<int, std::string>> asked;
        positions = PlacesAt(picks.at, run.times, asked, run.beyond);
        run.asked.insert(asked.begin(), asked.end());
    }
    if (!positions)
        return positions.Error();
    if (picks.sharpest || picks.scenes) {
        const LookingAt what{*positions, PickRange(picks, run.times).second, run.times, o.cancel, o.looking};
        positions = LookAtPictures(*run.reader, picks, what, run.looked);
        if (!positions)
            return positions.Error();
    }
    run.positions = std::move(*positions);
    run.total = int(run.positions.size());
    for (std::size_t i = 0; i < run.positions.size(); ++i)
        run.indexOf[run.positions[i]] = int(i);
    media::Result<std::vector<std::string>> paths =
        conv::StillPaths(o.outputFolder, run.movie, o.stillNames, run.positions, run.times,
                         conv::EntryOf(conv::kOutputFormats, o.picture.format).ext);
    if (!paths)
        return paths.Error();
    run.paths = std::move(*paths);
    // Files there already that are to be passed over are not even read.
    for (std::size_t i = 0; i < run.positions.size(); ++i) {
        Outcome outcome = MovieOutcome(run, int(i), run.positions[i]);
        // A run for its sheets alone writes no still, so none is there already.
        if (o.sheetOnly || !PassedOver(o, run.paths[i], outcome)) {
            run.toRead.push_back(run.positions[i]);
            continue;
        }
        run.passedOver.push_back(std::move(outcome));
    }
    // Read in the movie's order, whatever order the run reports in.
    std::sort(run.toRead.begin(), run.toRead.end());
    // A run with nothing to write makes no folder.
    if (!run.toRead.empty())
        MEDIA_TRY(conv::CreateOutputFolder(o.outputFolder));
    // Where the movie has key pictures that runs can begin at (MP4, Matroska ...), the
    // stretches between them are read by a reader a core, each with one decoding
    // thread: no decoder waits for another, and a seek costs no threads' work. Else
    // one reader reads the whole run.
    // (Reading every frame needs no seek, and one decoder using every core does best.)
    const std::vector<int>& read = run.toRead;
    const bool everyFrame = read.empty() || read.back() - read.front() + 1 == int(read.size());
    // Repeats are decided in the run's order, which one reader hands out as it reads.
    if (o.picks.dedup)
        run.repeats = std::make_unique<RepeatGate>(run.total, run.stop);
    if (o.sheet.Given() || o.sprite.Given())
        run.tiles = std::make_unique<TileBoard>(o.sheet.Given(), o.sprite.Given());
    // Key pictures that decode by themselves go out as packets from one reader, and every
    // worker decodes its own.
    run.keysAlone = o.picks.keyframes;
    run.stretches = run.reader->DecodesInDevelopers() || everyFrame || run.repeats || run.keysAlone
                        ? std::vector<std::pair<std::size_t, std::size_t>>{{0, read.size()}}
                        : Stretches(run.reader->IndependentStarts(), read);
    run.readers = std::min<int>(run.stretches.size() > 1 ? run.jobs : 1, int(run.stretches.size()));
    run.readersLeft = run.readers;
    return {};
}

// A reading thread's end: the last one closes the queue, and the workers finish what
// was read.
void Done(MovieRun& run)
{
    if (run.repeats)
        run.repeats->Handed(run.total);
    if (--run.readersLeft == 0)
        run.frames.Close();
}

// A reading thread that cannot go on stops the run, saying why.
void Broke(MovieRun& run, const std::string& why)
{
    {
        std::lock_guard lock(run.brokeMutex);
        run.readingBroke = run.movie + ": reading stopped: " + why;
        run.stop = true;
    }
    Done(run);
}

// A reading thread: stretch after stretch until none is left or the run stops.
void ReadStretches(MovieRun& run)
{
    try {
        std::unique_ptr<media::MovieReader> own;
        if (run.readers > 1) {
            auto twin = run.reader->Twin(media::MovieReader::Options{1});
            if (!twin)
                return Broke(run, twin.Message());
            own = std::move(*twin);
        }
        media::MovieReader& mine = run.readers > 1 ? *own : *run.reader;
        for (std::size_t s = run.nextStretch++; s < run.stretches.size() && !run.stop && !Cancelled(run.o);
             s = run.nextStretch++) {
            const auto [first, last] = run.stretches[s];
            const auto hand = [&](int position, media::UndevelopedFrame&& picture) {
                if (run.stop || Cancelled(run.o))
                    return false;
                const int index = run.indexOf.at(position);
                if (run.repeats)
                    run.repeats->Handed(index);
                run.frames.Push(MovieRun::Frame{index, std::move(picture)});
                return true;
            };
            mine.ReadPositionsUndeveloped(std::vector<int>(run.toRead.begin() + std::ptrdiff_t(first),
                                                           run.toRead.begin() + std::ptrdiff_t(last)),
                                          hand, run.keysAlone);
        }
    } catch (const std::exception& e) {
        return Broke(run, Described(e));
    }
    Done(run);
}

// A worker: develops and finishes the frames it takes, in whatever order they come.
void DevelopFrames(MovieRun& run, InOrder& order)
{
    using Developer = media::Result<std::unique_ptr<media::FrameDeveloper>>;
    media::Result<Converter> converter = Converter::For(run.o);
    const Developer developer = converter ? Made<media::FrameDeveloper>(*run.reader) : Developer(converter.Error());
    // Passing over repeats and making tiles take the pixels, so the way through them.
    const std::optional<media::CoefficientWrite> coefficients =
        run.repeats || run.tiles ? std::nullopt : CoefficientRoute(run.o.picture);
    while (auto frame = run.frames.Pop()) {
        Outcome outcome = MovieOutcome(run, frame->index, frame->picture.Position());
        if (run.stop || Cancelled(run.o)) {
            outcome.skipped = true;
            order.Finished(std::move(outcome));
            continue;
        }
        if (!developer) {
            outcome.error = developer.Message();
            order.Finished(std::move(outcome));
            continue;
        }
        const std::string& path = run.paths[std::size_t(frame->index)];
        Guarded(outcome, [&] {
            // When, with what and where the still was shot, whichever way it is written.
            media::Metadata shot;
            if (run.shot)
                shot.exif = media::MakeShotExif(ShotAt(*run.shot, outcome.seconds));
            // A Motion JPEG frame going to JPEG untouched but for a turn: its
            // coefficients requantized, the pixels never decoded.
            if (coefficients) {
                media::CoefficientWrite how = *coefficients;
                how.metadata = shot.exif.empty() ? nullptr : &shot;
                if (const auto bytes = (*developer)->RewrittenJpeg(frame->picture, how)) {
                    const bool across = how.quarterTurns % 2;
                    converter->FinishMade(run.o, outcome, *bytes, across ? run.reader->Height() : run.reader->Width(),
                                          across ? run.reader->Width() : run.reader->Height(), path, run.stop);
                    return;
                }
            }
            // A frame that cannot be developed leaves the editor empty: nothing of the
            // frame before may be saved under this one's name.
            media::Image img;
            const bool developed = (*developer)->Develop(frame->picture, img);
            converter->editor.SetImage(std::move(img));
            if (run.shot)
                converter->editor.SetMetadata(std::move(shot));
            std::optional<std::string> notTaken;
            if (!converter->editor.HasImage() || !developed)
                notTaken = conv::kFrameNotDecoded;
            else if (run.repeats)
                outcome.repeats = run.repeats->Decide(frame->index, outcome.frame.value_or(0),
                                                      media::PlanesToCompare(converter->editor.Current()));
            if (!outcome.repeats)
                converter->Finish(run.o, outcome, notTaken, path, run.stop, run.tiles.get());
        });
        // Settled whatever happened, so no later picture waits for this one.
        if (run.repeats) {
            run.repeats->Pass(frame->index);
            if (run.stop)
                run.repeats->Wake();
        }
        order.Finished(std::move(outcome));
    }
}

// The stills a resumed run passes over go on its sheets from their files.
void TilesFromFiles(MovieRun& run)
{
    for (const Outcome& outcome : run.passedOver) {
        media::ImageEditor editor;
        if (editor.Load(outcome.target))
            run.tiles->Take(outcome.index, outcome.seconds, editor.Current());
    }
}

// The movie's sheets, once its stills are made: a sheet that cannot be written fails
// the run like a still.
void WriteMovieSheets(MovieRun& run, RunTotals& totals)
{
    const media::MovieReader& movie = *run.reader;
    const double fps = movie.FrameRate();
    const double duration = run.times.empty() ? 0 : run.times.back() + (fps > 0 ? 1 / fps : 0);
    const SheetRequest request{run.o.sheet, run.o.sprite, run.o.picture, run.o.outputFolder, run.movie,
                               MovieFacts{std::filesystem::path(run.movie).filename().string(), duration,
                                          movie.Width(), movie.Height(), fps}};
    const media::Result<std::vector<std::string>> written = WriteSheets(request, run.tiles->InOrder());
    if (!written) {
        ++totals.failed;
        totals.sheetsFailed = written.Message();
        return;
    }
    totals.sheets = *written;
}

} // namespace

media::Result<void> ConvertMovie(const RunRequest& o, const Report& report, RunTotals& totals)
{
    KeepPictureBuffers();
    MovieRun run(o, JobsFor(o));
    MEDIA_TRY(PrepareMovieRun(run));
    const media::MovieReader& movie = *run.reader;
    if (movie.StoredWidth() != movie.Width() || movie.StoredHeight() != movie.Height())
        totals.shape = std::to_string(movie.StoredWidth()) + " x " + std::to_string(movie.StoredHeight()) +
                       " stored, shown " + std::to_string(movie.Width()) + " x " + std::to_string(movie.Height());
    totals.fitted = run.fitted;
    // Each counts as a picture that could not be written.
    for (const std::string& place : run.beyond)
        totals.beyond.push_back(run.movie + ": " + place);
    totals.failed += int(run.beyond.size());
    InOrder order(report, run.total, totals);
    if (run.tiles)
        TilesFromFiles(run);
    for (Outcome& outcome : run.passedOver)
        order.Finished(std::move(outcome));
    std::vector<std::thread> decoders, workers;
    for (int r = 0; r < run.readers; ++r)
        decoders.emplace_back([&] { ReadStretches(run); });
    for (int j = 0; j < run.jobs; ++j)
        workers.emplace_back([&] { DevelopFrames(run, order); });
    for (std::thread& d : decoders)
        d.join();
    for (std::thread& w : workers)
        w.join();
    totals.untried += order.Unfinished();
    if (!run.readingBroke.empty())
        return media::Fail(media::FailureKind::BadData, run.readingBroke);
    if (run.tiles && !run.stop && !Cancelled(o))
        WriteMovieSheets(run, totals);
    return {};
}

media::Result<void> ConvertPictures(const RunRequest& o, const Report& report, RunTotals& totals)
{
    KeepPictureBuffers();
    // A run none of whose inputs can be tried (all missing, folders, no pictures)
    // makes no folder.
    if (std::any_of(o.inputs.begin(), o.inputs.end(), [](const std::string& in) { return !Unusable(in); }))
        MEDIA_TRY(conv::CreateOutputFolder(o.outputFolder));
    // Pictures that end up under the same name are converted by one thread in the
    // run's order, so the last of them is what stays, as in a one-at-a-time run.
    const std::string ext = conv::EntryOf(conv::kOutputFormats, o.picture.format).ext;
    // Each picture's folder: the output folder, or its sub-folder mirroring the tree.
    const auto folderOf = [&](std::size_t i) {
        return i < o.within.size() && !o.within[i].empty() ? o.outputFolder + "/" + o.within[i] : o.outputFolder;
    };
    std::map<std::string, std::vector<int>> byName;
    std::vector<std::vector<int>> groups;
    for (int i = 0; i < int(o.inputs.size()); ++i)
        byName[conv::ImageOutputPath(folderOf(std::size_t(i)), o.inputs[i], ext)].push_back(i);
    for (auto& [name, members] : byName)
        groups.push_back(members);
    std::sort(groups.begin(), groups.end());

    InOrder order(report, int(o.inputs.size()), totals);
    std::atomic<bool> stop = false;
    std::mutex next;
    std::size_t nextGroup = 0;
    std::vector<std::thread> workers;
    const int jobs = std::min<int>(JobsFor(o), int(groups.size()));
    for (int j = 0; j < jobs; ++j)
        workers.emplace_back([&] {
            media::Result<Converter> converter = Converter::For(o);
            for (;;) {
                std::size_t g;
                {
                    std::lock_guard lock(next);
                    if (nextGroup >= groups.size())
                        return;
                    g = nextGroup++;
                }
                for (int i : groups[g]) {
                    Outcome outcome;
                    outcome.index = i;
                    outcome.source = o.inputs[i];
                    if (stop || Cancelled(o)) {
                        outcome.skipped = true;
                    } else if (const auto why = Unusable(o.inputs[i])) {
                        outcome.error = *why;
                    } else if (!converter) {
                        outcome.error = converter.Message();
                    } else if (const std::string path = conv::ImageOutputPath(folderOf(std::size_t(i)), o.inputs[i], ext);
                               !PassedOver(o, path, outcome)) {
                        Guarded(outcome, [&] {
                            if (!MadeFolderFor(path, outcome))
                                return;
                            const media::Result<media::Bytes> bytes = media::ReadPictureFile(o.inputs[i]);
                            const media::ImageFormat format =
                                bytes ? media::DetectFormat(bytes->data(), bytes->size()) : media::ImageFormat::Unknown;
                            if (bytes && converter->FinishFromPlanes(o, outcome, *bytes, format, path, stop))
                                return;
                            const std::optional<std::string> notLoaded =
                                bytes ? converter->Load(o.inputs[i], *bytes, format) : bytes.Message();
                            converter->Finish(o, outcome, notLoaded, path, stop);
                        });
                    }
                    order.Finished(std::move(outcome));
                }
            }
        });
    for (std::thread& w : workers)
        w.join();
    return {};
}

void ConvertMovies(const RunRequest& request, const Report& report, RunTotals& totals,
                   std::vector<std::string>& failures, const MovieStep& beforeMovie, const MovieStep& afterMovie)
{
    for (const std::string& movie : request.inputs) {
        if (request.cancel && *request.cancel)
            break;
        if (beforeMovie)
            beforeMovie(movie);
        RunRequest one = request;
        one.inputs = {movie};
        one.fitRange = request.inputs.size() > 1;
        RunTotals part;
        const media::Result<void> run = ConvertMovie(one, report, part);
        if (!run) {
            failures.push_back(run.Message());
            ++totals.moviesUnread;
        }
        totals.converted += part.converted;
        totals.failed += part.failed;
        totals.existed += part.existed;
        totals.repeats += part.repeats;
        totals.onSheets += part.onSheets;
        totals.beyond.insert(totals.beyond.end(), part.beyond.begin(), part.beyond.end());
        totals.sheets.insert(totals.sheets.end(), part.sheets.begin(), part.sheets.end());
        if (!part.sheetsFailed.empty())
            totals.sheetsFailed.append(totals.sheetsFailed.empty() ? "" : "\n").append(part.sheetsFailed);
        totals.untried += part.untried;
        // Said movie by movie when there are several.
        const std::string whose = request.inputs.size() > 1 ? movie + ": " : std::string();
        if (!part.shape.empty())
            totals.shape.append(totals.shape.empty() ? "" : "; ").append(whose).append(part.shape);
        if (!part.fitted.empty())
            totals.fitted.append(totals.fitted.empty() ? "" : "\n").append(whose).append(part.fitted);
        totals.written.insert(totals.written.end(), part.written.begin(), part.written.end());
        if (afterMovie && run)
            afterMovie(movie);
    }
}

} // namespace conv
