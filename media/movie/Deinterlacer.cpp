// A filter graph (buffer → bwdif → buffersink). bwdif makes each picture from it and
// its two neighbours only, so a graph that is shown just the picture's neighbours gives
// the same picture however the movie was read to it; a run from picture to picture
// keeps its graph and feeds it one picture each.
#include "media/movie/Deinterlacer.h"

extern "C" {
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/pixdesc.h>
}

#include <string>

namespace media {

namespace {

struct GraphFreer {
    void operator()(AVFilterGraph* p) const { avfilter_graph_free(&p); }
};
using Graph = std::unique_ptr<AVFilterGraph, GraphFreer>;

} // namespace

struct Deinterlacer::Impl {
    av::Frame out = av::NewFrame();
    av::Frame in = av::NewFrame();
    // The graph of the last answer, kept while a run goes on from picture to picture.
    Graph graph;
    AVFilterContext* source = nullptr;
    AVFilterContext* sink = nullptr;
    std::int64_t stamp = 0;     // of the next picture fed
    std::int64_t answered = -1; // the position last answered
    std::int64_t fedUpTo = -1;  // the position last fed
    bool ended = false;         // the input was ended (the movie's last picture)

    // One picture into the filter, or the end of the input (null).
    bool Feed(const AVFrame* picture);
    // The filter's next answer, or null.
    const AVFrame* Answer();

    // A graph for pictures like `like`: its source and sink, or false.
    static bool MakeGraph(const AVFrame* like, Graph& graph, AVFilterContext*& source, AVFilterContext*& sink)
    {
        graph.reset(avfilter_graph_alloc());
        if (!graph)
            return false;
        graph->nb_threads = 1; // the developers are the parallelism
        const char* format = av_get_pix_fmt_name(AVPixelFormat(like->format));
        if (!format)
            return false;
        // The fields' order from each frame's own flag (bottom first where it says so);
        // every frame deinterlaced, as the user asked, whatever it is flagged.
        std::string arguments = "video_size=";
        arguments += std::to_string(like->width);
        arguments += 'x';
        arguments += std::to_string(like->height);
        arguments += ":pix_fmt=";
        arguments += format;
        arguments += ":time_base=1/25:pixel_aspect=1/1";
        return avfilter_graph_create_filter(&source, avfilter_get_by_name("buffer"), "in", arguments.c_str(), nullptr,
                                            graph.get()) >= 0 &&
               avfilter_graph_create_filter(&sink, avfilter_get_by_name("buffersink"), "out", nullptr, nullptr,
                                            graph.get()) >= 0 &&
               Chain(graph.get(), source, sink) && avfilter_graph_config(graph.get(), nullptr) >= 0;
    }

    static bool Chain(AVFilterGraph* graph, AVFilterContext* source, AVFilterContext* sink)
    {
        AVFilterContext* bwdif = nullptr;
        return avfilter_graph_create_filter(&bwdif, avfilter_get_by_name("bwdif"), "deinterlace",
                                            "mode=send_frame:parity=auto:deint=all", nullptr, graph) >= 0 &&
               avfilter_link(source, 0, bwdif, 0) >= 0 && avfilter_link(bwdif, 0, sink, 0) >= 0;
    }
};

Deinterlacer::Deinterlacer() : m(std::make_unique<Impl>()) {}
Deinterlacer::~Deinterlacer() = default;

namespace {

// Whether a neighbour can go through the filter with `current` (a stream that changes
// size midway leaves it out).
bool Alike(const AVFrame* neighbour, const AVFrame* current)
{
    return neighbour && neighbour->width == current->width && neighbour->height == current->height &&
           neighbour->format == current->format;
}

} // namespace

bool Deinterlacer::Impl::Feed(const AVFrame* picture)
{
    if (!picture) { // the input ends: the filter answers the last picture with itself as its next
        ended = true;
        return av_buffersrc_add_frame_flags(source, nullptr, 0) >= 0;
    }
    av_frame_unref(in.get());
    if (av_frame_ref(in.get(), picture) < 0)
        return false;
    in->pts = stamp++;
    return av_buffersrc_add_frame_flags(source, in.get(), AV_BUFFERSRC_FLAG_KEEP_REF) >= 0;
}

const AVFrame* Deinterlacer::Impl::Answer()
{
    av_frame_unref(out.get());
    return av_buffersink_get_frame(sink, out.get()) >= 0 ? out.get() : nullptr;
}

const AVFrame* Deinterlacer::Deinterlace(std::int64_t position, const AVFrame* before, const AVFrame* current,
                                         const AVFrame* after)
{
    if (!current || !m->out || !m->in)
        return nullptr;
    if (!Alike(after, current))
        after = nullptr;
    // The filter answers each picture once it has seen the next (the last one when the
    // input ends), one answer a picture, in order, from that picture and its two
    // neighbours alone: a run's next picture takes its own next, and nothing more.
    if (m->graph && !m->ended && position == m->answered + 1 && m->fedUpTo == position) {
        if (!m->Feed(after))
            return m->graph.reset(), nullptr;
        m->fedUpTo = position + 1;
        m->answered = position;
        return m->Answer();
    }
    // Elsewhere a graph of its own, shown the picture's neighbours.
    m->graph.reset();
    m->ended = false;
    if (!Impl::MakeGraph(current, m->graph, m->source, m->sink))
        return m->graph.reset(), nullptr;
    const bool withBefore = Alike(before, current);
    if ((withBefore && !m->Feed(before)) || !m->Feed(current) || !m->Feed(after))
        return m->graph.reset(), nullptr;
    if (withBefore && !m->Answer()) // the picture before's, not asked for
        return m->graph.reset(), nullptr;
    m->fedUpTo = position + 1;
    m->answered = position;
    return m->Answer();
}

} // namespace media
