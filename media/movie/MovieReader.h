#pragma once
// Exact frame access to a movie file through FFmpeg. Frames are the movie's
// positions 0 .. PositionCount()-1 (see MovieIndex for what a position is); position
// n shows the picture a player shows there: the picture of that position, or for a
// dropped frame (an empty chunk) the latest picture before it; positions before the
// first picture show the first one. Which picture belongs where is decided by the
// order pictures come out of the decoder, never by how many threads decode them.
// A reader is used from one thread at a time; a run may hand the last steps of its
// pictures (decoding, for codecs whose every picture stands alone, and the conversion
// to RGB) to other threads, each with a FrameDeveloper of its own.
#include "media/Result.h"
#include "media/codecs/JpegCoefficients.h"
#include "media/image/Image.h"
#include "media/movie/MovieOrigin.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace media {

class MovieFile;
class UndevelopedFrame;
struct DevelopSetup;
struct UndevelopedFrameData;

class MovieReader {
public:
    // A twin takes its measured reader's choices but the threads and the preview.
    struct Options {
        int decoderThreads = 0; // 0: as many as the machine has
        // Pictures as stored, not widened or narrowed to the shape players show.
        bool storedSize = false;
        // HDR pictures in the signal as stored, read as if SDR, not tone mapped (to
        // compare with decoders that do not tone map).
        bool hdrAsSignal = false;
        // Each picture deinterlaced (bwdif, from its neighbours' fields too): one
        // picture a frame, so positions stay.
        bool deinterlace = false;
        // For a view, not for files: the decoder skips its loop filter and takes the
        // codec's shortcuts, so pictures are near the exact ones, not equal to them.
        bool preview = false;
    };
    // Opens `path`; a failure's facts name the file.
    static Result<std::unique_ptr<MovieReader>> Open(const std::string& path);
    static Result<std::unique_ptr<MovieReader>> Open(const std::string& path, const Options& options);
    // Another reader of a file already open (the path is not looked at again).
    static Result<std::unique_ptr<MovieReader>> Open(const std::shared_ptr<const MovieFile>& file,
                                                     const Options& options);
    // Another reader of this one's file that takes over what this one measured when it
    // opened (the positions, how pictures are placed) instead of reading the movie again.
    Result<std::unique_ptr<MovieReader>> Twin(const Options& options) const;
    ~MovieReader();
    MovieReader(const MovieReader&) = delete;
    MovieReader& operator=(const MovieReader&) = delete;

    // The file every reading goes through; its Check() tells whether the path still
    // names it.
    const std::shared_ptr<const MovieFile>& File() const;
    int PositionCount() const;
    // The pictures' size as players show them: turned upright, and where the pixels
    // are not square (DV, DVD, HDV) the stored width scaled to the shown shape.
    int Width() const;
    int Height() const;
    // The size as stored, turned upright (Width() × Height() where the pixels are square).
    int StoredWidth() const;
    int StoredHeight() const;
    // Frames per second (0 when the file does not say).
    double FrameRate() const;
    // Each position's presentation time in seconds after the first picture's, by the
    // movie's own clock (a variable frame rate shows in them); never decreasing.
    std::vector<double> PresentationTimes() const;
    // The positions whose pictures are key pictures (shown without decoding any other),
    // ascending.
    std::vector<int> KeyPositions() const;
    // When, with what and where the movie was shot, as far as its container says.
    const MovieOrigin& Origin() const;

    // The picture at `position`, as 24-bit RGB. False (and `out` emptied) when the
    // position is outside the movie or its picture cannot be decoded.
    bool ReadFrame(int position, Image& out);
    // The key picture at `position` (one of KeyPositions), decoded from its packet
    // alone: a preview's quick look, which never moves where ReadFrame reads on from.
    // False where the packet shown there is no key packet or does not decode alone.
    bool ReadKeyPicture(int position, Image& out);
    // From now on, pictures read by ReadFrame and ReadKeyPicture are made at most `width` × `height`
    // (upright, proportions kept, by averaging), for a view that shows no more;
    // 0 × 0: the whole size again.
    void FitInside(int width, int height);

    // Reads start, start+step, ... up to end (inclusive), calling `deliver` with each
    // position and its picture (nullptr when it cannot be decoded). Stops early when
    // `deliver` returns false. A step below 1 counts as 1. The run begins at the key
    // frame nearest before `start`, not at the movie's start.
    void ReadRun(int start, int end, int step, const std::function<bool(int, const Image*)>& deliver);

    // The same run, each position handed out with its picture still to be developed
    // (by a FrameDeveloper, on any thread). For codecs whose every picture stands on
    // its own, this reads packets only and the developers decode them side by side;
    // for the others this decodes, and the developers convert.
    void ReadRunUndeveloped(int start, int end, int step, const std::function<bool(int, UndevelopedFrame&&)>& deliver);
    // The same for the positions given, which ascend. With `keysAlone`, a key picture
    // that decodes by itself (see ReadKeyPicture) is handed out as its packet, for the
    // developers to decode side by side: for runs of key pictures.
    void ReadPositionsUndeveloped(const std::vector<int>& positions,
                                  const std::function<bool(int, UndevelopedFrame&&)>& deliver, bool keysAlone = false);
    // True when ReadRunUndeveloped leaves the decoding to the developers.
    bool DecodesInDevelopers() const;
    // The positions of the key pictures a run can begin at without anything before
    // them, where each picture is placed by its presentation stamp: runs between them
    // may be read by readers of their own, side by side. Empty where that is not
    // certain (AVI, whose key flags can lie): one reader then reads the run.
    std::vector<int> IndependentStarts() const;

    // Counters for tests and benchmarks: seeks made and pictures decoded so far.
    struct Stats {
        long seeks = 0;
        long decoded = 0;
        long converted = 0;
    };
    Stats Statistics() const;

private:
    friend class FrameDeveloper;
    MovieReader();
    static Result<std::unique_ptr<MovieReader>> Open(const std::shared_ptr<const MovieFile>& file,
                                                     const MovieReader* measured, const Options& options);
    std::shared_ptr<const DevelopSetup> DevelopingSetup() const;
    struct Impl;
    std::unique_ptr<Impl> m;
};

// One position of a run with what its picture is made from: a packet to decode or a
// decoded picture to convert (or nothing, when the developer must read it exactly).
class UndevelopedFrame {
public:
    UndevelopedFrame();
    ~UndevelopedFrame();
    UndevelopedFrame(UndevelopedFrame&&) noexcept;
    UndevelopedFrame& operator=(UndevelopedFrame&&) noexcept;

    int Position() const;

private:
    friend class MovieReader;
    friend class FrameDeveloper;
    std::unique_ptr<UndevelopedFrameData> m;
};

// Turns undeveloped frames of one reader's runs into RGB pictures; one per thread.
// What a developer cannot decode (a damaged packet) it reads the exact way, with a
// reader of its own, so a picture is the same whichever path made it.
class FrameDeveloper {
public:
    explicit FrameDeveloper(const MovieReader& reader);
    ~FrameDeveloper();
    FrameDeveloper(const FrameDeveloper&) = delete;
    FrameDeveloper& operator=(const FrameDeveloper&) = delete;

    // False (and `out` emptied) when the picture cannot be made.
    bool Develop(const UndevelopedFrame& frame, Image& out);

    // A Motion JPEG frame written again as a JPEG from its coefficients, without
    // decoding it (see JpegCoefficients); none where the frame is not one whole JPEG
    // the way can take, shown as stored (upright, square pixels): then Develop it.
    std::optional<Bytes> RewrittenJpeg(const UndevelopedFrame& frame, CoefficientWrite how) const;

private:
    struct Impl;
    std::unique_ptr<Impl> m;
};

} // namespace media
