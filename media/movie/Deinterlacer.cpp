// A filter graph (buffer → bwdif → buffersink) made for each picture: the filter keeps
// the fields it has seen, so a fresh one that is shown just the picture's neighbours
// gives the same picture however the movie was read to it.
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

const AVFrame* Deinterlacer::Deinterlace(const AVFrame* before, const AVFrame* current, const AVFrame* after)
{
    if (!current || !m->out || !m->in)
        return nullptr;
    Graph graph;
    AVFilterContext* source = nullptr;
    AVFilterContext* sink = nullptr;
    if (!Impl::MakeGraph(current, graph, source, sink))
        return nullptr;
    // The filter answers each picture once it has seen the next (the last one when the
    // input ends), one answer a picture, in order.
    const AVFrame* pictures[3] = {before, current, after};
    int fed = 0, wanted = 0;
    for (const AVFrame* picture : pictures) {
        // A neighbour of another size or layout (a stream that changes midway) is left out.
        if (!picture || (picture != current && (picture->width != current->width ||
                                                picture->height != current->height ||
                                                picture->format != current->format)))
            continue;
        av_frame_unref(m->in.get());
        if (av_frame_ref(m->in.get(), picture) < 0)
            return nullptr;
        if (picture == current)
            wanted = fed;
        m->in->pts = fed++;
        if (av_buffersrc_add_frame_flags(source, m->in.get(), AV_BUFFERSRC_FLAG_KEEP_REF) < 0)
            return nullptr;
    }
    if (av_buffersrc_add_frame_flags(source, nullptr, 0) < 0)
        return nullptr;
    for (int answer = 0;; ++answer) {
        av_frame_unref(m->out.get());
        if (av_buffersink_get_frame(sink, m->out.get()) < 0)
            return nullptr;
        if (answer == wanted)
            return m->out.get();
    }
}

} // namespace media
