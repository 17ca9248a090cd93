#pragma once
// Exact frame access to a movie file through FFmpeg. Frames are the movie's
// positions 0 .. PositionCount()-1 (see MovieIndex for what a position is); position
// n shows the picture a player shows there: the picture of that position, or for a
// dropped frame (an empty chunk) the latest picture before it; positions before the
// first picture show the first one. Which picture belongs where is decided by the
// order pictures come out of the decoder, never by how many threads decode them.
// A reader is used from one thread at a time.
#include "media/movie/RgbImage.h"

#include <functional>
#include <memory>
#include <string>

namespace media {

class MovieReader {
public:
    struct Options {
        int decoderThreads = 0; // 0: as many as the machine has
    };
    // Opens `path`; on failure returns nullptr with a reason naming the file in `error`.
    static std::unique_ptr<MovieReader> Open(const std::string& path, std::string& error);
    static std::unique_ptr<MovieReader> Open(const std::string& path, std::string& error, const Options& options);
    ~MovieReader();
    MovieReader(const MovieReader&) = delete;
    MovieReader& operator=(const MovieReader&) = delete;

    int PositionCount() const;
    int Width() const;
    int Height() const;
    // Frames per second (0 when the file does not say).
    double FrameRate() const;

    // The picture at `position`, converted to RGB. False (and `out` emptied) when the
    // position is outside the movie or its picture cannot be decoded.
    bool ReadFrame(int position, RgbImage& out);

    // Reads start, start+step, ... up to end (inclusive), calling `deliver` with each
    // position and its picture (nullptr when it cannot be decoded). Stops early when
    // `deliver` returns false. A step below 1 counts as 1.
    void ReadRun(int start, int end, int step, const std::function<bool(int, const RgbImage*)>& deliver);

    // Counters for tests and benchmarks: seeks made and pictures decoded so far.
    struct Stats {
        long seeks = 0;
        long decoded = 0;
        long converted = 0;
    };
    Stats Statistics() const;

private:
    MovieReader();
    struct Impl;
    std::unique_ptr<Impl> m;
};

} // namespace media
