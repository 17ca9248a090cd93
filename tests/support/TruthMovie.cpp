#include "support/TruthMovie.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <sys/wait.h>

namespace {

std::string Quoted(const std::string& s)
{
    std::string out = "'";
    for (char c : s)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::string Command(const std::vector<std::string>& words)
{
    std::string cmd;
    for (const std::string& w : words)
        cmd += Quoted(w) + " ";
    return cmd;
}

} // namespace

SourceMovie MakeSource(int width, int height, int frames)
{
    SourceMovie movie{width, height, {}};
    const double unit = std::max(1.0, width / 160.0);
    const double tau = 6.283185307179586;
    for (int n = 0; n < frames; ++n) {
        std::vector<std::uint8_t> rgb(std::size_t(width) * height * 3);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                std::uint8_t* p = &rgb[(std::size_t(y) * width + x) * 3];
                p[0] = std::uint8_t(128 + 90 * std::sin(tau * (x + 5 * unit * n) / (64 * unit)));
                p[1] = std::uint8_t(128 + 90 * std::sin(tau * (y + 3 * unit * n) / (48 * unit)));
                p[2] = std::uint8_t(128 + 90 * std::sin(tau * (x - y + 7 * unit * n) / (80 * unit)));
            }
        // The frame number, bit by bit, as white or black blocks along the bottom.
        const int block = std::max(2, width / 10);
        const int top = height - std::max(2, height / 5), bottom = height - std::max(1, height / 20);
        for (int bit = 0; bit < 8; ++bit) {
            const std::uint8_t v = (n >> bit) & 1 ? 235 : 16;
            for (int y = top; y < bottom; ++y)
                for (int x = block * (bit + 1); x < block * (bit + 1) + block * 3 / 4 && x < width; ++x)
                    for (int c = 0; c < 3; ++c)
                        rgb[(std::size_t(y) * width + x) * 3 + c] = v;
        }
        movie.frames.push_back(std::move(rgb));
    }
    return movie;
}

bool HaveFfmpeg() { return std::system("ffmpeg -version >/dev/null 2>&1") == 0; }

bool RunFfmpeg(const std::vector<std::string>& arguments, std::string& error)
{
    std::vector<std::string> words = {"ffmpeg", "-nostdin", "-v", "error", "-y"};
    words.insert(words.end(), arguments.begin(), arguments.end());
    FILE* pipe = popen((Command(words) + " 2>&1").c_str(), "r");
    if (!pipe) {
        error = "cannot start ffmpeg";
        return false;
    }
    std::string said;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        said.append(buffer, n);
    if (pclose(pipe) != 0) {
        error = "ffmpeg failed: " + Command(words) + "\n" + said;
        return false;
    }
    return true;
}

bool EncodeWithFfmpeg(const SourceMovie& source, const std::string& path, const std::vector<std::string>& options,
                      std::string& error, const std::vector<std::string>& extraInputs, const std::string& rate)
{
    const std::string raw = path + ".rgb";
    {
        std::ofstream out(raw, std::ios::binary);
        for (const auto& f : source.frames)
            out.write(reinterpret_cast<const char*>(f.data()), std::streamsize(f.size()));
    }
    std::vector<std::string> words = {"-f", "rawvideo", "-pix_fmt", "rgb24",
                                      "-s", std::to_string(source.width) + "x" + std::to_string(source.height),
                                      "-r", rate, "-i", raw};
    words.insert(words.end(), extraInputs.begin(), extraInputs.end());
    words.insert(words.end(), options.begin(), options.end());
    words.push_back(path);
    const bool ok = RunFfmpeg(words, error);
    std::remove(raw.c_str());
    return ok;
}

namespace {

// The packed RGB pictures a command writes to its standard output.
std::vector<std::vector<std::uint8_t>> ReadRgbPictures(const std::string& cmd, int width, int height)
{
    std::vector<std::vector<std::uint8_t>> frames;
    FILE* pipe = popen(cmd.c_str(), "r");
    if (!pipe)
        return frames;
    const std::size_t size = std::size_t(width) * height * 3;
    std::vector<std::uint8_t> frame(size);
    while (std::fread(frame.data(), 1, size, pipe) == size)
        frames.push_back(frame);
    pclose(pipe);
    return frames;
}

std::vector<std::string> DecodeWords(const std::string& path, int width, int height, std::vector<std::string> choice)
{
    std::vector<std::string> words = {"ffmpeg", "-nostdin", "-v", "quiet", "-i", path, "-map", "0:v:0"};
    words.insert(words.end(), choice.begin(), choice.end());
    for (const char* w : {"-f", "rawvideo", "-pix_fmt", "rgb24", "-s"})
        words.push_back(w);
    words.push_back(std::to_string(width) + "x" + std::to_string(height));
    words.push_back("-");
    return words;
}

} // namespace

std::vector<std::vector<std::uint8_t>> DecodeWithFfmpeg(const std::string& path, int width, int height,
                                                        bool onePerPosition)
{
    return ReadRgbPictures(
        Command(DecodeWords(path, width, height, {"-fps_mode", onePerPosition ? "cfr" : "passthrough"})), width, height);
}

namespace {

// The pictures ffmpeg's `select` filter lets through (`expression` of the picture number n).
std::vector<std::vector<std::uint8_t>> DecodeSelected(const std::string& path, int width, int height,
                                                      const std::string& expression)
{
    return ReadRgbPictures(
        Command(DecodeWords(path, width, height, {"-vf", "select=" + expression, "-fps_mode", "passthrough"})), width,
        height);
}

} // namespace

std::vector<std::vector<std::uint8_t>> DecodeWithFfmpeg(const std::string& path, int width, int height, int first,
                                                        int last)
{
    return DecodeSelected(path, width, height,
                          "between(n\\," + std::to_string(first) + "\\," + std::to_string(last) + ")");
}

std::vector<std::vector<std::uint8_t>> DecodeWithFfmpegAt(const std::string& path, int width, int height,
                                                          const std::vector<int>& positions)
{
    std::string expression;
    for (std::size_t i = 0; i < positions.size(); ++i)
        expression += (i ? "+eq(n\\," : "eq(n\\,") + std::to_string(positions[i]) + ")";
    return DecodeSelected(path, width, height, expression);
}

double Psnr(const std::uint8_t* a, const std::uint8_t* b, std::size_t bytes)
{
    double sum = 0;
    for (std::size_t i = 0; i < bytes; ++i) {
        const double d = double(a[i]) - double(b[i]);
        sum += d * d;
    }
    if (sum == 0)
        return 99;
    return 10 * std::log10(255.0 * 255.0 * double(bytes) / sum);
}

FrameMatch MatchFrame(const SourceMovie& source, const std::uint8_t* picture, int expected, int radius)
{
    FrameMatch match;
    const std::size_t bytes = std::size_t(source.width) * source.height * 3;
    const int first = std::max(0, expected - radius);
    const int last = int(std::min<std::int64_t>(std::int64_t(source.frames.size()) - 1, std::int64_t(expected) + radius));
    for (int m = first; m <= last; ++m) {
        const double db = Psnr(source.frames[m].data(), picture, bytes);
        if (match.best < 0 || db > match.bestDb) {
            match.best = m;
            match.bestDb = db;
        }
        if (m == expected)
            match.expectedDb = db;
        else
            match.rivalDb = std::max(match.rivalDb, db);
    }
    return match;
}
