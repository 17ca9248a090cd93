#pragma once
// Movies whose truth is known: a lossless synthetic source in which every frame is
// different (a moving pattern, and the frame number as a row of blocks), encoded
// into a file by the ffmpeg program, so that a picture the engine delivers can be
// matched against the frames it was made from.
#include <cstdint>
#include <string>
#include <vector>

struct SourceMovie {
    int width = 0;
    int height = 0;
    std::vector<std::vector<std::uint8_t>> frames; // RGB, three bytes a pixel
};

SourceMovie MakeSource(int width, int height, int frames);

bool HaveFfmpeg();

// Encodes `source` with `ffmpeg ... -i <source> [extra inputs] <options> <path>`.
// `inputOptions` come before the source (after its raw-video description), `extraInputs`
// after it. False with ffmpeg's complaint in `error`.
bool EncodeWithFfmpeg(const SourceMovie& source, const std::string& path, const std::vector<std::string>& options,
                      std::string& error, const std::vector<std::string>& extraInputs = {},
                      const std::string& rate = "25");

// Decodes the pictures of `path` with the ffmpeg program (an independent reference
// decoder), in presentation order: each picture once, or with `onePerPosition` one
// for each of the stream's time stamps (a picture repeated over the gaps).
std::vector<std::vector<std::uint8_t>> DecodeWithFfmpeg(const std::string& path, int width, int height,
                                                        bool onePerPosition = false);

// Decodes pictures `first` .. `last` (in presentation order) of `path` with the
// ffmpeg program.
std::vector<std::vector<std::uint8_t>> DecodeWithFfmpeg(const std::string& path, int width, int height, int first,
                                                        int last);

// Decodes the pictures at `positions` (ascending, in presentation order) of `path`
// with the ffmpeg program.
std::vector<std::vector<std::uint8_t>> DecodeWithFfmpegAt(const std::string& path, int width, int height,
                                                          const std::vector<int>& positions);

// Runs `ffmpeg -nostdin -v error -y <arguments>`; false with its complaint in `error`.
bool RunFfmpeg(const std::vector<std::string>& arguments, std::string& error);

// Peak signal-to-noise ratio of two pictures of the same size, in dB (99 when equal).
double Psnr(const std::uint8_t* a, const std::uint8_t* b, std::size_t bytes);

// Which source frame a picture is: the best match among all frames, and how well
// it matches frame `expected` and its best other rival.
struct FrameMatch {
    int best = -1;
    double bestDb = 0;
    double expectedDb = 0;
    double rivalDb = 0; // the best frame other than `expected`
};
// Frames further than `radius` from `expected` are not looked at.
FrameMatch MatchFrame(const SourceMovie& source, const std::uint8_t* picture, int expected, int radius = 1 << 20);
